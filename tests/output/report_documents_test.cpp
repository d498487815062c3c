// Every value of each text report against the JSON document of the same command, on
// generated hosts of both families and on the hand-written report hosts (their edge
// cases: paths without records, devices without paths, wide counters, long drive
// names), and the exit statuses of both modes in success and failure.
#include <gtest/gtest.h>

#include <map>

#include "output/document_checks.h"
#include "output/text_reports.h"
#include "reports/report_hosts.h"
#include "simstack/host_makers/host_generator.h"

namespace {

struct HostCase {
  const char* name;
  bool family5;
  Json (*make)();
};

Json with_reservations(Json doc) {
  // Two registrations and a reservation on the first unit: something for pgr list to decode.
  Json& unit = doc["scsi"][0];
  unit["registrations"] = Json::array({{{"port", 2}, {"key", "4142434445464748"}}, {{"port", 3}, {"key", "0000000000000007"}}});
  unit["reservation"] = {{"port", 2}, {"key", "4142434445464748"}, {"type", 6}, {"scope", 0}};
  unit["generation"] = 5;
  return doc;
}

Json generated6() {
  simstack::HostSpec spec;
  spec.devices = 6;
  spec.paths_per_device = 4;
  spec.seed = 7;
  return with_reservations(generated_host(spec));
}

Json generated5() {
  simstack::HostSpec spec;
  spec.family = 5;
  spec.devices = 5;
  spec.paths_per_device = 3;
  spec.pathless_disks = 2;
  spec.seed = 3;
  return with_reservations(generated_host(spec));
}

const HostCase kHosts[] = {
    {"Generated6", false, generated6},
    {"Generated5", true, generated5},
    {"Report6", false, family6_report_host},
    {"Report5", true, family5_report_host},
};

class ReportDocuments : public ::testing::TestWithParam<HostCase> {
 protected:
  void SetUp() override { path_ = write_json(dir_.file("host.json"), GetParam().make()); }
  bool family5() const { return GetParam().family5; }
  bool generated() const { return std::string(GetParam().name).rfind("Generated", 0) == 0; }
  // Both modes succeed, with the same exit status, and the document is the report's.
  BothModes report(const std::vector<std::string>& args, const std::string& command) {
    BothModes r = run_both(args, path_);
    EXPECT_EQ(r.text.exit_code, 0) << r.text.out;
    EXPECT_EQ(r.json_run.exit_code, r.text.exit_code);
    EXPECT_EQ(r.json.value("format", ""), "pathmgr-report/1") << r.json_run.out;
    EXPECT_EQ(r.json.value("command", ""), command);
    EXPECT_EQ(r.json.value("family", 0), family5() ? 5 : 6);
    return r;
  }
  TempDir dir_;
  std::string path_;
};

std::string serial_of(const Document& devinfo, std::size_t i) {
  return devinfo["devices"][i]["serial_number"].is_string() ? devinfo["devices"][i]["serial_number"].get<std::string>()
                                                             : std::string("N/A");
}

}  // namespace

TEST_P(ReportDocuments, Devinfo) {
  BothModes r = report({"devinfo"}, "devinfo");
  const auto rows = rows_under_rule(r.text.out);
  const Document& devices = r.json["devices"];
  ASSERT_EQ(rows.size(), devices.size());
  ASSERT_FALSE(rows.empty());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto w = words_of(rows[i]);
    ASSERT_EQ(w.size(), family5() ? 5u : 4u) << rows[i];
    EXPECT_TRUE(shows(w[0], devices[i]["device"]));
    EXPECT_TRUE(shows(w[1], devices[i]["serial_number"]));
    EXPECT_TRUE(shows(w[2], devices[i]["policy"]));
    EXPECT_TRUE(shows(w[3], devices[i]["paths"]));
    if (family5()) {
      EXPECT_TRUE(shows(w[4], devices[i]["failback"]));
    }
    if (w[2] != "Unknown") {
      EXPECT_TRUE(devices[i]["policy_number"].is_number());
    }
  }
}

