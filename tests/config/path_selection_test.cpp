// primary, secondary, weight (family 5) and preferred, weight (family 6).
#include "config/path_selection.h"

#include <gtest/gtest.h>

#include "config/config_hosts.h"

namespace {

const std::string kHba = "21000B5E71000001";

using PathSelection = ConfigTest;

Json three_path_host(int policy, int failback = 1) {
  return family5_config_host({{"AAAAAAAA", 2, 1, {{0x11, 1, kHba}}},
                              {"BBBBBBBB", policy, failback, {{0x21, 1, kHba, 7}, {0x22, 0, kHba, 8}, {0x23, 0, kHba, 9}}}});
}

}  // namespace

TEST_F(PathSelection, PrimaryUnderFailOverMakesTheOnlyPrimaryPath) {
  auto& s = host(three_path_host(1));
  EXPECT_EQ(set_path_primary(s.session, 0x22, 1), 0);
  auto sent = calls("ZyrDsmSetLoadBalancePolicy");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["path"], "ZYRDSM_WMI_METHODS.InstanceName=\"MPIO\\\\Disk\\\\1\"");
  EXPECT_EQ(sent_paths_field(sent[0], "PrimaryPath"), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(sent[0]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 1);
  EXPECT_EQ(sent[0]["in"]["LoadBalancePolicy"]["FailBack"], 1);  // fail-back on: kept on
}

TEST_F(PathSelection, PrimaryUnderRoundRobinChangesOnlyThatPath) {
  auto& s = host(three_path_host(2));
  EXPECT_EQ(set_path_primary(s.session, 0x22, 1), 0);
  auto sent = calls("ZyrDsmSetLoadBalancePolicy");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent_paths_field(sent[0], "PrimaryPath"), (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(sent_paths_field(sent[0], "PathWeight"), (std::vector<int>{7, 8, 9}));
  // The device's policy stays RoundRobin: fail-back only ever applies to FailOver.
  EXPECT_EQ(sent[0]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 2);
  EXPECT_EQ(sent[0]["in"]["LoadBalancePolicy"]["FailBack"], 2);
}

TEST_F(PathSelection, SecondaryUnderFailOverSendsNothingUnlessSinglePath) {
  auto& s = host(three_path_host(1));
  EXPECT_EQ(set_path_primary(s.session, 0x21, 0), 0);
  EXPECT_TRUE(calls("ZyrDsmSetLoadBalancePolicy").empty());
  EXPECT_EQ(set_path_primary(s.session, 0x11, 0), 0);  // device A has one path (RoundRobin)
  auto sent = calls("ZyrDsmSetLoadBalancePolicy");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent_paths_field(sent[0], "PrimaryPath"), (std::vector<int>{0}));
}

TEST_F(PathSelection, BadPathIdAndVendorSpecificPolicy) {
  auto& s = host(three_path_host(7));
  EXPECT_EQ(set_path_primary(s.session, 0x99, 1), 1);
  EXPECT_EQ(set_path_weight(s.session, 0, 5), 1);
  EXPECT_EQ(s.output(), "Bad PathId!\nBad PathId!\n");
  EXPECT_EQ(set_path_primary(s.session, 0x21, 1), 0);
  EXPECT_EQ(set_path_weight(s.session, 0x21, 5), 0);
  auto sent = calls("ZyrDsmSetLoadBalancePolicy");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 1);  // VendorSpecific goes as 1
  EXPECT_EQ(sent[1]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 1);
}

