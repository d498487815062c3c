// The simulated driver takes well-formed policy records and refuses what no driver
// would take, with WBEM_E_INVALID_PARAMETER.
#include "simstack/driver/driver_model.h"

#include <gtest/gtest.h>

#include "config/config_hosts.h"
#include "config/policy_write.h"
#include "inventory/policy_readers.h"

namespace {

DeviceRecord first_device(SimSession& s) {
  std::vector<DeviceRecord> devices;
  EXPECT_EQ(read_devices_v2(s.session, devices), 0);
  return devices.at(0);
}

}  // namespace

TEST(DriverModel, PolicyRecordsTheDriverRefuses) {
  TempDir dir;
  auto path = write_json(dir.file("s.json"), family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}, {12, 1, 0, 1}}}}));
  SimSession s(path);
  DeviceRecord d = first_device(s);
  DeviceRecord unknown_path = d;
  unknown_path.Paths[1].DsmPathId = 99;
  EXPECT_EQ(exec_set_lb_policy_alua(s.session, unknown_path), kWBEM_E_INVALID_PARAMETER);
  DeviceRecord wrong_count = d;
  wrong_count.NumberPaths = 1;
  EXPECT_EQ(exec_set_lb_policy_alua(s.session, wrong_count), kWBEM_E_INVALID_PARAMETER);
  DeviceRecord bad_state = d;
  bad_state.Paths[0].TargetPortGroup_State = 5;
  EXPECT_EQ(exec_set_lb_policy_alua(s.session, bad_state), kWBEM_E_INVALID_PARAMETER);
  DeviceRecord bad_policy = d;
  bad_policy.LoadBalancePolicy = 0;
  EXPECT_EQ(exec_set_lb_policy_alua(s.session, bad_policy), kWBEM_E_INVALID_PARAMETER);
  DeviceRecord no_instance = d;
  no_instance.InstanceName = L"MPIO\\Disk\\9";
  EXPECT_EQ(exec_set_lb_policy_alua(s.session, no_instance), kS_FALSE);  // no method instance: nothing sent
  auto calls = method_calls(path, "DsmSetLoadBalancePolicyALUA");
  ASSERT_EQ(calls.size(), 4u);  // every execution is journaled, refused ones too
  EXPECT_EQ(calls[0]["status"], "0x80041008");

  DeviceRecord good = d;
  good.LoadBalancePolicy = 5;
  good.Paths[1].PathWeight = 40;
  good.Paths[1].OptimizedPath = true;
  EXPECT_EQ(exec_set_lb_policy_alua(s.session, good), 0);
  SimSession again(path);
  DeviceRecord after = first_device(again);
  EXPECT_EQ(after.PolicyName, "Weighted");
  EXPECT_EQ(after.Paths[1].PathWeight, 40u);
  EXPECT_TRUE(after.Paths[1].OptimizedPath);
  EXPECT_EQ(after.Paths[1].TargetPortGroup_Identifier, 0x102);  // array data is kept whole
}
