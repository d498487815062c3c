// devinfo, pathinfo and iostatus, byte for byte, in both families.
#include <gtest/gtest.h>

#include <iomanip>

#include "reports/devinfo.h"
#include "reports/expected_reports.h"
#include "reports/iostatus.h"
#include "reports/pathinfo.h"
#include "reports/report_hosts.h"
#include "test_support.h"

namespace {

class Reports : public ::testing::Test {
 protected:
  SimSession& host(const Json& doc) {
    sim_ = std::make_unique<SimSession>(write_json(dir_.file("s.json"), doc));
    return *sim_;
  }
  // The stream must come back right-aligned, decimal and blank-filled.
  void expect_stream_restored() {
    sim_->out << std::setw(4) << 7 << '|';
    EXPECT_EQ(sim_->output().substr(sim_->output().size() - 5), "   7|");
  }
  TempDir dir_;
  std::unique_ptr<SimSession> sim_;
};

}  // namespace

TEST_F(Reports, DevinfoFamilySix) {
  auto& s = host(family6_report_host());
  EXPECT_EQ(devinfo_list(s.session), 0);
  EXPECT_EQ(s.output(), kDevinfo6);
  expect_stream_restored();
}

TEST_F(Reports, DevinfoFamilyFiveWithPathlessDisk) {
  auto& s = host(family5_report_host());
  EXPECT_EQ(devinfo_list(s.session), 0);
  EXPECT_EQ(s.output(), kDevinfo5);
}

TEST_F(Reports, PathinfoListFamilySix) {
  auto& s = host(family6_report_host());
  EXPECT_EQ(pathinfo_list(s.session, "", ""), 0);
  EXPECT_EQ(s.output(), kBlockA1 + kBlockA2 + "Error occured!\n" + kBlockD + "\n");
  expect_stream_restored();
}

TEST_F(Reports, PathinfoSerialFilterIsExactButErrorsStillShow) {
  auto& s = host(family6_report_host());
  EXPECT_EQ(pathinfo_list(s.session, "SN", "SN-A"), 0);
  EXPECT_EQ(s.output(), kBlockA1 + kBlockA2 + "Error occured!\n" + "\n");
  auto& other = host(family6_report_host());
  EXPECT_EQ(pathinfo_list(other.session, "sn", "sn-a"), 0);
  EXPECT_EQ(other.output(), "Error occured!\n\n");
}

TEST_F(Reports, PathinfoHbaFilterFamilyFive) {
  auto& s = host(family5_report_host());
  EXPECT_EQ(pathinfo_list(s.session, "hba", "21000B5E713C5A01"), 0);
  EXPECT_EQ(s.output(), kBlock5 + "\n");
  auto& lower = host(family5_report_host());
  EXPECT_EQ(pathinfo_list(lower.session, "HBA", "21000b5e713c5a01"), 0);
  EXPECT_EQ(lower.output(), "\n");
}

TEST_F(Reports, PathinfoDetailFirstMatchingDriveAndMissingRecord) {
  auto& s = host(family6_report_host());
  EXPECT_EQ(pathinfo_detail(s.session, 0x1F), 0);
  EXPECT_EQ(s.output(), kDetail6);
  expect_stream_restored();
  const std::string heading =
      "\n Device SerialNumber             SCSI Address            PhysicalDrive\n " + std::string(78, '-') + "\n";
  auto& missing = host(family6_report_host());
  EXPECT_EQ(pathinfo_detail(missing.session, 0x20), 0);
  EXPECT_EQ(missing.output(), heading + "Error occured!\n\n");
  auto& none = host(family6_report_host());
  EXPECT_EQ(pathinfo_detail(none.session, 0x99), 0);
  EXPECT_EQ(none.output(), heading + "\n");
}

TEST_F(Reports, IostatusFamilySixSumsCountersIn64Bits) {
  auto& s = host(family6_report_host());
  EXPECT_EQ(show_io_status(s.session, {"iostatus", "ignored"}), 0);
  EXPECT_EQ(s.output(), kIostatus6);
  expect_stream_restored();
}