TEST_F(PathSelection, WeightClearsEveryPrimaryFlagAndSendsFailbackOff) {
  auto& s = host(three_path_host(1));
  EXPECT_EQ(set_path_weight(s.session, 0x23, -4), 0);
  auto sent = calls("ZyrDsmSetLoadBalancePolicy");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent_paths_field(sent[0], "PrimaryPath"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(sent_paths_field(sent[0], "PathWeight"), (std::vector<int>{7, 8, -4}));
  EXPECT_EQ(sent[0]["in"]["LoadBalancePolicy"]["FailBack"], 2);
  EXPECT_EQ(sent[0]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 1);
}

TEST_F(PathSelection, PreferredWordsPolicyAndMessages) {
  auto& s = host(family6_config_host({{"SN-F", 1, {{11, 1, 1, 0}, {12, 1, 0, 1}}}, {"SN-R", 2, {{21, 1, 1, 0}}}}));
  EXPECT_EQ(set_path_preferred(s.session, "SN-F", 12, "yes"), 1);
  EXPECT_EQ(set_path_preferred(s.session, "SN-F", 12, "TRUE"), 0);
  EXPECT_EQ(set_path_preferred(s.session, "SN-R", 21, "true"), 1);
  EXPECT_EQ(set_path_preferred(s.session, "SN-F", 99, "false"), 1);
  EXPECT_EQ(s.output(),
            "Invalid argument value.\n"
            "\n Preferred path: OK\n\n"
            "\nThe preferred operation only valid in the Failover-only Load Balance policy.\n"
            "\nBad Device or PathId!\n");
  auto sent = calls("DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent_paths_field(sent[0], "PreferredPath"), (std::vector<int>{0, 1}));
  EXPECT_EQ(sent_paths_field(sent[0], "PrimaryPath"), (std::vector<int>{1, 1}));  // everything else as read
  EXPECT_EQ(sent_paths_field(sent[0], "OptimizedPath"), (std::vector<int>{1, 0}));
}

TEST_F(PathSelection, WeightV2NeedsWeightedAndReportsFailure) {
  Json doc = family6_config_host({{"SN-W", 5, {{11, 1, 1, 0}, {12, 1, 1, 0}}}, {"SN-R", 2, {{21, 1, 1, 0}}}});
  doc["faults"]["methods"] = Json::array({{{"method", "DsmSetLoadBalancePolicyALUA"}, {"count", 1}, {"hresult", "0x80041001"}}});
  auto& s = host(doc);
  EXPECT_EQ(set_path_weight_v2(s.session, "SN-W", 12, 60), static_cast<int>(0x80041001));
  EXPECT_EQ(set_path_weight_v2(s.session, "SN-W", 12, 60), 0);
  EXPECT_EQ(set_path_weight_v2(s.session, "SN-R", 21, 60), 1);
  EXPECT_EQ(s.output(), "\n Weight path : Failed\n\n\n Weight path: OK\n\n"
                        "\nThe set weight operation only valid in the Weighted-only Load Balance policy.\n");
  auto sent = calls("DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent_paths_field(sent[1], "PathWeight"), (std::vector<int>{1, 60}));
}

TEST_F(PathSelection, WithoutADriverMethodInstanceEveryFamilyFiveChangeFails) {
  Json doc = three_path_host(1);
  doc["wmi"]["ROOT\\WMI"]["instances"].erase("ZYRDSM_WMI_METHODS");
  auto& s = host(doc);
  const std::string said = "The driver offers no ZYRDSM_WMI_METHODS instance: nothing was changed.\n";
  EXPECT_EQ(set_path_primary(s.session, 0x22, 1), 1);
  EXPECT_EQ(set_path_weight(s.session, 0x22, 5), 1);
  EXPECT_EQ(s.output(), said + said);
  auto all = run_pathmgr({"devinfo", "all", "RoundRobin"}, path_);
  EXPECT_NE(all.exit_code, 0);
  EXPECT_EQ(all.out, said + said + said + "AAAAAAAA-01 Failed.\n" + said + said + said + "BBBBBBBB-01 Failed.\ncommand failed!\n");
  auto status = run_pathmgr({"pathinfo", kHba, "standby"}, path_);
  EXPECT_EQ(status.out, said + "command failed!\n");
  EXPECT_TRUE(calls("ZyrDsmSetLoadBalancePolicy").empty());
}
