// Event queries of the simulated provider: only what is appended after the
// subscription, within 200 ms, on a thread of its own; the events the simulated
// driver raises; the failures a host file asks for.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "config/config_hosts.h"
#include "config/path_state.h"
#include "simstack/driver/event_log.h"
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

// Appends an event as the simulated platform and its tool do.
void append(const std::string& path, const std::string& description) {
  simstack::StateFile(path).update([&](simstack::JsonDocument& doc) {
    simstack::append_event(doc, simstack::make_event(doc.GetAllocator(), 4, "test", description));
    return true;
  });
}

// Appends events as a person editing the file does: no lock, the file rewritten in place.
void append_by_hand(const std::string& path, const std::vector<std::string>& descriptions) {
  Json doc = read_json(path);
  for (const auto& d : descriptions)
    doc["events"].push_back({{"InstanceName", "MPIO_EventEntry_0"}, {"EventDescription", d}});
  write_json(path, doc);
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
  const auto path = write_json(dir.file("s.json"), doc);
  append(path, "history 1");
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

// A log kept at its size, the same event many times over, and events appended by hand
// without the platform's lock: each new event once, in order.
TEST(EventDelivery, AFullLogAndEventsAppendedByHandStillTellWhatIsNew) {
  TempDir dir;
  const auto path = write_json(dir.file("s.json"), empty_host());
  simstack::StateFile(path).update([](simstack::JsonDocument& doc) {
    for (int i = 0; i < 1005; ++i) simstack::append_event(doc, simstack::make_event(doc.GetAllocator(), 4, "test", "old"));
    return true;
  });
  ASSERT_EQ(read_json(path)["events"].size(), simstack::kEventLogSize);  // the oldest went
  SimSession sim(path);
  auto sink = std::make_shared<RecordingSink>();
  std::unique_ptr<Subscription> subscription;
  ASSERT_EQ(sim.services->exec_notification_query_async(kQuery, sink, subscription), kS_OK);
  append(path, "a");
  ASSERT_EQ(sink->wait_for(1, 2s).size(), 1u);
  append_by_hand(path, {"b", "old"});
  ASSERT_EQ(sink->wait_for(3, 2s).size(), 3u);
  append(path, "c");
  auto got = sink->wait_for(4, 2s);
  subscription.reset();  // cancels
  std::vector<std::string> seen;
  for (const auto& d : got) seen.push_back(d.description);
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "old", "c"}));
  EXPECT_EQ(read_json(path)["events"].size(), simstack::kEventLogSize);
}

// What a listener takes as appended when the log it last read (`before`) became `now`.
TEST(EventDelivery, TheLogCursorLinesTheNewLogUpAgainstTheOld) {
  struct Case {
    std::vector<int> before, now, appended;
  };
  for (const Case& c : {Case{{}, {1, 2}, {1, 2}}, Case{{1, 2}, {1, 2, 3}, {3}}, Case{{1, 2}, {1, 2}, {}},
                        Case{{1, 2, 3}, {2, 3, 4}, {4}}, Case{{1, 2, 3}, {3, 4, 5}, {4, 5}},
                        Case{{7, 7}, {7, 7, 7}, {7}}, Case{{7, 7, 7}, {7, 7, 8}, {8}}, Case{{1, 2}, {}, {}},
                        Case{{1, 2}, {5, 6}, {}}, Case{{1, 2, 3}, {1, 9, 3, 4}, {}}}) {
    const auto log = [](const std::vector<int>& ids) {
      Json events = Json::array();
      for (int id : ids) events.push_back({{"EventDescription", std::to_string(id)}});
      return host_json(events);
    };
    const simstack::JsonDocument before = log(c.before), now = log(c.now);
    simstack::EventLogCursor cursor(&before);
    std::vector<int> appended;
    for (const simstack::Json* e : cursor.appended(&now))
      appended.push_back(std::stoi(simstack::text_member(*e, "EventDescription")));
    EXPECT_EQ(appended, c.appended) << ::testing::PrintToString(c.before) << " -> " << ::testing::PrintToString(c.now);
  }
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
