// policies: the fixed lists of both families and what a family-6 DSM reports.
#include "reports/policies.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// A host whose first DSM_QuerySupportedLBPolicies_V2 instance reports `policies` (a
// null entry is a missing element); a second instance reports Weighted.
Json supported_host(unsigned major, const Json& policies) {
  Json doc = empty_host(major);
  Json list = Json::array();
  for (const auto& p : policies)
    list.push_back(p.is_null() ? Json(nullptr) : Json{{"Version", 1}, {"LoadBalancePolicy", p}});
  doc["wmi"]["ROOT\\WMI"]["instances"]["DSM_QuerySupportedLBPolicies_V2"] = Json::array(
      {{{"InstanceName", "Root\\MPIO\\0000_0"}, {"Supported_LB_Policies", list}},
       {{"InstanceName", "Root\\MPIO\\0001_0"}, {"Supported_LB_Policies", Json::array({{{"LoadBalancePolicy", 5}}})}}});
  return doc;
}

const std::string kFixed6 = "\n FailOver\n RoundRobin\n RoundRobinSubset\n Dynlqd\n Weighted\n\n";
const std::string kFixed5 = "\n FailOver\n RoundRobin\n RoundRobinSubset\n Dynlqd\n Weighted\n LeastBlocks\n\n";

}  // namespace

TEST(Policies, FixedAndReportedLists) {
  struct Case {
    const char* what;
    Json doc;
    std::string expected;
  };
  Json failing = supported_host(6, {1});
  failing["faults"]["enumerate"] = Json::array({{{"class", "DSM_QuerySupportedLBPolicies_V2"}, {"hresult", "0x80041010"}}});
  const Case cases[] = {
      {"family 5 never asks the DSM", supported_host(5, {1, 2}), kFixed5},
      {"reported list", supported_host(6, {1, 2, 4}), "\n FailOver\n RoundRobin\n Dynlqd\n\n"},
      {"unknown numbers", supported_host(6, {0, 8, 7}), "\n Unknown\n Unknown\n VendorSpecific\n\n"},
      {"duplicate, missing element skipped", supported_host(6, {2, nullptr, 2}), "\n RoundRobin\n RoundRobin\n\n"},
      {"empty array", supported_host(6, Json::array()), kFixed6},
      {"no DSM instance", empty_host(6), kFixed6},
      {"enumeration fails", failing, kFixed6},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimSession s(write_json(dir.file("s.json"), c.doc));
    EXPECT_EQ(show_policies(s.session), 0) << c.what;
    EXPECT_EQ(s.output(), c.expected) << c.what;
  }
}

TEST(Policies, ThroughTheProgramFurtherWordsAreIgnored) {
  TempDir dir;
  auto r = run_pathmgr({"POLICIES", "extra", "words"}, write_json(dir.file("s.json"), supported_host(6, {6, 3})));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "\n LeastBlocks\n RoundRobinSubset\n\n");
}
