// The commands that change something, in text mode and with --json on two copies of
// the same host: the same changes reach the driver stack, the registry and the disks
// (the journals are equal), the exit status is the same, and the document holds what
// was asked, the outcome, the result and the text the text mode prints.
#include <gtest/gtest.h>

#include "output/document_checks.h"
#include "simstack/host_makers/host_generator.h"

namespace {

const std::string kSerial6 = "60B5E718008000000000000000000000";
const std::string kSerial5 = "11111112-01";

Json generated(unsigned family) {
  simstack::HostSpec spec;
  spec.family = family;
  spec.devices = 3;
  spec.paths_per_device = 2;
  return generated_host(spec);
}

void fail_method(Json& doc, const char* method) {
  doc["faults"]["methods"] = Json::array({{{"method", method}, {"hresult", "0x80041001"}}});
}

struct ChangeCase {
  unsigned family;
  std::vector<std::string> args;
  bool ok;                           // the outcome the document gives
  void (*prepare)(Json&) = nullptr;  // faults
  const char* format = "pathmgr-change/1";
};

// The text mode's output without the shell's own failure line: what the command printed.
std::string command_text(const ProcessResult& text) {
  const std::string failed = "command failed!\n";
  std::string out = text.out;
  if (out.size() >= failed.size() && out.compare(out.size() - failed.size(), failed.size(), failed) == 0)
    out.resize(out.size() - failed.size());
  return out;
}

}  // namespace

TEST(ChangeDocuments, SameChangeSameStatusAndTheTextAsMessage) {
  const ChangeCase cases[] = {
      {6, {"devinfo", kSerial6, "FailOver"}, true},
      {6, {"devinfo", "all", "Weighted"}, true},
      {6, {"devinfo", "nosuch", "rou"}, false},
      {6, {"devinfo", kSerial6, "rou"}, false, [](Json& d) { fail_method(d, "DsmSetLoadBalancePolicyALUA"); }},
      {6, {"devinfo", "ALL", "rou"}, false, [](Json& d) { fail_method(d, "DsmSetLoadBalancePolicyALUA"); }},
      {6, {"pathinfo", kSerial6, "77030000", "standby"}, true},
      {6, {"pathinfo", kSerial6, "77030000", "Stand"}, false},
      {6, {"pathinfo", kSerial6, "77020000", "0"}, true},  // already so: nothing sent
      {6, {"clear"}, true},
      {6, {"clear", "sn", kSerial6}, true},
      {6, {"clear"}, false, [](Json& d) { fail_method(d, "MSDsmClearCounters"); }},
      {6, {"preferred", kSerial6, "77020000", "TRUE"}, false},  // not FailOver
      {6, {"preferred", kSerial6, "77020000", "yes"}, false},
      {6, {"weight", kSerial6, "77020000", "5"}, false},  // not Weighted
      {6, {"secondary", "77020000"}, false},
      {6, {"dsminfo", "set", "ZYRDSM", "RetryCount", "5", "pathverifyenabled", "TRUE"}, true},
      {6, {"dsminfo", "set", "zyrdsm", "RetryCount", "5"}, false},
      {6, {"dsminfo", "set", "ZYRDSM", "RetryCount", "30s"}, false},
      {6, {"set", "DbgPrintLevel", "-1"}, true},
      {6, {"set", "Nope", "1"}, false},
      {6, {"set", "DbgPrintLevel", "1"}, false,
       [](Json& d) {
         d["faults"]["registry_write"] = Json::array({"HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters"});
       }},
      {6, {"set", "DbgPrintLevel", "1", "extra"}, true},
      {6, {"pgr", "enable", "ABCDEFGH"}, true},
      {6, {"pgr", "enable", "SEVEN77"}, false},
      {6, {"pgr", "disable"}, true},
      {6, {"pgr", "register", "1", "ABCDEFGH"}, true},
      {6, {"pgr", "res", "2.0.0.0", "ABCDEFGH"}, false},  // not registered: a conflict
      {6, {"pgr", "tur", "9"}, false},                     // no such disk: the request fails
      {6, {"pgr", "tur", "x.y"}, false},
      {6, {"pgr", "register", "1"}, false},
      {5, {"devinfo", kSerial5, "FailOver"}, true},
      {5, {"devinfo", kSerial5, "failback-on"}, false},  // not fail-over: nothing sent
      {5, {"pathinfo", "21000B5E713C5A01", "failed"}, true},
      {5, {"pathinfo", "21000b5e713c5a01", "failed"}, false, nullptr, "pathmgr-error/1"},  // no such port: the help
      {5, {"primary", "00010002"}, true},
      {5, {"primary", "0000FFFF"}, false},
      {5, {"weight", "00010001", "3"}, true},
      {5, {"clear"}, true},
      {5, {"clear"}, false, [](Json& d) { fail_method(d, "ZyrDsmClearCounters"); }},
      {6, {"devinfo", kSerial6, "ro"}, false, nullptr, "pathmgr-error/1"},  // the help: no policy word
  };
  TempDir dir;
  for (const ChangeCase& c : cases) {
    std::string what;
    for (const auto& a : c.args) what += a + " ";
    Json doc = generated(c.family);
    if (c.prepare) c.prepare(doc);
    const std::string text_host = write_json(dir.file("text.json"), doc);
    const std::string json_host = write_json(dir.file("json.json"), doc);
    const ProcessResult text = run_pathmgr(c.args, text_host);
    std::vector<std::string> json_args{"--json"};
    json_args.insert(json_args.end(), c.args.begin(), c.args.end());
    const ProcessResult json_run = run_pathmgr(json_args, json_host);
    const Document d = parse_document(json_run.out);

    EXPECT_EQ(json_run.exit_code, text.exit_code) << what;
    for (const char* part : {"journal", "registry", "scsi"})
      EXPECT_EQ(read_json(text_host)[part], read_json(json_host)[part]) << what << part;
    EXPECT_EQ(d["format"], c.format) << what;
    if (std::string(c.format) == "pathmgr-error/1") {
      EXPECT_EQ(d["error"], "usage") << what;
      EXPECT_EQ(d["text"], text.out) << what;
      continue;
    }
    EXPECT_EQ(d["command"], c.args[0]) << what;
    EXPECT_EQ(d["family"], c.family);
    EXPECT_EQ(d["ok"], c.ok) << what << json_run.out;
    EXPECT_EQ(d["message"], command_text(text)) << what;
    EXPECT_EQ(text.out.size() - command_text(text).size() > 0, d["status"] != 0) << what;
    const int status = d["status"].get<int>();
    EXPECT_EQ(text.exit_code, status != 0 && (status & 0xFF) == 0 ? 1 : status & 0xFF) << what;
    EXPECT_TRUE(d["request"].is_object()) << what;
  }
}