TEST_F(Reports, IostatusFamilyFiveEmptyPnpDeviceIdMatchesEveryDevice) {
  auto& s = host(family5_report_host());
  EXPECT_EQ(show_io_status(s.session, {"iostatus"}), 0);
  EXPECT_EQ(s.output(), kIostatus5);
}

TEST_F(Reports, NoDeviceNoOutput) {
  for (unsigned major : {5u, 6u}) {
    auto& s = host(empty_host(major));
    EXPECT_EQ(devinfo_list(s.session), 0);
    EXPECT_EQ(pathinfo_list(s.session, "", ""), 0);
    EXPECT_EQ(pathinfo_detail(s.session, 1), 0);
    EXPECT_EQ(show_io_status(s.session, {"iostatus"}), 0);
    EXPECT_EQ(s.output(), "");
  }
}

TEST_F(Reports, DriveConnectionFailuresArePrintedAndEveryDriveIsNA) {
  Json doc = family6_report_host();
  doc["faults"]["connect"] = Json::array({{{"namespace", "ROOT\\CIMV2"}, {"step", "ConnectServer"}, {"hresult", "0x8004100E"}}});
  auto& s = host(doc);
  EXPECT_EQ(pathinfo_detail(s.session, 0x1F), 0);
  EXPECT_EQ(s.output().rfind("Could not connect to root\\cimv2. Error code = 0x8004100e\n\n Device", 0), 0u);
  EXPECT_NE(s.output().find("02000105                N/A\n"), std::string::npos);
  Json blanket = family6_report_host();
  blanket["faults"]["connect"] = Json::array({{{"namespace", "root\\cimv2"}, {"step", "CoSetProxyBlanket"}, {"hresult", "0x80070005"}}});
  auto& b = host(blanket);
  EXPECT_EQ(show_io_status(b.session, {"iostatus"}), 0);
  EXPECT_EQ(b.output().rfind("Could not set proxy blanket. Error code = 0x80070005\n\n PathId", 0), 0u);
  EXPECT_NE(b.output().find("4294967296  N/A                  SN-A"), std::string::npos);
}

TEST_F(Reports, ReaderFailuresGiveTheirCodeAndNoOutput) {
  struct Case {
    const char* cls;
    int expected;
  };
  for (const Case& c : {Case{"DSM_QueryLBPolicy_V2", 1}, Case{"MPIO_GET_DESCRIPTOR", 1},
                        Case{"MSDSM_DEVICE_PERF", static_cast<int>(0x80041013)}}) {
    Json doc = family6_report_host();
    doc["faults"]["enumerate"] = Json::array({{{"class", c.cls}, {"hresult", "0x80041013"}}});
    auto& s = host(doc);
    EXPECT_EQ(devinfo_list(s.session), c.expected) << c.cls;
    EXPECT_EQ(pathinfo_list(s.session, "", ""), c.expected) << c.cls;
    EXPECT_EQ(show_io_status(s.session, {"iostatus"}), c.expected) << c.cls;
    EXPECT_EQ(s.output(), "") << c.cls;
  }
}

TEST_F(Reports, FailingReportThroughTheProgramSaysCommandFailed) {
  Json doc = family6_report_host();
  doc["faults"]["enumerate"] = Json::array({{{"class", "MPIO_GET_DESCRIPTOR"}, {"hresult", "0x80041013"}}});
  auto r = run_pathmgr({"devinfo"}, write_json(dir_.file("f.json"), doc));
  EXPECT_EQ(r.out, "command failed!\n");
  EXPECT_EQ(r.exit_code, 1);
  auto ok = run_pathmgr({"DEVI"}, write_json(dir_.file("g.json"), family6_report_host()));
  EXPECT_EQ(ok.out, kDevinfo6);
  EXPECT_EQ(ok.exit_code, 0);
}
