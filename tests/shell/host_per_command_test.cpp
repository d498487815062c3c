// What the shell's commands make of the simulated host: every command reads it
// afresh, a host-file error ends only that command, and a failure never exits 0.
#include <gtest/gtest.h>

#include "config/config_hosts.h"
#include "test_support.h"

TEST(HostPerCommand, DebugLinesSeeWhatChildrenChanged) {
  TempDir dir;
  auto path = write_json(dir.file("s.json"), family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}, {12, 1, 1, 0}}}}));
  auto r = run_pathmgr({}, path, "debug devinfo\ndevinfo SN-A Weighted\ndebug devinfo\n");
  const std::string row = " 0       SN-A                             ";
  EXPECT_NE(r.out.find(row + "RoundRobin"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(row + "Weighted"), std::string::npos) << r.out;
}

TEST(HostPerCommand, HostFileErrorInADebugLineEndsOnlyThatCommand) {
  TempDir dir;
  const auto path = dir.file("s.json");
  write_text(path, R"({"format": "pathmgr-sim/1", "wmi": {"ROOT\\WMI": {"instances": {"DSM_QueryLBPolicy_V2": [1]}}}})");
  auto r = run_pathmgr({}, path, "debug devinfo\ndebug instance\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "pathmgr> Simulated host: " + path +
                       ": class DSM_QueryLBPolicy_V2, instance 0 is an integer, not an object\ncommand failed!\n"
                       "pathmgr>  DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\npathmgr> \n");
}

TEST(HostPerCommand, FailureResultNeverExitsZero) {
  TempDir dir;
  Json doc = family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}}}});
  for (const char* code : {"0x80010100", "0x80041010"}) {
    doc["faults"]["enumerate"] = Json::array({{{"class", "MSDSM_WMI_METHODS"}, {"hresult", code}}});
    auto r = run_pathmgr({"clear"}, write_json(dir.file("s.json"), doc));
    EXPECT_EQ(r.out, "command failed!\n") << code;
    EXPECT_EQ(r.exit_code, code == std::string("0x80010100") ? 1 : 0x10) << code;
  }
}