TEST_P(ReportDocuments, PathinfoListsAndFilters) {
  const std::string first_serial = serial_of(run_both({"devinfo"}, path_).json, 0);
  std::vector<std::vector<std::string>> forms = {{"pathinfo"}, {"pathinfo", "sn", first_serial}, {"pathinfo", "SN", "nope"}};
  if (family5()) forms.push_back({"pathinfo", "hba", "21000B5E713C5A02"});
  // The labels of a block and the members that hold their values.
  const std::map<std::string, std::string> members = {
      {"Policy", "policy"},           {"SerialNumber", "serial_number"}, {"State", "state"},
      {"Weight", "weight"},           {"ScsiAddress", "scsi_address"},   {"Preferred", "preferred"},
      {"Failed", "failed"},           {"ALUASupport", "alua_support"},   {"SymmetricLUA", "symmetric_lua"},
      {"TPGIdentifier", "tpg_identifier"}, {"TPIdentifier", "tp_identifier"}, {"TPGState", "tpg_state"},
      {"TPGPreferred", "tpg_preferred"}, {"Primary", "primary"},         {"HbaWWPN", "hba_wwpn"},
      {"CtrlPortWWPN", "ctrl_port_wwpn"}, {"BytesRead", "bytes_read"},   {"BytesWritten", "bytes_written"},
      {"NumberReads", "number_reads"}, {"NumberWrites", "number_writes"}};
  for (const auto& args : forms) {
    BothModes r = report(args, "pathinfo");
    const LabelledText text = labelled_blocks(r.text.out, 16, "Policy");
    const Document& paths = r.json["paths"];
    ASSERT_EQ(text.blocks.size(), paths.size()) << args.back();
    EXPECT_EQ(static_cast<std::size_t>(text.errors), r.json["missing_records"].size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
      for (const auto& [label, value] : text.blocks[i]) {
        if (label == "PathId") {
          EXPECT_TRUE(shows_hex(value, paths[i]["path_id"], paths[i]["path_id_hex"]));
          continue;
        }
        ASSERT_TRUE(members.count(label)) << label;
        EXPECT_TRUE(shows(value, paths[i][members.at(label)])) << label;
      }
    }
    if (args.size() == 3 && args[1] != "hba") {
      for (const auto& p : paths) EXPECT_EQ(p.value("serial_number", ""), args[2]);
      EXPECT_EQ(r.json["filter"]["value"], args[2]);
    }
  }
}

TEST_P(ReportDocuments, PathinfoDetail) {
  const Document listing = run_both({"pathinfo"}, path_).json;
  ASSERT_FALSE(listing["paths"].empty());
  for (const std::string& id : {listing["paths"][0]["path_id_hex"].get<std::string>(), std::string("ffffffff")}) {
    BothModes r = report({"pathinfo", id}, "pathinfo");
    EXPECT_TRUE(shows_hex(id, r.json["path_id"]));
    std::vector<std::string> rows = rows_under_rule(r.text.out);
    const auto errors = std::count(rows.begin(), rows.end(), "Error occured!");
    std::erase(rows, "Error occured!");
    const Document& devices = r.json["devices"];
    ASSERT_EQ(rows.size(), devices.size());
    EXPECT_EQ(static_cast<std::size_t>(errors), r.json["missing_records"].size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const PathDetailText t = path_detail_row(rows[i]);
      EXPECT_TRUE(shows(t.serial, devices[i]["serial_number"]));
      EXPECT_TRUE(shows(t.address, devices[i]["scsi_address"]));
      EXPECT_TRUE(shows(t.drive, devices[i]["physical_drive"]));
    }
  }
}

