// devinfo with a serial number or "all": what is sent to the driver stack.
#include "config/device_policy.h"

#include <gtest/gtest.h>

#include "config/config_hosts.h"
#include "inventory/joins.h"
#include "shell/expected_help.h"

namespace {

// Each test builds the inventory of its host, as the dispatcher does.
class DevicePolicy : public ConfigTest {
 protected:
  SimSession& host(const Json& doc) {
    ConfigTest::host(doc);
    inventory_ = Inventory();
    EXPECT_EQ(load_inventory(sim_->session, inventory_), 0);
    return *sim_;
  }
  int set(const std::string& serial, const std::string& word) {
    return set_device_policy(sim_->session, inventory_, serial, word);
  }
  Inventory inventory_;
};

const V2Device kTwoOptimized{"SN-A", 2, {{11, 1, 1, 0}, {12, 1, 1, 0}, {13, 0, 1, 2}}};

}  // namespace

TEST_F(DevicePolicy, FamilySixFailOverKeepsOneActiveOptimizedPath) {
  host(family6_config_host({kTwoOptimized, {"SN-S", 2, {{21, 1, 1, 0, 1}, {22, 1, 1, 0, 1}}}, {"SN-1", 2, {{31, 1, 1, 0}}}}));
  EXPECT_EQ(set("SN-A", "fail"), 0);
  EXPECT_EQ(set("SN-S", "FAILOVER"), 0);
  EXPECT_EQ(set("SN-1", "FailOver"), 0);
  auto calls = method_calls(path_, "DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0]["path"], "DSM_LB_Operations.InstanceName=\"MPIO\\\\Disk\\\\0\"");
  const Json& lb = calls[0]["in"]["LoadBalancePolicy"];
  EXPECT_EQ(lb["__CLASS"], "DSM_Load_Balance_Policy_V2");
  EXPECT_EQ(lb["LoadBalancePolicy"], 1);
  EXPECT_EQ(lb["DSMPathCount"], 3);
  // The second Active/Optimized path becomes Active/Unoptimized (not symmetric) ...
  EXPECT_EQ(sent_paths_field(calls[0], "PrimaryPath"), (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(sent_paths_field(calls[0], "OptimizedPath"), (std::vector<int>{1, 0, 1}));
  // ... or Standby when the device is symmetric; a single path is left alone.
  EXPECT_EQ(sent_paths_field(calls[1], "PrimaryPath"), (std::vector<int>{1, 0}));
  EXPECT_EQ(sent_paths_field(calls[1], "OptimizedPath"), (std::vector<int>{1, 1}));
  EXPECT_EQ(sent_paths_field(calls[2], "PrimaryPath"), (std::vector<int>{1}));
  const Json& p = lb["DSM_Paths"][0];
  EXPECT_EQ(p["__CLASS"], "MPIO_DSM_Path_V2");
  EXPECT_EQ(p["DsmPathId"], "11");
  EXPECT_EQ(p["__VT"]["DsmPathId"], "VT_BSTR");
  EXPECT_EQ(p["__VT"]["SymmetricLUA"], "VT_UI1");
  EXPECT_EQ(p["__VT"]["TargetPortGroup_Identifier"], "VT_UI1");
  EXPECT_EQ(p["TargetPortGroup_Identifier"], 1);  // low 8 bits of 0x101
  EXPECT_EQ(p["__VT"]["Reserved64"], "VT_I4");
  EXPECT_EQ(calls[0]["in"]["__VT"]["LoadBalancePolicy"], "VT_UNKNOWN");
}

TEST_F(DevicePolicy, FlagsFollowTheTargetPortGroupStates) {
  host(family6_config_host({{"SN-A", 1, {{11, 0, 0, 1}, {12, 1, 1, 2}, {13, 1, 0, 16}, {14, 1, 1, 9}}}}));
  // The record goes out as built; the driver refuses the group state outside the table.
  EXPECT_EQ(set("SN-A", "rou"), kWBEM_E_INVALID_PARAMETER);
  auto calls = method_calls(path_, "DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 2);
  // state 1 -> (1,0), 2 -> (0,1), 16 -> (0,0), a state outside the table keeps its flags
  EXPECT_EQ(sent_paths_field(calls[0], "PrimaryPath"), (std::vector<int>{1, 0, 0, 1}));
  EXPECT_EQ(sent_paths_field(calls[0], "OptimizedPath"), (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(DevicePolicy, WordsUnknownSerialAndFailbackWordsInFamilySix) {
  auto& s = host(family6_config_host({kTwoOptimized}));
  EXPECT_EQ(set("SN-A", "Ro"), 0);  // too short: the full help, nothing sent
  EXPECT_EQ(set("SN-A", "failback"), 0);
  EXPECT_EQ(s.output(), help_text_family6() + help_text_family6());
  EXPECT_EQ(set("sn-a", "RoundRobin"), 1);  // serial numbers compare exactly
  EXPECT_EQ(set("SN-A", "FAILBACK-ON"), 1);  // no family-5 policy record to find
  EXPECT_TRUE(method_calls(path_).empty());
}

TEST_F(DevicePolicy, AllDevicesRetriesThreeTimesAndReportsEach) {
  Json doc = family6_config_host({kTwoOptimized, {"SN-B", 2, {{21, 1, 1, 0}}}, {"SN-C", 2, {{31, 1, 1, 0}}}});
  doc["faults"]["methods"] = Json::array({{{"method", "DsmSetLoadBalancePolicyALUA"}, {"instance", "MPIO\\Disk\\0"},
                                           {"count", 3}, {"hresult", "0x80041001"}}});
  auto& s = host(doc);
  EXPECT_EQ(set_all_devices_policy(s.session, inventory_, "Weighted"), 0);
  EXPECT_EQ(s.output(), "SN-A Failed.\nSN-B is set.\nSN-C is set.\n");
  auto calls = method_calls(path_, "DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[2]["status"], "0x80041001");
  EXPECT_EQ(calls[3]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 5);
}

TEST_F(DevicePolicy, AllDevicesResultIsTheLastFailureWhenNoneWasSet) {
  Json doc = family6_config_host({kTwoOptimized, {"SN-B", 2, {{21, 1, 1, 0}}}});
  doc["faults"]["methods"] = Json::array({{{"method", "DsmSetLoadBalancePolicyALUA"}, {"hresult", "0x80041008"}}});
  auto& s = host(doc);
  EXPECT_EQ(set_all_devices_policy(s.session, inventory_, "dyn"), static_cast<int>(0x80041008));
  EXPECT_EQ(s.output(), "SN-A Failed.\nSN-B Failed.\n");
  auto& none = host(family6_config_host({}));
  EXPECT_EQ(set_all_devices_policy(none.session, inventory_, "dyn"), 1);
  EXPECT_EQ(none.output(), "");
}

TEST_F(DevicePolicy, FamilyFiveFailOverMakesThePathThroughTheLeastUsedPortPrimary) {
  const std::string hba1 = "21000B5E71000001", hba2 = "21000B5E71000002", hba3 = "21000B5E71000003";
  // hba1: 3 paths, hba2: 2 paths, hba3: 1 path (device C only).
  host(family5_config_host({{"AAAAAAAA", 2, 1, {{0x101, 0, hba1}, {0x102, 0, hba2}}},
                            {"BBBBBBBB", 2, 1, {{0x201, 0, hba1}, {0x202, 1, hba2}}},
                            {"CCCCCCCC", 2, 1, {{0x301, 0, hba1}, {0x302, 0, hba3}}}}));
  EXPECT_EQ(set("CCCCCCCC-01", "failover"), 0);
  EXPECT_EQ(set("AAAAAAAA-01", "failover"), 0);  // no path through hba3: no flag changes
  EXPECT_EQ(set("BBBBBBBB-01", "round"), 0);
  auto calls = method_calls(path_, "ZyrDsmSetLoadBalancePolicy");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0]["path"], "ZYRDSM_WMI_METHODS.InstanceName=\"MPIO\\\\Disk\\\\2\"");
  const Json& lb = calls[0]["in"]["LoadBalancePolicy"];
  EXPECT_EQ(lb["__CLASS"], "ZYRDSM_Load_Balance_Policy");
  EXPECT_EQ(lb["Version"], 394544);
  EXPECT_EQ(lb["LoadBalancePolicy"], 1);
  EXPECT_EQ(lb["FailBack"], 2);
  EXPECT_EQ(lb["DSM_Paths"][1]["__CLASS"], "MPIO_DSM_PATH");
  EXPECT_EQ(lb["DSM_Paths"][1]["DsmPathId"], "770");
  EXPECT_EQ(sent_paths_field(calls[0], "PrimaryPath"), (std::vector<int>{0, 1}));
  EXPECT_EQ(sent_paths_field(calls[1], "PrimaryPath"), (std::vector<int>{0, 0}));
  EXPECT_EQ(calls[2]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 2);
  EXPECT_EQ(sent_paths_field(calls[2], "PrimaryPath"), (std::vector<int>{0, 1}));
  EXPECT_EQ(set("DDDDDDDD-01", "failover"), 1);  // no such serial: nothing sent
  EXPECT_EQ(method_calls(path_).size(), 3u);
}

TEST_F(DevicePolicy, FamilyFiveFailbackOnlyOnFailOverDevices) {
  const std::string hba = "21000B5E71000001";
  auto& s = host(family5_config_host({{"AAAAAAAA", 1, 2, {{0x101, 1, hba, 4}, {0x102, 0, hba, 5}}},
                                      {"BBBBBBBB", 2, 1, {{0x201, 1, hba}}}}));
  EXPECT_EQ(set("AAAAAAAA-01", "FAILBACK-ON"), 0);
  EXPECT_EQ(set("AAAAAAAA-01", "failback-off"), 0);
  EXPECT_EQ(set("BBBBBBBB-01", "failback-on"), 0);
  EXPECT_EQ(s.output(), "  not fail-over: BBBBBBBB-01\n");
  auto calls = method_calls(path_, "ZyrDsmSetLoadBalancePolicy");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]["in"]["LoadBalancePolicy"]["LoadBalancePolicy"], 1);
  EXPECT_EQ(calls[0]["in"]["LoadBalancePolicy"]["FailBack"], 1);
  EXPECT_EQ(calls[1]["in"]["LoadBalancePolicy"]["FailBack"], 2);
  EXPECT_EQ(sent_paths_field(calls[0], "PathWeight"), (std::vector<int>{4, 5}));
}

TEST_F(DevicePolicy, FamilyFiveAllDevicesHandlesEachSerialOnce) {
  const std::string hba = "21000B5E71000001";
  auto& s = host(family5_config_host({{"AAAAAAAA", 2, 1, {{0x101, 1, hba}, {0x102, 0, hba}}},
                                      {"BBBBBBBB", 2, 1, {{0x201, 1, hba}}}}));
  EXPECT_EQ(set_all_devices_policy(s.session, inventory_, "LeastBlocks"), 0);
  EXPECT_EQ(s.output(), "AAAAAAAA-01 is set.\nBBBBBBBB-01 is set.\n");
  EXPECT_EQ(method_calls(path_, "ZyrDsmSetLoadBalancePolicy").size(), 2u);
}
