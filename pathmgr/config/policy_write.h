// The method calls that write a device's policy record back to the driver stack:
// the driver's own method in family 5, MPIO's ALUA method in family 6.
#pragma once
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "inventory/inventory_index.h"
#include "inventory/policy_block.h"
#include "inventory/records.h"
#include "session/session.h"

// The caller's path list: copies of device path entries (id, weight, primary flag).
using PathList = std::vector<DevicePathEntry>;

// A driver that offers no instance of its method class takes no change: said on the
// output, and the command fails.
int report_no_method_instance(Session& session, const char* method_class);

// The family-5 raw policy holding a path slot with this id: 0, or 2 when none does.
int find_policy_by_path(const InventoryIndex& index, std::uint64_t id, PolicyBlock& block, std::wstring& instance);

// ZyrDsmSetLoadBalancePolicy with the policy found by the list's first path in the
// inventory; 0 or 1.
int exec_set_lb_policy(Session& session, const InventoryIndex& index, const PathList& paths, std::uint32_t policy,
                       bool failback_on);
// The same call with the policy the family-5 reader finds for the first path; 0 or 1.
int exec_set_lb_policy_queried(Session& session, const PathList& paths, std::uint32_t policy, bool failback_on);

// The instance names of DSM_LB_Operations, enumerated once for a command that writes
// many devices (every call would otherwise walk all instances again).
struct LbOperationsInstances {
  bool read = false;
  HResult status = 0;
  std::set<std::wstring> names;
};

// DsmSetLoadBalancePolicyALUA with the device's record; 0 or the execution status.
int exec_set_lb_policy_alua(Session& session, const DeviceRecord& device, LbOperationsInstances* cache = nullptr);