TEST_P(ReportDocuments, Iostatus) {
  BothModes r = report({"iostatus", "ignored"}, "iostatus");
  // The rows as the text orders them: per device its paths, the path without a record,
  // or the line of a device without paths.
  std::map<std::uint64_t, std::vector<Document>> by_device;
  for (const char* list : {"paths", "missing_records", "devices_without_paths"})
    for (const Document& d : r.json[list]) {
      Document row = d;
      row["list"] = list;
      by_device[d["device"].get<std::uint64_t>()].push_back(row);
    }
  std::vector<Document> expected;
  for (auto& [device, rows] : by_device) expected.insert(expected.end(), rows.begin(), rows.end());
  const auto rows = rows_under_rule(r.text.out);
  ASSERT_EQ(rows.size(), expected.size());
  ASSERT_FALSE(rows.empty());
  std::vector<std::string> drives;  // the host's drive names, from its file
  const Json host = read_json(path_);
  for (const auto& drive : host["wmi"]["ROOT\\CIMV2"]["instances"]["Win32_DiskDrive"])
    drives.push_back(drive["DeviceID"].get<std::string>());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Document& j = expected[i];
    if (j["list"] == "missing_records") {
      EXPECT_EQ(rows[i], "Error occured!");
      continue;
    }
    const IoStatusText t = iostatus_row(rows[i], family5(), drives);
    EXPECT_TRUE(shows(t.serial, j["serial_number"])) << rows[i];
    EXPECT_TRUE(shows(t.state, j["state"])) << rows[i];
    if (j["list"] == "devices_without_paths") {
      EXPECT_EQ(t.path_id, "00000000");
      EXPECT_EQ(t.counter, "0");
      EXPECT_EQ(t.drive, "N/A");
      continue;
    }
    EXPECT_TRUE(shows_hex(t.path_id, j["path_id"], j["path_id_hex"])) << rows[i];
    EXPECT_TRUE(shows(t.counter, j["io_counter"])) << rows[i];
    EXPECT_EQ(j["io_counter"].get<std::uint64_t>(),
              j["number_reads"].get<std::uint64_t>() + j["number_writes"].get<std::uint64_t>());
    EXPECT_TRUE(shows(t.drive, j["physical_drive"])) << rows[i];
    if (family5()) {
      EXPECT_TRUE(shows(t.pending, j["pending_ios"])) << rows[i];
    }
  }
}

TEST_P(ReportDocuments, PoliciesAndDsmTimers) {
  BothModes policies = report({"policies", "x"}, "policies");
  std::vector<std::string> names;
  for (const auto& line : text_lines(policies.text.out))
    if (!line.empty()) names.push_back(line.substr(1));
  ASSERT_EQ(names.size(), policies.json["policies"].size());
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_TRUE(shows(names[i], policies.json["policies"][i]["name"]));

  BothModes dsminfo = report({"dsminfo"}, "dsminfo");
  const std::map<std::string, std::string> members = {
      {"DSM Name", "name"}, {"DSM Version", "version"}, {"Path Verify Period", "path_verify_period"},
      {"Path Verify Enabled", "path_verify_enabled"}, {"PDO Remove Period", "pdo_remove_period"},
      {"Retry Interval", "retry_interval"}, {"Retry Count", "retry_count"}};
  const LabelledText blocks = labelled_blocks(dsminfo.text.out, 24, "DSM Name");
  const Document& dsms = dsminfo.json["dsms"];
  ASSERT_EQ(blocks.blocks.size(), dsms.size());
  for (std::size_t i = 0; i < dsms.size(); ++i)
    for (const auto& [label, value] : blocks.blocks[i]) {
      if (label == "DSM Context") EXPECT_TRUE(shows_hex(value, dsms[i]["context"], dsms[i]["context_hex"]));
      else EXPECT_TRUE(shows(value, dsms[i][members.at(label)])) << label;
    }
}

