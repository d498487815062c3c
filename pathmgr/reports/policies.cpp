#include "reports/policies.h"

#include "inventory/names.h"
#include "wmi/wmi_access.h"

int read_supported_policies(Session& s, std::vector<SupportedPolicy>& policies) {
  HResult hr = s.wmi->enumerate(L"DSM_QuerySupportedLBPolicies_V2", [&](wmi::Object& instance) {
    wmi::wmi_get(instance, L"InstanceName");  // read as the DSM serves it; not used
    for (const wmi::Value& e : wmi::wmi_get(instance, L"Supported_LB_Policies").elements) {
      if (!e.object) continue;
      policies.push_back({wmi::wmi_get(*e.object, L"Version").as_u32(),
                          wmi::wmi_get(*e.object, L"LoadBalancePolicy").as_u32()});
    }
    return false;  // later instances are not looked at
  });
  return hr_failed(hr) ? 1 : 0;
}

int show_policies(Session& s) {
  std::vector<SupportedPolicy> supported;
  if (!s.family5()) read_supported_policies(s, supported);  // a failure leaves the fixed list
  std::ostream& out = s.out;
  out << std::endl;
  if (!supported.empty()) {
    for (const SupportedPolicy& p : supported) out << " " << policy_name(p.LoadBalancePolicy) << std::endl;
  } else {
    for (std::uint32_t policy = 1; policy <= (s.family5() ? 6u : 5u); ++policy)
      out << " " << policy_name(policy) << std::endl;
  }
  out << std::endl;
  return 0;
}
