#include "wmi/sim_notification.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <sstream>
#include <system_error>
#include <thread>

#include "simstack/driver/event_log.h"
#include "simstack/faults/faults.h"
#include "simstack/state_file/file_lock.h"
#include "text/text_convert.h"

namespace wmi {

namespace {

using simstack::FileIdentity;
using simstack::Json;

constexpr HResult kWBEM_E_INVALID_QUERY = hr_from_bits(0x80041017u);
constexpr HResult kWBEM_E_CALL_CANCELLED = hr_from_bits(0x80041032u);
// How often the file is looked at: a look is a stat of the file (and a read only when
// it changed), and an event so arrives well within 200 ms.
constexpr std::chrono::milliseconds kLookInterval{50};

// "SELECT * FROM <class>", keywords in any case: the class, or nothing.
std::optional<std::string> selected_class(const std::wstring& query) {
  std::istringstream words(narrow_utf8(query));
  std::string select, star, from, class_name, rest;
  words >> select >> star >> from >> class_name;
  if (!simstack::equal_nocase(select, "SELECT") || star != "*" || !simstack::equal_nocase(from, "FROM") ||
      class_name.empty() || (words >> rest))
    return std::nullopt;
  return class_name;
}

// The host as the file holds it now, read under the shared lock, with the identity of
// the file it came from.
struct LogRead {
  std::optional<FileIdentity> identity;
  std::shared_ptr<const simstack::HostDocument> host;
  const simstack::Json* events() const { return simstack::member_nocase(host->json(), "events"); }
};

LogRead read_log(const simstack::StateFile& file) {
  auto lock = file.lock(false);
  return {file.identity(), file.read_locked()};
}

class SimEventSubscription : public Subscription {
 public:
  SimEventSubscription(const std::string& path, const LogRead& at_start, std::shared_ptr<NotificationSink> sink,
                       EventObjectMaker make_object)
      : file_(path), seen_(at_start.identity), cursor_(at_start.events()), sink_(std::move(sink)),
        make_object_(std::move(make_object)) {}

  ~SimEventSubscription() override { cancel(); }

  void start() { thread_ = std::thread([this] { run(); }); }

  HResult cancel() override {
    if (!thread_.joinable()) return kS_OK;
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    stopped_.notify_all();
    thread_.join();
    return kS_OK;
  }

 private:
  void run() {
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        if (stopped_.wait_for(lock, kLookInterval, [this] { return stop_; })) break;
      }
      try {
        deliver_new_events();
      } catch (...) {
        // A file that cannot be read or parsed now is looked at again when it changes.
      }
    }
    sink_->set_status(kWBEM_E_CALL_CANCELLED);  // the query's end, as WMI reports it
  }

  void deliver_new_events() {
    const auto now = simstack::file_identity(file_.path());
    if (now && seen_ && *now == *seen_) return;
    LogRead log = read_log(file_);
    seen_ = log.identity;
    std::vector<ObjectPtr> batch;
    for (const simstack::Json* event : cursor_.appended(log.events())) batch.push_back(make_object_(log.host, *event));
    if (!batch.empty()) sink_->indicate(batch);
  }

  const simstack::StateFile file_;
  std::optional<FileIdentity> seen_;  // of the file last read
  simstack::EventLogCursor cursor_;   // the log as last read: what it holds is history
  const std::shared_ptr<NotificationSink> sink_;
  const EventObjectMaker make_object_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stop_ = false;  // under mutex_
  std::thread thread_;
};

}  // namespace

HResult start_event_delivery(simstack::SimHost& host, const std::string& ns, const std::wstring& query,
                             std::shared_ptr<NotificationSink> sink, EventObjectMaker make_object,
                             std::unique_ptr<Subscription>& out) {
  if (auto fault = simstack::notification_fault(*host.document())) return *fault;
  auto class_name = selected_class(query);
  if (!class_name) return kWBEM_E_INVALID_QUERY;
  if (!simstack::equal_nocase(*class_name, "MPIO_EventEntry") || !simstack::equal_nocase(ns, "ROOT\\WMI"))
    return kWBEM_E_INVALID_CLASS;
  try {
    // What the log holds now is history: only events appended from here on are delivered.
    auto subscription = std::make_unique<SimEventSubscription>(host.path(), read_log(simstack::StateFile(host.path())),
                                                               std::move(sink), std::move(make_object));
    subscription->start();
    out = std::move(subscription);
  } catch (const simstack::StateError&) {
    return kWBEM_E_FAILED;
  } catch (const std::system_error&) {
    return kWBEM_E_FAILED;  // no thread to deliver on
  }
  return kS_OK;
}

}  // namespace wmi
