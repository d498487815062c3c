// pathinfo <SN> <PathId> <State> (family 6) and pathinfo <HbaWwpn> <status> (family 5).
#include "config/path_state.h"

#include <gtest/gtest.h>

#include "config/config_hosts.h"
#include "shell/expected_help.h"

namespace {

const std::string kStateList =
    "\nInvalid new state.\n      State: \n      0: Active/Optimized\n      1: Active/Unoptimized\n"
    "      2: Standby\n      3: Unavailable\n\n";

using PathState = ConfigTest;

}  // namespace

TEST_F(PathState, StateWordsAreWholeAndCaseInsensitive) {
  auto& s = host(family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}, {12, 1, 0, 1}}}}));
  EXPECT_EQ(set_path_state(s.session, "SN-A", 11, "Stand"), 1);
  EXPECT_EQ(s.output(), kStateList);
  EXPECT_EQ(set_path_state(s.session, "SN-A", 11, "standby"), 0);
  EXPECT_EQ(set_path_state(s.session, "SN-A", 12, "2"), 0);
  auto sent = calls("DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent_paths_field(sent[0], "PrimaryPath"), (std::vector<int>{0, 1}));
  EXPECT_EQ(sent_paths_field(sent[0], "OptimizedPath"), (std::vector<int>{1, 0}));
  // Read afresh: path 11 is Standby now, as the driver took it.
  EXPECT_EQ(sent_paths_field(sent[1], "PrimaryPath"), (std::vector<int>{0, 0}));
  EXPECT_EQ(sent_paths_field(sent[1], "OptimizedPath"), (std::vector<int>{1, 1}));
}

TEST_F(PathState, SameStateAndRefusedUnavailable) {
  auto& s = host(family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}, {12, 0, 0, 3}, {13, 1, 0, 2}}}}));
  EXPECT_EQ(set_path_state(s.session, "SN-A", 11, "Active/Optimized"), 0);
  EXPECT_EQ(set_path_state(s.session, "SN-A", 13, "unavailable"), 1);
  EXPECT_EQ(set_path_state(s.session, "SN-A", 12, "3"), 0);
  EXPECT_EQ(s.output(), "\nNew path state same with old state.\n"
                        "\nInvalid to set the specified path as unavailable\n"
                        "\nNew path state same with old state.\n");
  EXPECT_TRUE(calls("DsmSetLoadBalancePolicyALUA").empty());
  // (0, 0) reads as Unavailable: Not Used is a change, and the group state allows it.
  EXPECT_EQ(set_path_state(s.session, "SN-A", 12, "not used"), 0);
  ASSERT_EQ(calls("DsmSetLoadBalancePolicyALUA").size(), 1u);
}

TEST_F(PathState, FailOverPromotesTheOtherPathOfTheSmallestGroupState) {
  auto& s = host(family6_config_host({{"SN-F", 1, {{11, 1, 1, 0}, {12, 1, 0, 1}, {13, 0, 1, 2}}},
                                      {"SN-S", 1, {{21, 1, 0, 1, 1}, {22, 1, 1, 0, 1}, {23, 1, 1, 0, 0}}}}));
  EXPECT_EQ(set_path_state(s.session, "SN-F", 11, "Standby"), 0);
  EXPECT_EQ(set_path_state(s.session, "SN-S", 21, "0"), 0);
  auto sent = calls("DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent_paths_field(sent[0], "PrimaryPath"), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(sent_paths_field(sent[0], "OptimizedPath"), (std::vector<int>{1, 1, 1}));
  // Active/Optimized: symmetric others become Standby, the others Active/Unoptimized.
  EXPECT_EQ(sent_paths_field(sent[1], "PrimaryPath"), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(sent_paths_field(sent[1], "OptimizedPath"), (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(s.output(), "\n Set path state: OK\n\n\n Set path state: OK\n\n");
}

TEST_F(PathState, DriverRefusalAndUnknownPath) {
  Json doc = family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}, {12, 1, 0, 1}}}});
  doc["faults"]["methods"] = Json::array({{{"method", "DsmSetLoadBalancePolicyALUA"}, {"count", 1}, {"hresult", "0x80041008"}}});
  auto& s = host(doc);
  EXPECT_EQ(set_path_state(s.session, "SN-A", 12, "0"), static_cast<int>(0x80041008));
  EXPECT_EQ(set_path_state(s.session, "SN-A", 77, "0"), 1);
  EXPECT_EQ(set_path_state(s.session, "SN-B", 11, "0"), 1);
  EXPECT_EQ(s.output(), "\nInvalid new path state.\n Set path state: Failed\n\n"
                        "\nBad Device or PathId!\n\nBad Device or PathId!\n");
}

TEST_F(PathState, HbaStatusSendsEveryPathOfThePortInOneCall) {
  const std::string hba = "21000B5E713C5A01", other = "21000B5E713C5A02";
  auto& s = host(family5_config_host({{"AAAAAAAA", 2, 1, {{0x101, 1, hba}, {0x102, 0, other}}},
                                      {"BBBBBBBB", 2, 1, {{0x201, 1, hba}}},
                                      {"CCCCCCCC", 2, 1, {{0x301, 1, hba}}}}));
  EXPECT_EQ(set_hba_path_status(s.session, "21000b5e713c5a01", "failed"), 0);  // other case: no path
  EXPECT_EQ(s.output(), help_text_family5());
  EXPECT_EQ(set_hba_path_status(s.session, hba, "bogus"), 0);
  EXPECT_TRUE(calls("ZyrDsmSetPathStatus").empty());
  EXPECT_EQ(set_hba_path_status(s.session, hba, "FAILED"), 0);
  auto sent = calls("ZyrDsmSetPathStatus");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["path"], "ZYRDSM_WMI_METHODS.InstanceName=\"MPIO\\\\Disk\\\\0\"");
  const Json& st = sent[0]["in"]["setPathStatus"];
  EXPECT_EQ(st["__CLASS"], "DSM_Set_Path_Status");
  EXPECT_EQ(st["Version"], 1);
  EXPECT_EQ(st["DSMPathStatusCount"], 3);
  ASSERT_EQ(st["DSM_PathStatus"].size(), 3u);
  EXPECT_EQ(st["DSM_PathStatus"][0]["PathId"], "257");
  EXPECT_EQ(st["DSM_PathStatus"][2]["PathId"], "769");
  for (const auto& e : st["DSM_PathStatus"]) {
    EXPECT_EQ(e["PathStatus"], 5);
    EXPECT_EQ(e["__CLASS"], "MPIO_DSM_PathStatus");
  }
  // The driver marked those paths failed.
  Json perf = read_json(path_)["wmi"]["ROOT\\WMI"]["instances"]["ZYRDSM_PERFINFO"];
  EXPECT_EQ(perf[0]["PerfInfo"][0]["Identifier"][25], 5);
  EXPECT_EQ(perf[0]["PerfInfo"][1]["Identifier"][25], 1);
  EXPECT_EQ(perf[2]["PerfInfo"][0]["Identifier"][25], 5);
}

TEST_F(PathState, HbaStatusFailureIsPrintedWithTheSignedCode) {
  const std::string hba = "21000B5E713C5A01";
  Json doc = family5_config_host({{"AAAAAAAA", 2, 1, {{0x101, 1, hba}}}});
  doc["faults"]["methods"] = Json::array({{{"method", "ZyrDsmSetPathStatus"}, {"hresult", "0x80041001"}}});
  auto& s = host(doc);
  EXPECT_EQ(set_hba_path_status(s.session, hba, "online"), 1);
  EXPECT_EQ(s.output(), "Set Path Status Failed \n-2147217407\n");
}
