#include "config/counters.h"

#include <optional>
#include <vector>

#include "inventory/policy_readers.h"
#include "wmi/wmi_access.h"

namespace {

// InstanceName of every instance of a method class (empty when a name cannot be read).
HResult instance_names(Session& s, const wchar_t* cls, std::vector<std::optional<std::wstring>>& names) {
  return s.wmi->enumerate(cls, [&](wmi::Object& o) {
    wmi::Value v;
    if (hr_failed(o.get(L"InstanceName", v)) || v.vt != wmi::VT_BSTR) names.emplace_back();
    else names.emplace_back(v.text);
    return true;
  });
}

}  // namespace

int clear_all_counters(Session& s) {
  std::vector<std::optional<std::wstring>> names;
  if (HResult hr = instance_names(s, L"ZYRDSM_WMI_METHODS", names); hr_failed(hr)) return hr;
  s.out << "\n";
  bool ok = true;
  for (const auto& name : names) {
    if (!name) {
      ok = false;
      continue;
    }
    HResult hr = wmi::wmi_call(*s.wmi, wmi::wmi_object_path(L"ZYRDSM_WMI_METHODS", *name), L"ZyrDsmClearCounters", nullptr);
    ok = ok && hr == 0;
  }
  if (!ok) note_reported_failure(s);
  s.out << " Clear all counters: " << (ok ? "OK" : "Failed") << "\n" << std::endl;
  return 0;
}

int clear_counters(Session& s, const std::string* serial, bool all) {
  std::vector<std::optional<std::wstring>> names;
  if (HResult hr = instance_names(s, L"MSDSM_WMI_METHODS", names); hr_failed(hr)) return hr;
  std::wstring target;
  if (!all) {
    std::vector<DeviceRecord> devices;
    if (int rc = read_devices_v2(s, devices); rc != 0) return rc;
    for (const auto& d : devices)
      if (serial != nullptr && d.SerialNumber == *serial) {
        target = d.InstanceName;
        break;
      }
  }
  bool ok = true;
  for (const auto& name : names) {
    if (!name) {
      ok = false;
      continue;
    }
    if (!all && *name != target) continue;
    HResult hr = wmi::wmi_call(*s.wmi, wmi::wmi_object_path(L"MSDSM_WMI_METHODS", *name), L"MSDsmClearCounters", nullptr);
    ok = ok && hr == 0;
  }
  if (!ok) note_reported_failure(s);
  s.out << " Clear counters: " << (ok ? "OK" : "Failed") << "\n" << std::endl;
  return 0;
}