namespace {

// One dumped instance (or element) against its JSON object: each label is a member.
void expect_dumped(const std::vector<DumpLine>& lines, const Document& object) {
  for (const DumpLine& line : lines) {
    const std::string& label = line.label;
    const std::string& value = line.value;
    if (label == "LoadBalancePolicy" && object["LoadBalancePolicy"].is_array()) {
      std::vector<std::string> shown;  // "a, b, \nc": the names, a line break every four
      std::string text = value;
      std::erase(text, '\n');
      for (std::size_t at = 0;;) {
        const std::size_t comma = text.find(", ", at);
        shown.push_back(text.substr(at, comma - at));
        if (comma == std::string::npos) break;
        at = comma + 2;
      }
      for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_TRUE(shows(shown[i], i < object["LoadBalancePolicy_names"].size() ? object["LoadBalancePolicy_names"][i]
                                                                                : Document()));
      continue;
    }
    if (label == "FailBack" || label == "ReservationList") {
      const auto numbers = words_of(value);
      std::size_t i = 0;
      for (std::string n : numbers) {
        if (n.back() == ',') n.pop_back();
        EXPECT_TRUE(shows(n, i < object[label].size() ? object[label][i] : Document(4294967295u))) << label;
        ++i;
      }
      continue;
    }
    ASSERT_TRUE(object.contains(label)) << label << " in " << object.dump();
    if (label == "LoadBalancePolicy") {
      EXPECT_TRUE(shows(value, object["LoadBalancePolicy_name"]));
    } else if (value.rfind("0x", 0) == 0) {
      EXPECT_TRUE(shows_hex(value, object[label], object[label + "_hex"])) << label;
    } else if (label == "vendorid" || label == "productid") {
      EXPECT_TRUE(shows(value, object[label])) << label;
    } else if (object[label].is_string() && label != "InstanceName") {  // a byte dump
      std::string bytes;
      for (const auto& word : words_of(value)) bytes += word;
      EXPECT_EQ(bytes, object[label].get<std::string>()) << label;
    } else {
      EXPECT_TRUE(shows(value, object[label])) << label;
    }
  }
}

// The dump's lines split into instances (at "InstanceName") and, at the deeper
// indentation, elements (at `first_element_label`).
void expect_dump(const std::string& text, const Document& instances, const std::string& elements,
                 const std::string& first_element_label) {
  std::vector<std::vector<DumpLine>> own;
  std::vector<std::vector<std::vector<DumpLine>>> nested;
  for (const DumpLine& line : dump_lines(text)) {
    if (line.label == "InstanceName") {
      own.emplace_back();
      nested.emplace_back();
    }
    ASSERT_FALSE(own.empty());
    if (line.indent == 2) {
      own.back().push_back(line);
      continue;
    }
    if (line.label == first_element_label) nested.back().emplace_back();
    nested.back().back().push_back(line);
  }
  ASSERT_EQ(own.size(), instances.size());
  for (std::size_t i = 0; i < own.size(); ++i) {
    expect_dumped(own[i], instances[i]);
    if (elements.empty()) continue;
    ASSERT_EQ(nested[i].size(), instances[i][elements].size());
    for (std::size_t e = 0; e < nested[i].size(); ++e) expect_dumped(nested[i][e], instances[i][elements][e]);
  }
}

}  // namespace

TEST_P(ReportDocuments, InstanceClassesAndDumps) {
  BothModes classes = report({"instance"}, "instance");
  std::vector<std::string> names;
  for (const auto& line : text_lines(classes.text.out)) names.push_back(line.substr(1));
  EXPECT_EQ(Document(names), classes.json["classes"]);
  for (const std::string& cls : names) {
    BothModes r = report({"instance", cls}, "instance");
    EXPECT_EQ(r.json["class"], cls);
    const std::string elements = cls == "ZYRDSM_PERFINFO" ? "PerfInfo" : cls.rfind("DSM_QueryLBPolicy", 0) == 0 ? "DSM_Paths" : "";
    expect_dump(r.text.out, r.json["instances"], elements, elements == "PerfInfo" ? "NumberReads" : "DsmPathId");
  }
  BothModes unknown = report({"instance", "NoSuchClass"}, "instance");
  EXPECT_EQ(unknown.text.out, "");
  EXPECT_TRUE(unknown.json["class"].is_null());
  EXPECT_TRUE(unknown.json["instances"].empty());
}

