#include "inventory/policy_readers.h"

#include "inventory/names.h"
#include "inventory/path_readers.h"
#include "wmi/wmi_access.h"

namespace {

using wmi::Object;
using wmi::Value;
using wmi::wmi_get;

DevicePathEntry read_path_entry(const Object& e, bool full) {
  DevicePathEntry p;
  p.DsmPathId = wmi_get(e, L"DsmPathId").as_u64_text();
  p.PathWeight = wmi_get(e, L"PathWeight").as_u32();
  p.PrimaryPath = wmi_get(e, L"PrimaryPath").as_flag();
  if (!full) return p;
  p.OptimizedPath = wmi_get(e, L"OptimizedPath").as_flag();
  p.PreferredPath = wmi_get(e, L"PreferredPath").as_flag();
  p.FailedPath = wmi_get(e, L"FailedPath").as_flag();
  p.ALUASupport = wmi_get(e, L"ALUASupport").as_u32();
  p.SymmetricLUA = wmi_get(e, L"SymmetricLUA").as_u8();
  p.TargetPortGroup_State = wmi_get(e, L"TargetPortGroup_State").as_u32();
  p.TargetPortGroup_Preferred = wmi_get(e, L"TargetPortGroup_Preferred").as_u8();
  p.TargetPortGroup_Identifier = wmi_get(e, L"TargetPortGroup_Identifier").as_u16();
  p.TargetPort_Identifier = wmi_get(e, L"TargetPort_Identifier").as_u32();
  return p;
}

void store_v2_slot(PolicyBlock& b, std::size_t i, const DevicePathEntry& p) {
  using namespace slot_offset;
  b.set_slot_field<std::uint64_t>(i, DsmPathId, p.DsmPathId);
  b.set_slot_field<std::uint32_t>(i, PathWeight, p.PathWeight);
  b.set_slot_field<std::uint32_t>(i, PrimaryPath, p.PrimaryPath);
  b.set_slot_field<std::uint32_t>(i, OptimizedPath, p.OptimizedPath);
  b.set_slot_field<std::uint32_t>(i, PreferredPath, p.PreferredPath);
  b.set_slot_field<std::uint32_t>(i, FailedPath, p.FailedPath);
  b.set_slot_field<std::uint32_t>(i, TargetPortGroup_State, p.TargetPortGroup_State);
  b.set_slot_field<std::uint32_t>(i, ALUASupport, p.ALUASupport);
  b.set_slot_field<std::uint8_t>(i, SymmetricLUA, p.SymmetricLUA);
  b.set_slot_field<std::uint8_t>(i, TargetPortGroup_Preferred, p.TargetPortGroup_Preferred);
  b.set_slot_field<std::uint16_t>(i, TargetPortGroup_Identifier, p.TargetPortGroup_Identifier);
  b.set_slot_field<std::uint32_t>(i, TargetPort_Identifier, p.TargetPort_Identifier);
}

void store_family5_slot(PolicyBlock& b, std::size_t i, const DevicePathEntry& p) {
  b.set_slot_field<std::uint64_t>(i, slot_offset::DsmPathId, p.DsmPathId);
  b.set_slot_field<std::uint32_t>(i, slot_offset::PathWeight, p.PathWeight);
  b.set_slot_field<std::uint32_t>(i, slot_offset::PrimaryPath, p.PrimaryPath);
}

// The first of the first `count` slots with that path id, if any.
bool block_has_path(const PolicyBlock& b, std::uint32_t count, std::uint64_t id) {
  std::size_t n = std::min<std::size_t>(count, b.slot_capacity());
  for (std::size_t i = 0; i < n; ++i)
    if (b.slot_field<std::uint64_t>(i, slot_offset::DsmPathId) == id) return true;
  return false;
}

}  // namespace

