#include "config/policy_write.h"

#include <algorithm>
#include <unordered_map>

#include "inventory/policy_readers.h"
#include "wmi/wmi_access.h"

namespace {

using wmi::ObjectPtr;
using wmi::Value;

constexpr std::int32_t kFamily5PolicyVersion = 0x00060530;

Value u64_text(std::uint64_t v) { return Value::bstr(wmi::u64_to_decimal_text(v)); }
Value i4(std::uint32_t v) { return Value::i4(static_cast<std::int32_t>(v)); }

// Puts every property in order; false at the first that fails.
bool put_all(wmi::Object& object, std::initializer_list<std::pair<const wchar_t*, Value>> values) {
  for (const auto& [name, value] : values)
    if (hr_failed(object.put(name, value))) return false;
  return true;
}

// The family-5 policy call on the device `instance`: head from the block, each slot's
// weight and primary flag from the caller's entry of the same id, else from the slot.
int send_family5_policy(Session& s, const PolicyBlock& block, const std::wstring& instance, const PathList& paths,
                        std::uint32_t policy, bool failback_on) {
  bool have_instance = false;
  HResult hr = s.wmi->enumerate(L"ZYRDSM_WMI_METHODS", [&](wmi::Object&) {
    have_instance = true;
    return false;  // the first instance is enough
  });
  if (hr_failed(hr)) return 1;
  if (!have_instance) return report_no_method_instance(s, "ZYRDSM_WMI_METHODS");

  ObjectPtr in, record, path_class;
  if (hr_failed(wmi::spawn_method_params(*s.wmi, L"ZYRDSM_WMI_METHODS", L"ZyrDsmSetLoadBalancePolicy", in)) || !in)
    return 1;
  if (hr_failed(wmi::spawn_object(*s.wmi, L"ZYRDSM_Load_Balance_Policy", record))) return 1;
  const std::uint32_t count = block.path_count();
  if (!put_all(*record, {{L"Version", Value::i4(kFamily5PolicyVersion)},
                         {L"LoadBalancePolicy", i4(failback_on ? 1 : policy)},
                         {L"DSMPathCount", i4(count)},
                         {L"FailBack", i4(failback_on ? 1 : 2)}}))
    return 1;
  if (hr_failed(s.wmi->get_class(L"MPIO_DSM_PATH", path_class))) return 1;
  std::unordered_map<std::uint64_t, const DevicePathEntry*> from_caller;
  for (const auto& p : paths) from_caller.emplace(p.DsmPathId, &p);
  std::vector<Value> elements;
  for (std::size_t i = 0; i < count && i < block.slot_capacity(); ++i) {
    const std::uint64_t id = block.slot_field<std::uint64_t>(i, slot_offset::DsmPathId);
    std::uint32_t weight = block.slot_field<std::uint32_t>(i, slot_offset::PathWeight);
    std::uint32_t primary = block.slot_field<std::uint32_t>(i, slot_offset::PrimaryPath);
    if (auto it = from_caller.find(id); it != from_caller.end()) {
      weight = it->second->PathWeight;
      primary = it->second->PrimaryPath ? 1 : 0;
    }
    ObjectPtr path;
    if (hr_failed(path_class->spawn_instance(path))) return 1;
    if (!put_all(*path, {{L"DsmPathId", u64_text(id)}, {L"Reserved", Value::i4(0)}, {L"PathWeight", i4(weight)},
                         {L"PrimaryPath", i4(primary)}}))
      return 1;
    elements.push_back(Value::unknown(path));
  }
  if (hr_failed(record->put(L"DSM_Paths", Value::array(wmi::VT_UNKNOWN, std::move(elements))))) return 1;
  if (hr_failed(in->put(L"LoadBalancePolicy", Value::unknown(record)))) return 1;
  hr = wmi::wmi_call(*s.wmi, wmi::wmi_object_path(L"ZYRDSM_WMI_METHODS", instance), L"ZyrDsmSetLoadBalancePolicy",
                     in.get());
  return hr_failed(hr) ? 1 : 0;
}

}  // namespace

int report_no_method_instance(Session& s, const char* method_class) {
  s.out << "The driver offers no " << method_class << " instance: nothing was changed." << std::endl;
  return 1;
}

int find_policy_by_path(const InventoryIndex& index, std::uint64_t id, PolicyBlock& block, std::wstring& instance) {
  const LegacyPolicyRecord* rec = index.legacy_policy_with_path(id);
  if (rec == nullptr) return kPolicyNotFound;
  // Sized by the slots the paths fill, never by the driver's count alone.
  const std::size_t backed = std::min<std::size_t>(rec->DSMPathCount, rec->Slots.size());
  block = PolicyBlock(PolicyBlock::Form::Family5, PolicyBlock::kHeadSize + backed * PolicyBlock::kFamily5SlotSize);
  block.set_version(rec->Version);
  block.set_load_balance_policy(rec->LoadBalancePolicy);
  block.set_path_count(rec->DSMPathCount);
  for (std::size_t i = 0; i < rec->DSMPathCount && i < rec->Slots.size(); ++i) {
    block.set_slot_field<std::uint64_t>(i, slot_offset::DsmPathId, rec->Slots[i].DsmPathId);
    block.set_slot_field<std::uint32_t>(i, slot_offset::PathWeight, rec->Slots[i].PathWeight);
    block.set_slot_field<std::uint32_t>(i, slot_offset::PrimaryPath, rec->Slots[i].PrimaryPath);
  }
  instance = rec->InstanceName;
  return 0;
}

