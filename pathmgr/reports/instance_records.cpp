#include "reports/instance_records.h"

#include "inventory/names.h"
#include "session/words.h"
#include "wmi/wmi_access.h"

namespace {

using wmi::Object;
using wmi::Value;
using wmi::wmi_get;

// A property the driver delivers as a 32-bit number; a WMI boolean reads 1 when set.
std::uint32_t number32(const Value& v) { return v.vt == wmi::VT_BOOL ? (v.integer != 0 ? 1u : 0u) : v.as_u32(); }

std::vector<std::uint32_t> numbers(const Value& array) {
  std::vector<std::uint32_t> values;
  if (!array.is_array()) return values;
  values.reserve(array.elements.size());
  for (const Value& e : array.elements) values.push_back(e.as_u32());
  return values;
}

std::vector<std::uint8_t> bytes(const Value& array) {
  std::vector<std::uint8_t> values;
  values.reserve(array.elements.size());
  for (const Value& e : array.elements) values.push_back(e.as_u8());
  return values;
}

// The class lookup first (configuration and unique-id classes only), then the
// instances; `start` once the enumeration has begun.
HResult each_instance(Session& s, const wchar_t* cls, bool look_up_class, const DumpStart& start,
                      const wmi::InstanceVisitor& read) {
  if (look_up_class) {
    wmi::ObjectPtr definition;
    if (HResult hr = s.wmi->get_class(cls, definition); hr_failed(hr)) return hr;
  }
  bool started = false;
  HResult hr = s.wmi->enumerate(cls, [&](Object& o) {
    if (!started && start) start();
    started = true;
    return read(o);
  });
  if (!hr_failed(hr) && !started && start) start();
  return hr;
}

PerfInfoElement perf_element(const Object& p) {
  PerfInfoElement e;
  e.NumberReads = wmi_get(p, L"NumberReads").as_u32();
  e.NumberWrites = wmi_get(p, L"NumberWrites").as_u32();
  e.BytesRead = wmi_get(p, L"BytesRead").as_u64_text();
  e.BytesWritten = wmi_get(p, L"BytesWritten").as_u64_text();
  e.PathId = wmi_get(p, L"PathId").as_u64_text();
  e.PortNumber = wmi_get(p, L"PortNumber").as_u8();
  e.ScsiPathId = wmi_get(p, L"ScsiPathId").as_u8();
  e.TargetId = wmi_get(p, L"TargetId").as_u8();
  e.Lun = wmi_get(p, L"Lun").as_u8();
  e.Identifier = bytes(wmi_get(p, L"Identifier"));
  e.Page80 = bytes(wmi_get(p, L"Page80"));
  e.Page83 = bytes(wmi_get(p, L"Page83"));
  e.PageD0 = bytes(wmi_get(p, L"PageD0"));
  e.LMEI = bytes(wmi_get(p, L"LMEI"));
  e.vendorid = bytes(wmi_get(p, L"vendorid"));
  e.productid = bytes(wmi_get(p, L"productid"));
  return e;
}

DumpPathElement path_element(const Object& p, bool v2) {
  DumpPathElement e;
  e.DsmPathId = wmi_get(p, L"DsmPathId").as_u64_text();
  e.PathWeight = wmi_get(p, L"PathWeight").as_u32();
  e.PrimaryPath = number32(wmi_get(p, L"PrimaryPath"));
  if (!v2) return e;
  e.OptimizedPath = number32(wmi_get(p, L"OptimizedPath"));
  e.PreferredPath = number32(wmi_get(p, L"PreferredPath"));
  e.FailedPath = number32(wmi_get(p, L"FailedPath"));
  e.TargetPortGroup_State = wmi_get(p, L"TargetPortGroup_State").as_u32();
  e.ALUASupport = wmi_get(p, L"ALUASupport").as_u32();
  e.SymmetricLUA = wmi_get(p, L"SymmetricLUA").as_u8();
  e.TargetPortGroup_Preferred = wmi_get(p, L"TargetPortGroup_Preferred").as_u8();
  e.TargetPortGroup_Identifier = wmi_get(p, L"TargetPortGroup_Identifier").as_u16();
  e.TargetPort_Identifier = wmi_get(p, L"TargetPort_Identifier").as_u32();
  return e;
}

}  // namespace