int read_policies_v2(Session& s, std::vector<DeviceRecord>& devices, const std::wstring& filter,
                     std::uint64_t dsm_path_id, PolicyBlock* found_block, std::wstring* found_instance) {
  if (found_instance) found_instance->clear();
  bool found = false;
  HResult hr = s.wmi->enumerate(L"DSM_QueryLBPolicy_V2", [&](Object& instance) {
    DeviceRecord d;
    d.InstanceName = wmi::wmi_get_text(instance, L"InstanceName");
    Value policy = wmi_get(instance, L"LoadBalancePolicy");
    PolicyBlock block;
    if (policy.object) {
      const Object& p = *policy.object;
      d.Version = wmi_get(p, L"Version").as_u16();
      d.LoadBalancePolicy = wmi_get(p, L"LoadBalancePolicy").as_u32();
      d.NumberPaths = wmi_get(p, L"DSMPathCount").as_i32();
      std::uint32_t count = static_cast<std::uint32_t>(d.NumberPaths);
      Value paths = wmi_get(p, L"DSM_Paths");
      // Room for one slot more than the count, but never more than the paths served:
      // the driver's count alone must not size the block. A negative count gives none.
      std::size_t slots = d.NumberPaths < 0 ? 0 : std::min<std::size_t>(count, paths.elements.size()) + 1;
      block = PolicyBlock(PolicyBlock::Form::V2, PolicyBlock::kHeadSize + slots * PolicyBlock::kV2SlotSize);
      block.set_version(d.Version);
      block.set_load_balance_policy(d.LoadBalancePolicy);
      block.set_path_count(count);
      for (std::size_t i = 0; i < paths.elements.size(); ++i) {
        if (!paths.elements[i].object) continue;
        DevicePathEntry entry = read_path_entry(*paths.elements[i].object, true);
        if (i < block.slot_capacity()) store_v2_slot(block, i, entry);
        d.Paths.push_back(entry);
      }
    }
    d.PolicyName = policy_name(d.LoadBalancePolicy);
    d.FailbackName = StateNames[4];
    if (dsm_path_id != 0 && !found && d.InstanceName == filter &&
        block_has_path(block, block.path_count(), dsm_path_id)) {
      found = true;
      if (found_instance) *found_instance = d.InstanceName;
      if (found_block) *found_block = block.copy_head_and_slots(block.size(), block.path_count());
    }
    devices.push_back(std::move(d));
    return true;
  });
  if (hr_failed(hr)) return 1;
  return dsm_path_id != 0 && !found ? kPolicyNotFound : 0;
}

int read_devices_v2(Session& s, std::vector<DeviceRecord>& devices) {
  int rc = read_policies_v2(s, devices, L"", 0, nullptr, nullptr);
  if (rc != 0) return rc;
  std::vector<DiskInfoRecord> disks;
  rc = read_disk_info(s, disks);
  // Devices and disks pair by position only, in the order the two classes return them.
  for (std::size_t i = 0; i < disks.size(); ++i) {
    if (i < devices.size()) {
      devices[i].SerialNumber = disks[i].SerialNumber;
      continue;
    }
    DeviceRecord d;
    d.SerialNumber = disks[i].SerialNumber;
    d.NumberPaths = disks[i].NumberPaths;
    d.PolicyName = StateNames[16];
    devices.push_back(std::move(d));
  }
  return rc;
}

