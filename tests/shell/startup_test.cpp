// Start-up of the built pathmgr: usage, connection failures, version failure,
// one-shot results and unusable state files.
#include <gtest/gtest.h>

#include "shell/expected_help.h"
#include "test_support.h"

namespace {

Json with_connect_fault(const std::string& step, const std::string& hresult) {
  Json doc = empty_host(6);
  doc["faults"]["connect"] = Json::array({{{"namespace", "ROOT\\WMI"}, {"step", step}, {"hresult", hresult}}});
  return doc;
}

}  // namespace

TEST(Startup, HelpWordPrintsUsageOfTheHostFamilyWithoutStartingCom) {
  TempDir dir;
  // COM start-up would fail: the usage must not need it.
  auto six = write_json(dir.file("six.json"), with_connect_fault("CoInitializeEx", "0x80004005"));
  auto r = run_pathmgr({"/?"}, six);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, usage_banner() + help_text_family6());

  Json five_doc = empty_host(5);
  five_doc["faults"]["connect"] = with_connect_fault("ConnectServer", "0x8004100E")["faults"]["connect"];
  auto five = write_json(dir.file("five.json"), five_doc);
  for (const char* word : {"help", "-H", "--HELP"}) {
    auto r5 = run_pathmgr({word, "ignored"}, five);
    EXPECT_EQ(r5.exit_code, 0) << word;
    EXPECT_EQ(r5.out, usage_banner() + help_text_family5()) << word;
  }
}

TEST(Startup, UsageFallsBackToFamilyFiveWhenTheVersionCannotBeRead) {
  TempDir dir;
  Json doc = empty_host(6);
  doc["faults"]["version"] = true;
  auto r = run_pathmgr({"help"}, write_json(dir.file("s.json"), doc));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, usage_banner() + help_text_family5());
}

TEST(Startup, EachConnectionStepReportsItsOwnFailure) {
  struct Case {
    const char* step;
    const char* hresult;
    const char* message;
  };
  const Case cases[] = {
      {"CoInitializeEx", "0x80010106", "Failed to initialize COM library. Error code = 0x80010106\n"},
      {"CoInitializeSecurity", "0x80010119", "Failed to initialize security. Error code = 0x80010119\n"},
      {"CoCreateInstance", "0x80040154", "Failed to create IWbemLocator object. Err code = 0x80040154\n"},
      {"ConnectServer", "0x8004100E", "Could not connect. Error code = 0x8004100e\n"},
      {"CoSetProxyBlanket", "0x80070005", "Could not set proxy blanket. Error code = 0x80070005\n"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    auto path = write_json(dir.file(std::string(c.step) + ".json"), with_connect_fault(c.step, c.hresult));
    auto r = run_pathmgr({"instance"}, path);
    EXPECT_EQ(r.exit_code, 1) << c.step;
    EXPECT_EQ(r.out, std::string(c.message) + "Failed to initialize!\n") << c.step;
  }
}

TEST(Startup, ConnectFaultOfAnotherNamespaceDoesNotStopStartUp) {
  TempDir dir;
  Json doc = empty_host(6);
  doc["faults"]["connect"] = Json::array({{{"namespace", "ROOT\\CIMV2"}, {"step", "ConnectServer"}, {"hresult", "0x80041003"}}});
  auto r = run_pathmgr({"instance"}, write_json(dir.file("s.json"), doc));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, " DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\n");
}

TEST(Startup, VersionFailureEndsWithTwoLineEnds) {
  TempDir dir;
  Json doc = empty_host(6);
  doc["faults"]["version"] = true;
  auto r = run_pathmgr({"instance"}, write_json(dir.file("s.json"), doc));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Failed to get the OS version, exiting ...\n\n");
}

TEST(Startup, OneShotResults) {
  TempDir dir;
  Json doc = empty_host(5);
  doc["faults"]["notification"] = "0x80041001";  // listen cannot subscribe
  auto path = write_json(dir.file("s.json"), doc);
  auto bogus = run_pathmgr({"bogus"}, path);
  EXPECT_EQ(bogus.exit_code, 0);
  EXPECT_EQ(bogus.out, "syntax error near bogus\n");
  auto five = run_pathmgr({"instance"}, path);
  EXPECT_EQ(five.out, " ZYRDSM_CONFIGINFO\n ZYRDSM_PERFINFO\n DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\n");
  // A handler's failure is reported and becomes the exit code.
  auto failing = run_pathmgr({"listen"}, path);
  EXPECT_EQ(failing.exit_code, 1);
  EXPECT_NE(failing.out.find("listen"), std::string::npos);
  EXPECT_EQ(failing.out.substr(failing.out.size() - 16), "command failed!\n");
}

TEST(Startup, BrokenOrForeignStateFileIsReportedAndLeftUntouched) {
  TempDir dir;
  const std::string broken = dir.file("broken.json");
  write_text(broken, "{\"format\": \"pathmgr-sim/1\", ");
  auto r = run_pathmgr({"instance"}, broken);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find(broken), std::string::npos);
  EXPECT_NE(r.out.find("not valid JSON"), std::string::npos);
  EXPECT_EQ(read_text(broken), "{\"format\": \"pathmgr-sim/1\", ");

  const std::string foreign = dir.file("foreign.json");
  write_text(foreign, "{\"format\": \"other/2\"}");
  auto f = run_pathmgr({"help"}, foreign);
  EXPECT_EQ(f.exit_code, 1);
  EXPECT_NE(f.out.find("unsupported format"), std::string::npos);
  EXPECT_EQ(read_text(foreign), "{\"format\": \"other/2\"}");

  auto missing = run_pathmgr({"instance"}, dir.file("absent.json"));
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.out.find("absent.json"), std::string::npos);
}

TEST(Startup, DefaultHostFileIsCreatedOnFirstUse) {
  TempDir dir;
  auto r = run_pathmgr({"instance"}, "", "", {"XDG_STATE_HOME=" + dir.path()});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  Json doc = read_json(dir.file("pathmgr/sim.json"));
  EXPECT_EQ(doc["format"], "pathmgr-sim/1");
}