int exec_set_lb_policy(Session& s, const InventoryIndex& index, const PathList& paths, std::uint32_t policy,
                       bool failback_on) {
  if (paths.empty()) return 1;
  PolicyBlock block;
  std::wstring instance;
  if (find_policy_by_path(index, paths.front().DsmPathId, block, instance) != 0) return 1;
  return send_family5_policy(s, block, instance, paths, policy, failback_on);
}

int exec_set_lb_policy_queried(Session& s, const PathList& paths, std::uint32_t policy, bool failback_on) {
  if (paths.empty()) return 1;
  std::vector<DeviceRecord> devices;
  PolicyBlock block;
  std::wstring instance;
  if (read_policies_v1(s, devices, paths.front().DsmPathId, &block, &instance) != 0) return 1;
  return send_family5_policy(s, block, instance, paths, policy, failback_on);
}

int exec_set_lb_policy_alua(Session& s, const DeviceRecord& device, LbOperationsInstances* cache) {
  LbOperationsInstances local;
  LbOperationsInstances& known = cache != nullptr ? *cache : local;
  if (!known.read) {
    known.status = s.wmi->enumerate(L"DSM_LB_Operations", [&](wmi::Object& o) {
      known.names.insert(wmi::wmi_get_text(o, L"InstanceName"));
      return true;
    });
    known.read = true;
  }
  if (hr_failed(known.status)) return 1;
  // Without an instance of this device the enumeration ended with WBEM_S_FALSE.
  if (!known.names.count(device.InstanceName)) return kS_FALSE;

  ObjectPtr in, record, path_class;
  HResult hr = wmi::spawn_method_params(*s.wmi, L"DSM_LB_Operations", L"DsmSetLoadBalancePolicyALUA", in);
  if (hr_failed(hr) || !in) return hr_failed(hr) ? hr : 1;
  if (hr_failed(hr = wmi::spawn_object(*s.wmi, L"DSM_Load_Balance_Policy_V2", record))) return hr;
  if (!put_all(*record, {{L"Version", i4(device.Version)},
                         {L"LoadBalancePolicy", i4(device.LoadBalancePolicy)},
                         {L"DSMPathCount", Value::i4(device.NumberPaths)},
                         {L"Reserved", Value::i4(0)}}))
    return 1;
  if (hr_failed(hr = s.wmi->get_class(L"MPIO_DSM_Path_V2", path_class))) return hr;
  std::vector<Value> elements;
  const std::size_t count = device.NumberPaths < 0 ? 0 : static_cast<std::size_t>(device.NumberPaths);
  for (std::size_t i = 0; i < count && i < device.Paths.size(); ++i) {  // never past the paths read
    const DevicePathEntry& p = device.Paths[i];
    ObjectPtr path;
    if (hr_failed(hr = path_class->spawn_instance(path))) return hr;
    if (!put_all(*path, {{L"DsmPathId", u64_text(p.DsmPathId)},
                         {L"Reserved", Value::i4(0)},
                         {L"PathWeight", i4(p.PathWeight)},
                         {L"PrimaryPath", i4(p.PrimaryPath)},
                         {L"OptimizedPath", i4(p.OptimizedPath)},
                         {L"PreferredPath", i4(p.PreferredPath)},
                         {L"FailedPath", i4(p.FailedPath)},
                         {L"TargetPortGroup_State", i4(p.TargetPortGroup_State)},
                         {L"ALUASupport", i4(p.ALUASupport)},
                         {L"SymmetricLUA", Value::ui1(p.SymmetricLUA)},
                         {L"TargetPortGroup_Preferred", Value::ui1(p.TargetPortGroup_Preferred)},
                         {L"TargetPortGroup_Identifier", Value::ui1(static_cast<std::uint8_t>(p.TargetPortGroup_Identifier))},
                         {L"TargetPort_Identifier", i4(p.TargetPort_Identifier)},
                         {L"Reserved32", Value::i4(0)},
                         {L"Reserved64", Value::i4(0)}}))
      return 1;
    elements.push_back(Value::unknown(path));
  }
  if (hr_failed(hr = record->put(L"DSM_Paths", Value::array(wmi::VT_UNKNOWN, std::move(elements))))) return hr;
  if (hr_failed(hr = in->put(L"LoadBalancePolicy", Value::unknown(record)))) return hr;
  return wmi::wmi_call(*s.wmi, wmi::wmi_object_path(L"DSM_LB_Operations", device.InstanceName),
                       L"DsmSetLoadBalancePolicyALUA", in.get());
}