// What a change was asked and what each of its parts did, as values.
TEST(ChangeDocuments, RequestsAndResultsAsValues) {
  TempDir dir;
  const std::string host = write_json(dir.file("h.json"), generated(6));
  const Document state = parse_document(run_pathmgr({"--json", "pathinfo", kSerial6, "0x77030000", "2"}, host).out);
  EXPECT_EQ(state["request"], Document::parse(R"({"serial_number":")" + kSerial6 +
                                              R"(","path_id":1996685312,"path_id_hex":"77030000","state":"2"})"));
  const Document all = parse_document(run_pathmgr({"--json", "devinfo", "all", "LeastBlocks"}, host).out);
  ASSERT_EQ(all["devices"].size(), 3u);
  EXPECT_EQ(all["devices"][0]["serial_number"], kSerial6);
  EXPECT_EQ(all["devices"][2]["ok"], true);
  const Document registered = parse_document(run_pathmgr({"--json", "pgr", "register", "1", "ABCDEFGH"}, host).out);
  EXPECT_EQ(registered["request"], Document::parse(R"({"subcommand":"register","device":"1","key":"ABCDEFGH"})"));
  ASSERT_EQ(registered["results"].size(), 1u);
  EXPECT_EQ(registered["results"][0], Document::parse(R"({"path":"\\\\.\\PhysicalDrive1","result":1,"scsi_status":0,
                                                          "sense_key":0,"asc":0,"ascq":0})"));
  const Document conflict = parse_document(run_pathmgr({"--json", "pgr", "reserve", "2.0.0.0", "ZZZZZZZZ"}, host).out);
  EXPECT_EQ(conflict["results"][0]["scsi_status"], 0x18);  // RESERVATION CONFLICT: no such registration
  EXPECT_EQ(conflict["ok"], false);
  const Document timers = parse_document(run_pathmgr({"--json", "dsminfo", "set", "ZYRDSM", "RetryCount", "7"}, host).out);
  EXPECT_EQ(timers["request"]["settings"], Document::parse(R"([{"name":"RetryCount","value":"7"}])"));
  const Document shown = parse_document(run_pathmgr({"--json", "dsminfo"}, host).out);
  EXPECT_EQ(shown["dsms"][1]["retry_count"], 7);
}