namespace {

void expect_tree(const std::vector<TreeProperty>& properties, const Document& object);

void expect_property(const TreeProperty& p, const Document& value) {
  if (!p.objects.empty() || p.is_array) {
    if (!p.is_array) {
      expect_tree(p.objects.at(0).properties, value);
      return;
    }
    ASSERT_TRUE(value.is_array()) << p.name;
    ASSERT_EQ(p.objects.size(), value.size()) << p.name;
    for (std::size_t i = 0; i < value.size(); ++i) {
      EXPECT_EQ(p.objects[i].class_name, value[i]["class"]);
      expect_tree(p.objects[i].properties, value[i]);
    }
    return;
  }
  const std::string& text = p.value;
  if (text == "<empty array>") {
    EXPECT_TRUE(value.is_array() && value.empty()) << p.name;
  } else if (text == "<empty>" || text == "<null>") {
    EXPECT_TRUE(value.is_null()) << p.name;
  } else if (text.size() >= 2 && text.front() == '"') {
    EXPECT_EQ(text.substr(1, text.size() - 2), value.get<std::string>()) << p.name;
  } else if (text == "TRUE" || text == "FALSE") {
    EXPECT_EQ(text == "TRUE", value.get<bool>()) << p.name;
  } else if (value.is_array()) {  // bytes: "0x" and the non-zero bytes
    std::string bytes;
    for (const Document& b : value)
      if (b.get<int>() != 0) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b.get<int>());
        bytes += hex;
      }
    EXPECT_EQ(text, "0x" + bytes) << p.name;
  } else {
    EXPECT_TRUE(shows_hex(text, value)) << p.name;
  }
}

void expect_tree(const std::vector<TreeProperty>& properties, const Document& object) {
  const Document& members = object["properties"];
  ASSERT_EQ(properties.size(), members.size()) << object.dump();
  std::vector<std::string> keys;
  for (const TreeProperty& p : properties) {
    ASSERT_TRUE(members.contains(p.name)) << p.name;
    expect_property(p, members[p.name]);
    if (p.key) keys.push_back(p.name);
  }
  EXPECT_EQ(Document(keys), object["keys"]);
}

}  // namespace

TEST_P(ReportDocuments, BrowserListings) {
  for (const char* cls : {"1", "MPIO_GET_DESCRIPTOR", "3", "4"}) {
    BothModes r = report({"mpiolist", cls}, "mpiolist");
    const BrowserTree tree = browser_tree(r.text.out);
    EXPECT_EQ(tree.ns, r.json["namespace"]);
    EXPECT_EQ(r.json["complete"].get<bool>(), r.json["message"] == "") << r.json_run.out;
    ASSERT_EQ(tree.instances.size(), r.json["instances"].size()) << cls;
    for (std::size_t i = 0; i < tree.instances.size(); ++i) {
      EXPECT_EQ(tree.class_name, r.json["instances"][i]["class"]);
      expect_tree(tree.instances[i].properties, r.json["instances"][i]);
    }
  }
}

TEST_P(ReportDocuments, ReservationSettingsAndKeys) {
  BothModes settings = report({"pgr"}, "pgr");
  // A registry failure's message comes first in the text, and is the document's message.
  const std::string message = settings.json["message"];
  ASSERT_EQ(settings.text.out.rfind(message, 0), 0u) << settings.text.out;
  EXPECT_EQ(message.empty(), generated());
  const auto lines = text_lines(settings.text.out.substr(message.size()));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0] == "Persistent Reservation: Enable", settings.json["persistent_reservation"].get<bool>());
  if (lines.size() > 1) {
    EXPECT_TRUE(shows(lines[1].substr(lines[1].find(": ") + 2), settings.json["key_text"]));
  }

  BothModes list = report({"pgr", "list"}, "pgr");
  // "<path> registered keys:" or "<path> reservations:", then the dump's rows.
  std::map<std::string, std::vector<std::string>> dumps;
  std::string current;
  for (const auto& line : text_lines(list.text.out)) {
    if (line.size() > 1 && line.back() == ':') current = line;
    else dumps[current].push_back(line);
  }
  std::size_t shown = 0;
  for (const Document& device : list.json["devices"]) {
    for (const auto& [member, title] : {std::pair{"registered_keys", " registered keys:"}, std::pair{"reservations", " reservations:"}}) {
      const Document& read = device[member];
      const std::string header = device["path"].get<std::string>() + title;
      if (read["data"].is_null()) {
        EXPECT_EQ(dumps.count(header), 0u) << header;
        continue;
      }
      ++shown;
      std::string hex;
      for (std::uint8_t b : hex_dump_bytes(dumps[header])) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
      }
      EXPECT_EQ(hex, read["data"]) << header;
    }
  }
  EXPECT_EQ(shown, dumps.size());
  if (!generated()) return;
  // The first unit's keys and reservation, decoded.
  const Document& unit = list.json["devices"][1];
  ASSERT_EQ(unit["path"], "\\\\.\\PhysicalDrive1");
  EXPECT_EQ(unit["registered_keys"]["keys"][0]["key_text"], "ABCDEFGH");
  EXPECT_EQ(unit["registered_keys"]["keys"][1]["key"], "0000000000000007");
  EXPECT_EQ(unit["reservations"]["reservation"]["type"], 6);
  EXPECT_EQ(unit["reservations"]["reservation"]["type_name"], "Exclusive Access, Registrants Only");
  EXPECT_EQ(unit["reservations"]["generation"], unit["registered_keys"]["generation"]);
}

