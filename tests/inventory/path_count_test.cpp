// A driver count that its paths do not back (the largest signed count in family 6,
// the largest unsigned one in family 5) sizes nothing: every report and change of the
// other devices keeps working.
#include <gtest/gtest.h>

#include "simstack/host_makers/host_generator.h"
#include "test_support.h"

TEST(PathCount, HugeDriverCountLeavesReportsAndChangesWorking) {
  struct Case {
    unsigned family;
    const char* policy_class;
    std::uint64_t count;
  };
  for (const auto& c : {Case{6, "DSM_QueryLBPolicy_V2", 2147483647u}, Case{5, "ZYRDSM_QueryLBPolicy", 4294967295u}}) {
    SCOPED_TRACE(c.family);
    TempDir dir;
    simstack::HostSpec spec;
    spec.family = c.family;
    spec.devices = 3;
    spec.paths_per_device = 2;
    Json host = generated_host(spec);
    auto& wmi = host["wmi"]["ROOT\\WMI"]["instances"];
    wmi[c.policy_class][0]["LoadBalancePolicy"]["DSMPathCount"] = c.count;
    const std::string path = write_json(dir.file("h.json"), host);

    auto listing = run_pathmgr({"devinfo"}, path);
    EXPECT_EQ(listing.exit_code, 0) << listing.out;
    EXPECT_NE(listing.out.find("\n 2  "), std::string::npos) << listing.out;  // the last device is listed
    for (const char* report : {"pathinfo", "iostatus"}) EXPECT_EQ(run_pathmgr({report}, path).exit_code, 0) << report;

    // The second device, and the one with the count itself: no allocation by the count.
    const std::string other = c.family == 6 ? wmi["MPIO_DISK_INFO"][0]["DriveInfo"][1]["SerialNumber"].get<std::string>()
                                            : listing.out.substr(listing.out.find("\n 1       ") + 10, 11);
    auto change = run_pathmgr({"devinfo", other, "LeastBlocks"}, path);
    EXPECT_EQ(change.exit_code, 0) << change.out;
    EXPECT_NE(run_pathmgr({"devinfo"}, path).out.find("LeastBlocks"), std::string::npos);
    EXPECT_EQ(run_pathmgr({"devinfo", "all", "RoundRobin"}, path).out.find("bad_alloc"), std::string::npos);
  }
}
