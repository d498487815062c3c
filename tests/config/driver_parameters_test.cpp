// set: the driver's registry parameters, shown and changed through the registry seam.
#include "config/driver_parameters.h"

#include <gtest/gtest.h>

#include "config/config_hosts.h"

namespace {

const std::string kKey = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters";

std::string forms(const std::string& suffix) {
  std::string out = "Valid commands are:\n";
  for (const char* name : {"DbgPrintLevel", "DsmUsePersistentReservation", "SkipiSCSIDevice", "SkipSASDevice",
                           "RetriesGetVPDPage", "DsmOptionsFlag"})
    out += std::string("  set ") + name + suffix + "\n";
  return out;
}

// A family-5 host with one driver method instance and the parameter key.
Json parameter_host() {
  Json doc = family5_config_host({{"AAAAAAAA", 2, 1, {{1, 1, "21000B5E71000001"}}}});
  doc["registry"][kKey] = {{"DbgPrintLevel", {{"type", "REG_DWORD"}, {"data", 3}}},
                           {"DsmName", {{"type", "REG_SZ"}, {"data", "ZYRDSM"}}},
                           {"Wide", {{"type", "REG_BINARY"}, {"data", "0102030405"}}}};
  return doc;
}

class SetCommand : public ConfigTest {
 protected:
  int run(const Words& words) { return set_driver_parameter(host_->session, words); }
  void SetUp() override { host_ = &host(parameter_host()); }
  Json registry_writes() {
    std::vector<Json> out;
    for (const auto& e : read_json(path_).value("journal", Json::array()))
      if (e["kind"] == "registry") out.push_back(e);
    return out;
  }
  Json stored(const char* name) { return read_json(path_)["registry"][kKey][name]; }
  SimSession* host_ = nullptr;
};

}  // namespace

TEST_F(SetCommand, AloneListsTheFormsEvenWithoutTheKey) {
  SimSession& bare = host(empty_host(6));
  EXPECT_EQ(set_driver_parameter(bare.session, {"set"}), 0);
  EXPECT_EQ(bare.output(), forms(" [ <n> ]"));
  EXPECT_EQ(set_driver_parameter(bare.session, {"set", "a", "b", "c"}), 0);  // four words: nothing
  EXPECT_EQ(bare.output(), forms(" [ <n> ]"));
}

TEST_F(SetCommand, ShowsAValueWhoseNameIsGivenInAnyCase) {
  EXPECT_EQ(run({"set", "dbgprintlevel"}), 0);
  EXPECT_EQ(host_->output(), "dbgprintlevel=3\n");
}

TEST_F(SetCommand, ShowRefusesMissingAndLongValues) {
  for (const char* name : {"Nope", "Wide"}) {
    host_->out.str("");
    EXPECT_EQ(run({"set", name}), -1);
    EXPECT_EQ(host_->output(), "Error: invalid parameter \"" + std::string(name) + "\"\n" + forms("")) << name;
  }
}

TEST_F(SetCommand, WritesTheTypedNumberAsADwordAndClearsTheCounters) {
  const std::pair<const char*, std::uint32_t> cases[] = {{"-1", 4294967295u}, {"5x", 5}, {"x", 0}, {" +7", 7}};
  for (const auto& [text, expected] : cases) {
    host_->out.str("");
    EXPECT_EQ(run({"set", "DbgPrintLevel", text}), 0) << text;
    EXPECT_EQ(host_->output(), "\n Clear all counters: OK\n\n") << text;
    EXPECT_EQ(stored("DbgPrintLevel"), (Json{{"type", "REG_DWORD"}, {"data", expected}})) << text;
    host_->out.str("");
    run({"set", "DbgPrintLevel"});
    EXPECT_EQ(host_->output(), "DbgPrintLevel=" + std::to_string(expected) + "\n");
  }
  auto writes = registry_writes();
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[0], (Json{{"kind", "registry"}, {"key", kKey}, {"value", "DbgPrintLevel"}, {"type", "REG_DWORD"},
                             {"data", 4294967295u}, {"status", "0x00000000"}}));
  EXPECT_EQ(calls("ZyrDsmClearCounters").size(), 4u);
}

TEST_F(SetCommand, NeverCreatesOrRetypesAValue) {
  for (const char* name : {"Nope", "DsmName"}) {
    host_->out.str("");
    EXPECT_EQ(run({"set", name, "1"}), -1) << name;
    EXPECT_EQ(host_->output(), "Error: invalid parameter \"" + std::string(name) + "\"\n" + forms(" <n>"));
  }
  EXPECT_FALSE(read_json(path_)["registry"][kKey].contains("Nope"));
  EXPECT_EQ(stored("DsmName")["data"], "ZYRDSM");
  EXPECT_TRUE(registry_writes().empty());
  EXPECT_TRUE(calls("ZyrDsmClearCounters").empty());
}

TEST_F(SetCommand, KeyThatCannotBeOpened) {
  Json missing = parameter_host();
  missing.erase("registry");
  Json denied = parameter_host();
  denied["faults"]["registry_open"] = Json::array({kKey});
  for (const Json& doc : {missing, denied}) {
    SimSession& s = host(doc);
    for (const Words& words : {Words{"set", "DbgPrintLevel"}, Words{"set", "DbgPrintLevel", "1"}})
      EXPECT_EQ(set_driver_parameter(s.session, words), -1);
    EXPECT_EQ(s.output(), "Could not open the registry key DsmParameters\nCould not open the registry key DsmParameters\n");
  }
}

TEST_F(SetCommand, RefusedWriteFailsAndClearsNothing) {
  Json doc = parameter_host();
  doc["faults"]["registry_write"] = Json::array({kKey});
  SimSession& s = host(doc);
  EXPECT_EQ(set_driver_parameter(s.session, {"set", "DbgPrintLevel", "9"}), 1);
  EXPECT_EQ(s.output(), "Could not set the registry DbgPrintLevel\n");
  EXPECT_EQ(stored("DbgPrintLevel")["data"], 3);
  EXPECT_TRUE(calls("ZyrDsmClearCounters").empty());
  auto writes = registry_writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0]["status"], "0x00000005");
}

TEST(SetThroughTheShell, OneShotPromptAndDebugLine) {
  TempDir dir;
  auto path = write_json(dir.file("s.json"), parameter_host());
  auto one_shot = run_pathmgr({"set", "DbgPrintLevel", "-1"}, path);
  EXPECT_EQ(one_shot.exit_code, 0);
  auto prompt = run_pathmgr({}, path, "set DbgPrintLevel\ndebug set DbgPrintLevel 2\ndebug set Nope\n");
  EXPECT_EQ(prompt.out, "pathmgr> DbgPrintLevel=4294967295\npathmgr> \n Clear all counters: OK\n\npathmgr> "
                        "Error: invalid parameter \"Nope\"\n" + forms("") + "command failed!\npathmgr> \n");
  auto failed = run_pathmgr({"set", "Nope"}, path);
  EXPECT_NE(failed.exit_code, 0);
  EXPECT_EQ(failed.out, "Error: invalid parameter \"Nope\"\n" + forms("") + "command failed!\n");
}
