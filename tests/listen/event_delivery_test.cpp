// Event queries of the simulated provider: only what is appended after the
// subscription, within 200 ms, on a thread of its own; the events the simulated
// driver raises; the failures a host file asks for.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "config/config_hosts.h"
#include "config/path_state.h"
#include "simstack/event_log.h"
#include "text/text_convert.h"
#include "test_support.h"
#include "wmi/wmi_access.h"

using namespace wmi;
using namespace std::chrono_literals;

namespace {

const std::wstring kQuery = L"SELECT * FROM MPIO_EventEntry";
constexpr HResult kCallCancelled = hr_from_bits(0x80041032u);
constexpr auto kDeliveryBound = 200ms;

class RecordingSink : public NotificationSink {
 public:
  struct Delivery {
    std::string description;
    std::thread::id thread;
    std::chrono::steady_clock::time_point at;
  };

  void indicate(const std::vector<ObjectPtr>& objects) override {
    std::lock_guard lock(mutex_);
    for (const auto& o : objects)
      deliveries_.push_back({narrow_utf8(wmi_get_text(*o, L"EventDescription")), std::this_thread::get_id(),
                             std::chrono::steady_clock::now()});
    arrived_.notify_all();
  }
  void set_status(HResult status) override {
    std::lock_guard lock(mutex_);
    statuses_.push_back(status);
  }
  // The deliveries once there are `count` of them, or when `timeout` has passed.
  std::vector<Delivery> wait_for(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [&] { return deliveries_.size() >= count; });
    return deliveries_;
  }
  std::vector<HResult> statuses() {
    std::lock_guard lock(mutex_);
    return statuses_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Delivery> deliveries_;
  std::vector<HResult> statuses_;
};

void append(const std::string& path, const std::string& description) {
  simstack::StateFile(path).update([&](Json& doc) {
    simstack::append_event(doc, simstack::make_event(4, "test", description));
    return true;
  });
}

std::vector<std::string> descriptions(const Json& events) {
  std::vector<std::string> out;
  for (const auto& e : events) out.push_back(e.value("EventDescription", ""));
  return out;
}

}  // namespace

TEST(EventDelivery, OnlyEventsAppendedAfterTheSubscriptionEachWithinTheBound) {
  TempDir dir;
  Json doc = empty_host();
  doc["events"] = Json::array({{{"InstanceName", "by hand"}, {"EventDescription", "history 0"}}});
  simstack::append_event(doc, simstack::make_event(4, "test", "history 1"));
  const auto path = write_json(dir.file("s.json"), doc);
  SimSession sim(path);
  auto sink = std::make_shared<RecordingSink>();
  std::unique_ptr<Subscription> subscription;
  ASSERT_EQ(sim.services->exec_notification_query_async(kQuery, sink, subscription), kS_OK);
  ASSERT_TRUE(subscription);

  for (std::size_t i = 0; i < 3; ++i) {
    append(path, "new " + std::to_string(i));
    const auto appended = std::chrono::steady_clock::now();
    auto got = sink->wait_for(i + 1, 2s);
    ASSERT_EQ(got.size(), i + 1);
    EXPECT_EQ(got[i].description, "new " + std::to_string(i));
    EXPECT_LT(got[i].at - appended, kDeliveryBound);
    EXPECT_NE(got[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(subscription->cancel(), kS_OK);
  EXPECT_EQ(sink->statuses(), std::vector<HResult>{kCallCancelled});
  append(path, "after the end");
  EXPECT_EQ(sink->wait_for(4, 300ms).size(), 3u);
}

TEST(EventDelivery, AFullLogStillTellsWhatIsNew) {
  TempDir dir;
  Json doc = empty_host();
  for (int i = 0; i < 1005; ++i) simstack::append_event(doc, simstack::make_event(4, "test", "old"));
  ASSERT_EQ(doc["events"].size(), simstack::kEventLogSize);
  const auto path = write_json(dir.file("s.json"), doc);
  SimSession sim(path);
  auto sink = std::make_shared<RecordingSink>();
  std::unique_ptr<Subscription> subscription;
  ASSERT_EQ(sim.services->exec_notification_query_async(kQuery, sink, subscription), kS_OK);
  append(path, "a");
  append(path, "b");
  auto got = sink->wait_for(2, 2s);
  subscription.reset();  // cancels
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].description, "a");
  EXPECT_EQ(got[1].description, "b");
  const Json events = read_json(path)["events"];
  EXPECT_EQ(events.size(), simstack::kEventLogSize);  // the oldest went
  EXPECT_EQ(simstack::event_sequence(events.back()), 1007u);
}

TEST(EventDelivery, SubscriptionFailures) {
  const std::tuple<Json, std::wstring, HResult> cases[] = {
      {"0x80041001", kQuery, kWBEM_E_FAILED},
      {true, kQuery, kE_FAIL},
      {nullptr, L"select * from Other_Class", kWBEM_E_INVALID_CLASS},
      {nullptr, L"SELECT * FROM MPIO_EventEntry WHERE Severity = 1", hr_from_bits(0x80041017u)},
  };
  for (const auto& [fault, query, expected] : cases) {
    TempDir dir;
    Json doc = empty_host();
    if (!fault.is_null()) doc["faults"]["notification"] = fault;
    SimSession sim(write_json(dir.file("s.json"), doc));
    std::unique_ptr<Subscription> subscription;
    EXPECT_EQ(sim.services->exec_notification_query_async(query, std::make_shared<RecordingSink>(), subscription),
              expected)
        << narrow_utf8(query);
    EXPECT_FALSE(subscription);
  }
}

// The simulated driver raises an event when a method changes a policy, a path's state
// or a path's status, and none when the call changes nothing.
using DriverEvents = ConfigTest;

TEST_F(DriverEvents, RaisedForChangesOnly) {
  auto& f6 = host(family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}, {12, 1, 0, 1}}}}));
  EXPECT_EQ(set_path_state(f6.session, "SN-A", 11, "standby"), 0);
  EXPECT_EQ(set_path_state(f6.session, "SN-A", 11, "standby"), 0);  // already so
  EXPECT_EQ(descriptions(read_json(path_)["events"]), std::vector<std::string>{"Policy settings of MPIO\\Disk\\0 changed."});

  const std::string hba = "21000024FF3C5A01";
  auto& f5 = host(family5_config_host({{"AAAAAAAA", 2, 1, {{0x101, 1, hba}, {0x102, 0, "21000024FF3C5A02"}}},
                                       {"BBBBBBBB", 2, 1, {{0x201, 1, hba}}}}));
  EXPECT_EQ(set_hba_path_status(f5.session, hba, "failed"), 0);
  EXPECT_EQ(set_hba_path_status(f5.session, hba, "failed"), 0);
  const Json events = read_json(path_)["events"];
  EXPECT_EQ(descriptions(events),
            (std::vector<std::string>{"Status of path 101 changed to Failed.", "Status of path 201 changed to Failed."}));
  for (const auto& e : events) {
    EXPECT_EQ(e["Severity"], 3);
    EXPECT_EQ(e["Component"], "ZYRDSM");
    EXPECT_EQ(e["Active"], true);
  }
}
