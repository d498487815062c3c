// pathmgr --json listen: a line once it listens, then one JSON document per event per
// line, each flushed as it comes; its end and its failure as in text mode.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "output/event_lines.h"
#include "simstack/driver/event_log.h"
#include "test_support.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kPatience = 10s;
const std::string kListening = "\"listening\":true}\n";

void append(const std::string& path, const Json& event) {
  simstack::StateFile(path).update([&](simstack::JsonDocument& doc) {
    simstack::append_event(doc, simstack::JsonMaker(doc).copy(host_json(event)));
    return true;
  });
}

std::vector<nlohmann::json> json_lines(const std::string& output) {
  std::vector<nlohmann::json> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = output.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(nlohmann::json::parse(output.substr(at, end - at)));
  EXPECT_EQ(at, output.size()) << "a line left unended";
  return lines;
}

}  // namespace

TEST(EventLines, OneParseableLinePerEventFlushedAsItComes) {
  TempDir dir;
  const std::string path = write_json(dir.file("s.json"), empty_host());
  auto listener = start_pathmgr({"--json", "listen"}, path, {"TZ=UTC"});
  ASSERT_TRUE(listener->wait_for_output(kListening, kPatience)) << listener->output();
  // The subscription starts after the first line: probes until one arrives.
  int probes = 0;
  const auto give_up = std::chrono::steady_clock::now() + kPatience;
  while (listener->output().find("\"probe\"") == std::string::npos && std::chrono::steady_clock::now() < give_up) {
    append(path, {{"InstanceName", "MPIO_EventEntry_0"}, {"Severity", 4}, {"EventDescription", "probe"}});
    ++probes;
    listener->wait_for_output("\"probe\"", 100ms);
  }
  const Json events[] = {
      {{"InstanceName", "MPIO_EventEntry_7"}, {"Active", true}, {"TimeStamp", "116444736019999999"}, {"Severity", 2},
       {"Component", "ZYRDSM"}, {"EventDescription", "Contr\u00f4leur B \u2014 \u65ad\u7ebf"}},
      {{"InstanceName", "MPIO_EventEntry_8"}, {"Active", false}, {"Severity", 9},
       {"Component", "a\tb"}, {"EventDescription", "line\nbreak \"quoted\""}},
      {{"InstanceName", "MPIO_EventEntry_9"}, {"Active", true}, {"TimeStamp", "18446744073709551615"}, {"Severity", 1}},
  };
  for (const Json& e : events) append(path, e);
  ASSERT_TRUE(listener->wait_for_output("MPIO_EventEntry_9", kPatience)) << listener->output();
  listener->close_input();
  EXPECT_EQ(listener->wait(kPatience), 0);

  const auto lines = json_lines(listener->output());
  ASSERT_GE(lines.size(), 4u) << listener->output();
  ASSERT_EQ(lines.back()["instance_name"], "MPIO_EventEntry_9") << listener->output();
  EXPECT_EQ(lines[0]["format"], "pathmgr-event/1");
  EXPECT_EQ(lines[0]["listening"], true);
  const auto& a = lines[lines.size() - 3];
  const auto& b = lines[lines.size() - 2];
  const auto& c = lines[lines.size() - 1];
  EXPECT_EQ(a["instance_name"], "MPIO_EventEntry_7");
  EXPECT_EQ(a["active"], true);
  EXPECT_EQ(a["active_number"], -1);
  EXPECT_EQ(a["timestamp"], "116444736019999999");  // past 2^53: decimal text
  EXPECT_EQ(a["time"], "Thu Jan  1 00:00:01 1970");
  EXPECT_EQ(a["time_utc"], "1970-01-01T00:00:01.9999999Z");
  EXPECT_EQ(a["severity"], 2);
  EXPECT_EQ(a["severity_name"], "Error");
  EXPECT_EQ(a["description"], "Contr\u00f4leur B \u2014 \u65ad\u7ebf");
  EXPECT_EQ(b["active"], false);
  EXPECT_EQ(b["active_number"], 0);
  EXPECT_TRUE(b["timestamp"].is_null());
  EXPECT_TRUE(b["time"].is_null());
  EXPECT_TRUE(b["time_utc"].is_null());
  EXPECT_EQ(b["severity_name"], "Unknown");
  EXPECT_EQ(b["component"], "a\tb");
  EXPECT_EQ(b["description"], "line\nbreak \"quoted\"");
  EXPECT_EQ(c["timestamp"], "18446744073709551615");
  EXPECT_TRUE(c["time_utc"].is_null());  // past the year 9999
  EXPECT_EQ(c["component"], "");  // missing: empty, as the text prints it
}

TEST(EventLines, AFailedSubscriptionIsAnErrorLineWithTheTextModesStatus) {
  TempDir dir;
  Json doc = empty_host();
  doc["faults"]["notification"] = "0x80041001";
  const std::string path = write_json(dir.file("s.json"), doc);
  const ProcessResult r = run_pathmgr({"--json", "listen"}, path, "\n");
  EXPECT_EQ(r.exit_code, 1);
  const auto lines = json_lines(r.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["listening"], true);
  EXPECT_EQ(lines[1]["error"], "failed");
  EXPECT_EQ(lines[1]["text"], "command failed!\n");
}

TEST(EventLines, UtcTimeOfTimeStamps) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "1601-01-01T00:00:00.0000000Z"},
      {116444736000000000ull, "1970-01-01T00:00:00.0000000Z"},
      {116444736000000000ull - 1, "1969-12-31T23:59:59.9999999Z"},
      {133537248000000000ull + 5, "2024-03-01T00:00:00.0000005Z"},  // after a leap day
      {133537247990000000ull, "2024-02-29T23:59:59.0000000Z"},
      {2650467743999999999ull, "9999-12-31T23:59:59.9999999Z"},
  };
  for (const auto& [units, text] : cases) EXPECT_EQ(utc_time_text(units), std::optional<std::string>(text)) << units;
  EXPECT_EQ(utc_time_text(2650467744000000000ull), std::nullopt);
  EXPECT_EQ(utc_time_text(UINT64_MAX), std::nullopt);
}