namespace {

// One family-5 policy instance: its device record, and each path with its index in
// the DSM_Paths array (its slot number).
struct V1Instance {
  DeviceRecord device;
  std::uint32_t count = 0;
  std::vector<std::size_t> slot_of_path;
};

template <class F>
HResult enumerate_v1(Session& s, F&& each) {
  const bool f5 = s.family5();
  return s.wmi->enumerate(f5 ? L"ZYRDSM_QueryLBPolicy" : L"DSM_QueryLBPolicy", [&](Object& instance) {
    V1Instance v;
    v.device.InstanceName = wmi::wmi_get_text(instance, L"InstanceName");
    Value policy = wmi_get(instance, L"LoadBalancePolicy");
    v.device.FailbackName = StateNames[4];
    if (policy.object) {
      const Object& p = *policy.object;
      v.device.LoadBalancePolicy = wmi_get(p, L"LoadBalancePolicy").as_u32();
      if (f5) v.device.FailbackName = failback_name(wmi_get(p, L"FailBack").as_u32());
      v.count = wmi_get(p, L"DSMPathCount").as_u32();
      Value paths = wmi_get(p, L"DSM_Paths");
      for (std::size_t i = 0; i < paths.elements.size(); ++i) {
        if (!paths.elements[i].object) continue;
        v.device.Paths.push_back(read_path_entry(*paths.elements[i].object, false));
        v.slot_of_path.push_back(i);
      }
    }
    v.device.PolicyName = policy_name(v.device.LoadBalancePolicy);
    each(v);
    return true;
  });
}

}  // namespace

int read_policies_v1(Session& s, std::vector<DeviceRecord>& devices, std::uint64_t dsm_path_id,
                     PolicyBlock* found_block, std::wstring* found_instance) {
  if (found_instance) found_instance->clear();
  bool found = false;
  HResult hr = enumerate_v1(s, [&](V1Instance& v) {
    v.device.NumberPaths = static_cast<std::int32_t>(v.count);
    if (dsm_path_id != 0 && !found) {
      // The search looks at the slots the count covers, in slot order.
      for (std::size_t k = 0; k < v.device.Paths.size() && !found; ++k) {
        if (v.slot_of_path[k] >= v.count || v.device.Paths[k].DsmPathId != dsm_path_id) continue;
        found = true;
        if (found_instance) *found_instance = v.device.InstanceName;
        if (found_block) {
          // Sized by the slots the paths fill, never by the driver's count alone.
          const std::size_t backed = std::min<std::size_t>(v.count, v.slot_of_path.back() + 1);
          PolicyBlock b(PolicyBlock::Form::Family5, (backed + 3) * PolicyBlock::kFamily5SlotSize);
          b.set_version(1);
          b.set_load_balance_policy(v.device.LoadBalancePolicy);
          b.set_path_count(v.count);
          for (std::size_t j = 0; j < v.device.Paths.size(); ++j)
            if (v.slot_of_path[j] < v.count) store_family5_slot(b, v.slot_of_path[j], v.device.Paths[j]);
          *found_block = std::move(b);
        }
      }
    }
    devices.push_back(std::move(v.device));
  });
  if (hr_failed(hr)) return 1;
  return dsm_path_id != 0 && !found ? kPolicyNotFound : 0;
}

int read_policies_v1_full(Session& s, std::vector<DeviceRecord>& devices, std::vector<LegacyPolicyRecord>& legacy) {
  std::vector<DeviceRecord> new_devices;
  std::vector<LegacyPolicyRecord> new_legacy;
  HResult hr = enumerate_v1(s, [&](V1Instance& v) {
    LegacyPolicyRecord r;
    r.InstanceName = v.device.InstanceName;
    r.InstanceNameValue = v.device.InstanceName;
    r.LoadBalancePolicy = v.device.LoadBalancePolicy;
    r.DSMPathCount = v.count;
    for (std::size_t k = 0; k < v.device.Paths.size(); ++k) {
      std::size_t slot = v.slot_of_path[k];
      if (slot >= r.Slots.size()) r.Slots.resize(slot + 1);  // more than 128 paths: grow
      r.Slots[slot].DsmPathId = v.device.Paths[k].DsmPathId;
      r.Slots[slot].PathWeight = v.device.Paths[k].PathWeight;
      r.Slots[slot].PrimaryPath = v.device.Paths[k].PrimaryPath;
    }
    new_devices.push_back(std::move(v.device));
    new_legacy.push_back(std::move(r));
  });
  if (hr_failed(hr)) return 1;
  devices.insert(devices.end(), new_devices.begin(), new_devices.end());
  legacy.insert(legacy.end(), new_legacy.begin(), new_legacy.end());
  return 0;
}