// A report whose reader fails: the same exit status, and an error document holding
// the text the text mode prints; a host that fails mid-command likewise.
TEST(ReportFailures, ExitStatusAndTextAsInTextMode) {
  struct Case {
    unsigned family;
    std::vector<std::string> args;
    const char* failing_class;
    const char* kind;
    std::int64_t status;  // the readers' result
  };
  const std::int64_t kInvalidClass = static_cast<std::int32_t>(0x80041010u);
  const Case cases[] = {
      {6, {"devinfo"}, "MSDSM_DEVICE_PERF", "failed", kInvalidClass},
      {6, {"iostatus"}, "MPIO_GET_DESCRIPTOR", "failed", 1},
      {6, {"pathinfo"}, "DSM_QueryLBPolicy_V2", "failed", 1},
      {6, {"pathinfo", "sn", "x"}, "MPIO_DISK_INFO", "failed", 1},
      {6, {"pathinfo", "77020000"}, "MSDSM_DEVICE_PERF", "failed", kInvalidClass},
      {5, {"devinfo"}, "ZYRDSM_PERFINFO", "failed", kInvalidClass},
      {5, {"pathinfo", "hba", "x"}, "ZYRDSM_QueryLBPolicy", "failed", 1},
      {6, {"dsminfo"}, "MPIO_REGISTERED_DSM", "host", 1},  // an instance of its list is no object
  };
  TempDir dir;
  for (const Case& c : cases) {
    simstack::HostSpec spec;
    spec.family = c.family;
    Json doc = generated_host(spec);
    std::string path = dir.file("host.json");
    if (std::string(c.kind) == "failed") {
      doc["faults"]["enumerate"] = Json::array({{{"class", c.failing_class}, {"hresult", "0x80041010"}}});
      write_json(path, doc);
    } else {
      std::string text = doc.dump(1);
      const std::size_t list = text.find('[', text.find(std::string("\"") + c.failing_class + "\""));
      write_text(path, text.insert(list + 1, "7,"));
    }
    BothModes r = run_both(c.args, path);
    EXPECT_NE(r.text.exit_code, 0) << c.args[0];
    EXPECT_EQ(r.json_run.exit_code, r.text.exit_code) << c.args[0];
    EXPECT_EQ(r.json["format"], "pathmgr-error/1");
    EXPECT_EQ(r.json["error"], c.kind);
    EXPECT_EQ(r.json["command"], c.args[0]);
    EXPECT_EQ(r.json["text"], r.text.out);
    EXPECT_EQ(r.json["status"], c.status) << c.args[0];
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(c.status));
    EXPECT_EQ(r.json["status_hex"], hex);
  }
}

INSTANTIATE_TEST_SUITE_P(Hosts, ReportDocuments, ::testing::ValuesIn(kHosts),
                         [](const auto& info) { return std::string(info.param.name); });
