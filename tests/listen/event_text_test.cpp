// The text of one event and the printer's sink: the time text, values that are
// missing or malformed, deliveries that overlap. (The layout itself is checked on the
// output of pathmgr listen.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <sstream>
#include <thread>

#include "listen/event_printer.h"
#include "listen/event_text.h"
#include "text/text_convert.h"

using namespace wmi;

namespace {

// An event object holding the given properties; any other is not found.
class FakeEvent : public Object {
 public:
  explicit FakeEvent(std::map<std::wstring, Value> values) : values_(std::move(values)) {}
  std::wstring class_name() const override { return L"MPIO_EventEntry"; }
  HResult get(std::wstring_view name, Value& out) const override {
    auto it = values_.find(std::wstring(name));
    if (it == values_.end()) return kWBEM_E_NOT_FOUND;
    out = it->second;
    return kS_OK;
  }
  HResult put(const std::wstring&, const Value&) override { return kWBEM_E_FAILED; }
  std::vector<std::wstring> property_names() const override { return {}; }
  HResult spawn_instance(ObjectPtr&) const override { return kWBEM_E_FAILED; }
  HResult get_method(const std::wstring&, ObjectPtr&) const override { return kWBEM_E_FAILED; }

 private:
  std::map<std::wstring, Value> values_;
};

Value u32(std::uint32_t v) {
  Value out;
  out.vt = VT_UI4;
  out.integer = v;
  return out;
}

// 1 January 1970, 00:00:00 UTC in 100-ns units since 1601.
const std::wstring kEpoch1970 = L"116444736000000000";

std::shared_ptr<FakeEvent> event(const std::wstring& name, bool active, const std::wstring& stamp,
                                 std::uint32_t severity, const std::wstring& component,
                                 const std::wstring& description) {
  return std::make_shared<FakeEvent>(std::map<std::wstring, Value>{
      {L"InstanceName", Value::bstr(name)},
      {L"Active", Value::boolean(active)},
      {L"TimeStamp", Value::bstr(stamp)},
      {L"Severity", u32(severity)},
      {L"Component", Value::bstr(component)},
      {L"EventDescription", Value::bstr(description)}});
}

class EventText : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
};

}  // namespace

TEST_F(EventText, TimeText) {
  const std::pair<const wchar_t*, const char*> table[] = {
      {L"116444736000000000", "Thu Jan  1 00:00:00 1970"},
      {L"116444736009999999", "Thu Jan  1 00:00:00 1970"},  // sub-second parts dropped, not rounded
      {L"116444736010000000", "Thu Jan  1 00:00:01 1970"},
      {L"134080416000000000", "Wed Nov 19 16:00:00 2025"},
      {L"116444736000000000xyz", "Thu Jan  1 00:00:00 1970"},  // digits up to the first other character
      // No valid local time: empty, and nothing removed from the empty text.
      {L"", ""},
      {L"abc", ""},
      {L"-1", ""},
      {L"116444735999999999", ""},                            // the last instant before 1970
      {L"0", ""},
      {L"18446744073709551615", ""},                          // beyond year 9999
      {L"99999999999999999999999", ""},                       // does not fit 64 bits
  };
  for (const auto& [stamp, text] : table) EXPECT_EQ(event_time_text(Value::bstr(stamp)), text) << narrow_utf8(stamp);
}

TEST_F(EventText, MissingOrNullPropertiesPrintEmptyAndAnEmptyBatchNothing) {
  FakeEvent nulls({{L"InstanceName", Value::null()}, {L"Component", Value::null()},
                   {L"EventDescription", Value::null()}, {L"TimeStamp", Value::null()}});
  const std::string empty_event = " InstanceName : \n Active : 0\n TimeStamp : \n Severity : Unknown\n Component : \n"
                                  " EventDescription : \n\n";
  EXPECT_EQ(format_event(nulls), empty_event);
  EXPECT_EQ(format_event(FakeEvent({})), empty_event);
  std::ostringstream out;
  EventPrinter printer(out);
  printer.indicate({});
  EXPECT_EQ(out.str(), "");
}

TEST_F(EventText, OverlappingDeliveriesKeepEachEventWhole) {
  std::ostringstream out;
  EventPrinter printer(out);
  constexpr int kThreads = 4;
  constexpr int kBatches = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&printer, t] {
      const std::wstring name = L"thread" + std::to_wstring(t);
      std::vector<ObjectPtr> batch{event(name, true, kEpoch1970, 4, name, name), event(name, false, L"", 2, name, name)};
      for (int i = 0; i < kBatches; ++i) printer.indicate(batch);
    });
  for (auto& t : threads) t.join();
  // Cut into blocks at the empty lines: each block is one whole event of one thread.
  const std::string text = out.str();
  std::size_t blocks = 0;
  for (std::size_t at = 0; at < text.size(); ++blocks) {
    const std::size_t end = text.find("\n\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string block = text.substr(at, end + 2 - at);
    const std::string name = block.substr(16, 7);  // after " InstanceName : "
    EXPECT_TRUE(block == format_event(*event(widen_utf8(name), true, kEpoch1970, 4, widen_utf8(name), widen_utf8(name))) ||
                block == format_event(*event(widen_utf8(name), false, L"", 2, widen_utf8(name), widen_utf8(name))))
        << block;
    at = end + 2;
  }
  EXPECT_EQ(blocks, static_cast<std::size_t>(kThreads * kBatches * 2));
}
