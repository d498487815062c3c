// "policies": the load-balance policies a device can be given, one name per line.
#pragma once
#include <cstdint>
#include <vector>

#include "session/session.h"

// One element of the DSM's supported-policy array.
struct SupportedPolicy {
  std::uint32_t Version = 0;
  std::uint32_t LoadBalancePolicy = 0;
};

// The first DSM_QuerySupportedLBPolicies_V2 instance's policies, in array order
// (missing elements skipped); 0, or 1 when the enumeration cannot be started.
int read_supported_policies(Session& session, std::vector<SupportedPolicy>& policies);

// Family 6: what the DSM reports, else the five fixed names; family 5: six fixed
// names, the DSM is not asked. Always 0.
int show_policies(Session& session);
