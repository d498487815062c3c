// "policies": the load-balance policies a device can be given, one name per line.
#pragma once
#include <cstdint>
#include <ostream>
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

// What "policies" lists: family 6, what the DSM reports; else the fixed list (five
// names in family 6, six in family 5, where the DSM is not asked).
struct PolicyListing {
  bool from_dsm = false;
  std::vector<SupportedPolicy> policies;  // the fixed list: numbers 1 to 5 or 6, version 0
};
PolicyListing gather_policies(Session& session);
void print_policies(std::ostream& out, const PolicyListing& listing);

// Family 6: what the DSM reports, else the five fixed names; family 5: six fixed
// names, the DSM is not asked. Always 0.
int show_policies(Session& session);