std::optional<DumpClass> dump_class_of(const std::string& name) {
  for (DumpClass cls : {DumpClass::ConfigInfo, DumpClass::PerfInfo, DumpClass::LbPolicy, DumpClass::LbPolicyV2,
                        DumpClass::UniqueId})
    if (equals_nocase(name, dump_class_name(cls))) return cls;
  return std::nullopt;
}

const char* dump_class_name(DumpClass cls) {
  switch (cls) {
    case DumpClass::ConfigInfo: return "ZYRDSM_CONFIGINFO";
    case DumpClass::PerfInfo: return "ZYRDSM_PERFINFO";
    case DumpClass::LbPolicy: return "DSM_QueryLBPolicy";
    case DumpClass::LbPolicyV2: return "DSM_QueryLBPolicy_V2";
    case DumpClass::UniqueId: return "DSM_QueryUniqueId";
  }
  return "";
}

const char* dump_policy_name(std::uint32_t policy) { return policy >= 1 && policy <= 7 ? policy_name(policy) : nullptr; }

HResult read_config_info(Session& s, const DumpStart& start, const std::function<void(const ConfigInfoInstance&)>& each) {
  return each_instance(s, L"ZYRDSM_CONFIGINFO", true, start, [&](Object& o) {
    ConfigInfoInstance c;
    c.InstanceName = wmi::wmi_get_text(o, L"InstanceName");
    c.NumberFOGroups = wmi_get(o, L"NumberFOGroups").as_u32();
    c.NumberMPGroups = wmi_get(o, L"NumberMPGroups").as_u32();
    c.LoadBalancePolicy = numbers(wmi_get(o, L"LoadBalancePolicy"));
    c.FailBack = numbers(wmi_get(o, L"FailBack"));
    c.ReservationList = numbers(wmi_get(o, L"ReservationList"));
    each(c);
    return true;
  });
}

HResult read_perf_info(Session& s, const DumpStart& start, const std::function<void(const PerfInfoInstance&)>& each) {
  return each_instance(s, L"ZYRDSM_PERFINFO", false, start, [&](Object& o) {
    PerfInfoInstance p;
    p.InstanceName = wmi::wmi_get_text(o, L"InstanceName");
    p.NumberDevices = wmi_get(o, L"NumberDevices").as_u32();
    for (const Value& e : wmi_get(o, L"PerfInfo").elements)
      if (e.object) p.PerfInfo.push_back(perf_element(*e.object));
    each(p);
    return true;
  });
}

HResult read_lb_policies(Session& s, bool v2, const DumpStart& start,
                         const std::function<void(const LbPolicyInstance&)>& each) {
  return each_instance(s, v2 ? L"DSM_QueryLBPolicy_V2" : L"DSM_QueryLBPolicy", false, start, [&](Object& o) {
    LbPolicyInstance p;
    p.InstanceName = wmi::wmi_get_text(o, L"InstanceName");
    const Value policy = wmi_get(o, L"LoadBalancePolicy");
    if (policy.object) {
      const Object& lb = *policy.object;
      p.has_policy = true;
      p.Version = wmi_get(lb, L"Version").as_u32();
      p.LoadBalancePolicy = wmi_get(lb, L"LoadBalancePolicy").as_u32();
      p.DSMPathCount = wmi_get(lb, L"DSMPathCount").as_u32();
      p.Reserved = wmi_get(lb, L"Reserved").as_u32();
      for (const Value& e : wmi_get(lb, L"DSM_Paths").elements)
        if (e.object) p.DSM_Paths.push_back(path_element(*e.object, v2));
    }
    each(p);
    return true;
  });
}

HResult read_unique_ids(Session& s, const DumpStart& start, const std::function<void(const UniqueIdInstance&)>& each) {
  // Asked for by this spelling; WMI class names do not depend on case.
  return each_instance(s, L"Dsm_QueryUniqueId", true, start, [&](Object& o) {
    each({wmi::wmi_get_text(o, L"InstanceName"), wmi_get(o, L"DsmUniqueId").as_u64_text()});
    return true;
  });
}
