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

PolicyListing gather_policies(Session& s) {
  PolicyListing listing;
  if (!s.family5()) read_supported_policies(s, listing.policies);  // a failure leaves the fixed list
  listing.from_dsm = !listing.policies.empty();
  if (!listing.from_dsm)
    for (std::uint32_t policy = 1; policy <= (s.family5() ? 6u : 5u); ++policy) listing.policies.push_back({0, policy});
  return listing;
}

void print_policies(std::ostream& out, const PolicyListing& listing) {
  out << std::endl;
  for (const SupportedPolicy& p : listing.policies) out << " " << policy_name(p.LoadBalancePolicy) << std::endl;
  out << std::endl;
}

int show_policies(Session& s) {
  print_policies(s.out, gather_policies(s));
  return 0;
}
