// instance <class>: the five printers, byte for byte, and what they print when the
// class cannot be read.
#include "reports/instance_dump.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

Json bytes(std::initializer_list<int> values, int count = 0) {
  Json out = Json::array();
  for (int v : values) out.push_back(v);
  for (int i = 0; i < count; ++i) out.push_back(i);
  return out;
}

Json dump_host(unsigned major) {
  Json doc = empty_host(major);
  Json& w = doc["wmi"]["ROOT\\WMI"]["instances"];
  w["ZYRDSM_CONFIGINFO"] = Json::array({
      {{"InstanceName", "ZYRDSM_0"}, {"NumberFOGroups", 2}, {"NumberMPGroups", 5},
       {"LoadBalancePolicy", {1, 2, 2, 1, 4}}, {"FailBack", {1, 2, 1, 1, 2}}, {"ReservationList", {0, 0, 3, 0, 0}}},
      // A zero policy, and more groups than the arrays hold.
      {{"InstanceName", "ZYRDSM_1"}, {"NumberFOGroups", 0}, {"NumberMPGroups", 4},
       {"LoadBalancePolicy", {1, 0, 2}}, {"FailBack", {1}}, {"ReservationList", Json::array()}},
  });
  w["ZYRDSM_PERFINFO"] = Json::array({
      {{"InstanceName", "MPIO\\Disk&Ven_ZYR\\1_0"}, {"NumberDevices", 3},
       {"PerfInfo", Json::array({
            {{"NumberReads", 4294967295u}, {"NumberWrites", 2}, {"BytesRead", "18446744073709551615"},
             {"BytesWritten", "0"}, {"PathId", "255"}, {"PortNumber", 2}, {"ScsiPathId", 0}, {"TargetId", 17},
             {"Lun", 255}, {"Identifier", bytes({}, 20)}, {"Page80", bytes({0x41, 0x42})},
             {"Page83", bytes({0, 0x83, 0, 0x14}, 14)}, {"PageD0", Json::array()}, {"LMEI", bytes({}, 16)},
             {"vendorid", bytes({'Z', 'Y', 'R', ' '})}, {"productid", bytes({'F', 'L', 'E', 'X'})}},
            nullptr,
        })}},
  });
  Json v1_paths = Json::array({{{"DsmPathId", "31"}, {"PathWeight", 7}, {"PrimaryPath", 1}},
                               nullptr,
                               {{"DsmPathId", "4886718345"}, {"PathWeight", 0}, {"PrimaryPath", 0}}});
  w["DSM_QueryLBPolicy"] = Json::array({
      {{"InstanceName", "MPIO\\Disk\\0"},
       {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", 4}, {"DSMPathCount", 2}, {"Reserved", 0}, {"DSM_Paths", v1_paths}}}},
      {{"InstanceName", "MPIO\\Disk\\1"},
       {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", 8}, {"DSMPathCount", 0}, {"Reserved", 9}, {"DSM_Paths", Json::array()}}}},
  });
  w["DSM_QueryLBPolicy_V2"] = Json::array({
      {{"InstanceName", "MPIO\\Disk\\0"},
       {"LoadBalancePolicy",
        {{"Version", 2}, {"LoadBalancePolicy", 7}, {"DSMPathCount", 1}, {"Reserved", 0},
         {"DSM_Paths", Json::array({{{"DsmPathId", "2000000001"}, {"PathWeight", 3}, {"PrimaryPath", 1},
                                     {"OptimizedPath", 0}, {"PreferredPath", 1}, {"FailedPath", 0},
                                     {"TargetPortGroup_State", 16}, {"ALUASupport", 3}, {"SymmetricLUA", 1},
                                     {"TargetPortGroup_Preferred", 0}, {"TargetPortGroup_Identifier", 65535},
                                     {"TargetPort_Identifier", 4294967295u}}})}}}},
  });
  w["DSM_QueryUniqueId"] = Json::array({{{"InstanceName", "MPIO\\Disk\\0"}, {"DsmUniqueId", "255"}},
                                        {{"InstanceName", "MPIO\\Disk\\1"}, {"DsmUniqueId", "18364758544493064720"}}});
  return doc;
}

const std::string kConfigInfo =
    "\n"
    "  InstanceName: ZYRDSM_0\n"
    "  NumberFOGroups: 2\n"
    "  NumberMPGroups: 5\n"
    "  LoadBalancePolicy: FailOver, RoundRobin, RoundRobin, FailOver, \n"
    "Dynlqd\n"
    "  FailBack: 1, 2, 1, 1, 2\n"
    "  ReservationList: 0, 0, 3, 0, 0\n"
    "\n"
    "  InstanceName: ZYRDSM_1\n"
    "  NumberFOGroups: 0\n"
    "  NumberMPGroups: 4\n"
    "  LoadBalancePolicy: FailOver, , RoundRobin, \n"
    "  FailBack: 1, 4294967295, 4294967295, 4294967295\n"
    "  ReservationList: 4294967295, 4294967295, 4294967295, 4294967295\n"
    "\n";

const std::string kPerfInfo =
    "  InstanceName: MPIO\\Disk&Ven_ZYR\\1_0\n"
    "  NumberDevices: 3\n"
    "    NumberReads: 4294967295\n"
    "    NumberWrites: 2\n"
    "    BytesRead: 0xFFFFFFFFFFFFFFFF\n"
    "    BytesWritten: 0x0\n"
    "    PathId: 0x000000FF\n"
    "    PortNumber: 2\n"
    "    ScsiPathId: 0\n"
    "    TargetId: 17\n"
    "    Lun: 255\n"
    "    Identifier: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n"
    "                10 11 12 13 \n"
    "    Page80: 41 42 \n"
    "    Page83: 00 83 00 14 00 01 02 03 04 05 06 07 08 09 0A 0B \n"
    "            0C 0D \n"
    "    PageD0: \n"
    "    LMEI: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n"
    "            \n"
    "    vendorid: ZYR \n"
    "    productid: FLEX\n"
    "\n";

const std::string kLbPolicy =
    "  InstanceName: MPIO\\Disk\\0\n"
    "  Version: 1\n"
    "  LoadBalancePolicy: Dynlqd\n"
    "  DSMPathCount: 2\n"
    "  Reserved: 0\n"
    "    DsmPathId: 0x0000001F\n"
    "    PathWeight: 7\n"
    "    PrimaryPath: 1\n"
    "\n"
    "    DsmPathId: 0x123456789\n"
    "    PathWeight: 0\n"
    "    PrimaryPath: 0\n"
    "\n"
    "\n"
    "  InstanceName: MPIO\\Disk\\1\n"
    "  Version: 1\n"
    "  LoadBalancePolicy: \n"
    "  DSMPathCount: 0\n"
    "  Reserved: 9\n"
    "\n";

const std::string kLbPolicyV2 =
    "  InstanceName: MPIO\\Disk\\0\n"
    "  Version: 2\n"
    "  LoadBalancePolicy: VendorSpecific\n"
    "  DSMPathCount: 1\n"
    "  Reserved: 0\n"
    "    DsmPathId: 0x77359401\n"
    "    PathWeight: 3\n"
    "    PrimaryPath: 1\n"
    "    OptimizedPath: 0\n"
    "    PreferredPath: 1\n"
    "    FailedPath: 0\n"
    "    TargetPortGroup_State: 16\n"
    "    ALUASupport: 3\n"
    "    SymmetricLUA: 1\n"
    "    TargetPortGroup_Preferred: 0\n"
    "    TargetPortGroup_Identifier: 65535\n"
    "    TargetPort_Identifier: 4294967295\n"
    "\n"
    "\n";

const std::string kUniqueId =
    "\n"
    "  InstanceName: MPIO\\Disk\\0\n"
    "  DsmUniqueId: 0x00000000000000FF\n"
    "\n"
    "  InstanceName: MPIO\\Disk\\1\n"
    "  DsmUniqueId: 0xFEDCBA9876543210\n"
    "\n";

class InstanceDump : public ::testing::Test {
 protected:
  std::string dump(const Json& doc, const std::string& cls) {
    SimSession s(write_json(dir_.file("s.json"), doc));
    EXPECT_EQ(dump_instances(s.session, cls), 0) << cls;
    return s.output();
  }
  TempDir dir_;
};

}  // namespace

TEST_F(InstanceDump, EveryClassInAnyCaseAndEitherFamily) {
  for (unsigned major : {5u, 6u}) {
    const Json doc = dump_host(major);
    EXPECT_EQ(dump(doc, "zyrdsm_configinfo"), kConfigInfo);
    EXPECT_EQ(dump(doc, "zyrdsm_perfinfo"), kPerfInfo);
    EXPECT_EQ(dump(doc, "DSM_QueryLBPolicy"), kLbPolicy);
    EXPECT_EQ(dump(doc, "dsm_querylbpolicy_v2"), kLbPolicyV2);
    EXPECT_EQ(dump(doc, "DSM_QUERYUNIQUEID"), kUniqueId);
    EXPECT_EQ(dump(doc, "DSM_QueryLBPolicy_V"), "");
  }
}

TEST_F(InstanceDump, WideTextAndTheStreamStateLeftBehind) {
  Json doc = empty_host(6);
  doc["wmi"]["ROOT\\WMI"]["instances"]["DSM_QueryUniqueId"] =
      Json::array({{{"InstanceName", "MPIO\\Disk\\\xC3\xA9t\xC3\xA9"}, {"DsmUniqueId", "10"}}});
  SimSession s(write_json(dir_.file("s.json"), doc));
  EXPECT_EQ(dump_instances(s.session, "DSM_QueryUniqueId"), 0);
  EXPECT_EQ(s.output(), "\n  InstanceName: MPIO\\Disk\\\xC3\xA9t\xC3\xA9\n  DsmUniqueId: 0x000000000000000A\n\n");
  // The zero fill and upper case stay on the one output stream; the base is decimal again.
  EXPECT_EQ(s.session.out.fill(), '0');
  EXPECT_TRUE(s.session.out.flags() & std::ios::uppercase);
  EXPECT_TRUE(s.session.out.flags() & std::ios::dec);
}

TEST_F(InstanceDump, AClassThatCannotBeReadPrintsNothing) {
  const char* classes[] = {"ZYRDSM_CONFIGINFO", "ZYRDSM_PERFINFO", "DSM_QueryLBPolicy", "DSM_QueryLBPolicy_V2",
                           "DSM_QueryUniqueId"};
  for (const char* cls : classes) {
    Json doc = dump_host(5);
    doc["faults"]["enumerate"] = Json::array({{{"class", cls}, {"hresult", "0x80041010"}}});
    EXPECT_EQ(dump(doc, cls), "") << cls;
  }
  // Classes without instances: the two with a leading line end print only that.
  EXPECT_EQ(dump(empty_host(5), "ZYRDSM_CONFIGINFO"), "\n");
  EXPECT_EQ(dump(empty_host(5), "ZYRDSM_PERFINFO"), "");
  Json doc = dump_host(6);
  doc["faults"]["enumerate"] = Json::array({{{"class", "ZYRDSM_PERFINFO"}, {"hresult", "0x80041010"}}});
  auto r = run_pathmgr({"instance", "zyrdsm_perfinfo"}, write_json(dir_.file("f.json"), doc));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
}

// A group count of 4294967295 would print filler entries for hours: past what the
// arrays hold, 1024 entries are printed in all, and a line says how many were left out.
TEST_F(InstanceDump, AGroupCountPastWhatTheInstanceHoldsStopsAtTheCeiling) {
  Json doc = empty_host(5);
  doc["wmi"]["ROOT\\WMI"]["instances"]["ZYRDSM_CONFIGINFO"] =
      Json::array({{{"InstanceName", "ZYRDSM_0"}, {"NumberMPGroups", 4294967295u}, {"LoadBalancePolicy", {1, 2, 4}},
                    {"FailBack", {1, 2}}, {"ReservationList", Json::array()}}});
  const std::string out = dump(doc, "ZYRDSM_CONFIGINFO");
  const auto line = [&](const std::string& label) {
    const std::size_t at = out.find(label);
    return at == std::string::npos ? std::string() : out.substr(at, out.find('\n', at) - at);
  };
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4 + 256 + 2 + 2);  // policies: a line every four
  EXPECT_EQ(line("  FailBack: ").rfind("  FailBack: 1, 2, 4294967295, ", 0), 0u);
  const std::string reservations = line("  ReservationList: ");
  EXPECT_EQ(std::count(reservations.begin(), reservations.end(), ','), 1023);
  EXPECT_NE(out.find("  (4294966271 more entries not shown: the arrays hold 3)\n\n"), std::string::npos) << out.substr(0, 300);
}
