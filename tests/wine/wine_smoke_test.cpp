// The Windows build of pathmgr under wine64, through the real COM backend (no
// simulated host): usage per family, start-up and dispatch, the interactive child.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "shell/expected_help.h"
#include "test_support.h"

namespace {

const std::string kWine = "/usr/lib/wine/wine64";

std::string strip_cr(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

class WineSmoke : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempDir();
    // The first run makes the prefix (several seconds); later runs are warm.
    run({"/?"});
  }
  static void TearDownTestSuite() {
    run_program({"/usr/lib/wine/wineserver", "-k"}, env(), {}, "");
    delete prefix_;
  }
  static std::vector<std::string> env() { return {"WINEPREFIX=" + prefix_->path(), "WINEDEBUG=-all"}; }
  static ProcessResult run(const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> argv{kWine, WINE_PATHMGR};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r = run_program(argv, env(), {"PATHMGR_SIM"}, input);
    r.out = strip_cr(r.out);
    return r;
  }
  static void set_windows_version(const char* version) {
    run_program({kWine, "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version, "/f"}, env(), {}, "");
  }
  static TempDir* prefix_;
};

TempDir* WineSmoke::prefix_ = nullptr;

const std::string kFamily6Classes = " DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\n";
const std::string kFamily5Classes = " ZYRDSM_CONFIGINFO\n ZYRDSM_PERFINFO\n" + kFamily6Classes;
const std::string kFixedPolicies6 = "\n FailOver\n RoundRobin\n RoundRobinSubset\n Dynlqd\n Weighted\n\n";
const std::string kFixedPolicies5 = "\n FailOver\n RoundRobin\n RoundRobinSubset\n Dynlqd\n Weighted\n LeastBlocks\n\n";

}  // namespace

TEST_F(WineSmoke, FamilySixHost) {
  set_windows_version("win2008");
  auto usage = run({"/?"});
  EXPECT_EQ(usage.exit_code, 0);
  EXPECT_EQ(usage.out, usage_banner() + help_text_family6());
  auto instance = run({"instance"});  // after COM start-up and the ROOT\WMI connection
  EXPECT_EQ(instance.exit_code, 0);
  EXPECT_EQ(instance.out, kFamily6Classes);
  auto bogus = run({"bogus"});
  EXPECT_EQ(bogus.exit_code, 0);
  EXPECT_EQ(bogus.out, "syntax error near bogus\n");
  // Wine serves no MPIO instances: the reports find no device and print nothing, no
  // DSM is registered, and the DSM reports no policy, so the fixed list stands.
  for (const char* report : {"devinfo", "pathinfo", "iostatus", "dsminfo"}) {
    auto r = run({report});
    EXPECT_EQ(r.exit_code, 0) << report;
    EXPECT_EQ(r.out, "") << report;
  }
  auto dump = run({"instance", "DSM_QueryLBPolicy"});
  EXPECT_EQ(dump.exit_code, 0);
  EXPECT_EQ(dump.out, "");
  auto policies = run({"policies"});
  EXPECT_EQ(policies.exit_code, 0);
  EXPECT_EQ(policies.out, kFixedPolicies6);
  auto timers = run({"dsminfo", "set", "ZYRDSM", "RetryCount", "3"});
  EXPECT_EQ(timers.out, "command failed!\n");  // no DSM registered: nothing to set
  EXPECT_EQ(timers.exit_code, 1);
  // The prompt starts each line in a child with CreateProcessA.
  auto prompt = run({}, "instance\nexit\n");
  EXPECT_EQ(prompt.exit_code, 0);
  EXPECT_EQ(prompt.out, "pathmgr> " + kFamily6Classes + "pathmgr> ");
}

TEST_F(WineSmoke, FamilyFiveHost) {
  set_windows_version("win2003");
  auto usage = run({"help"});
  EXPECT_EQ(usage.out, usage_banner() + help_text_family5());
  auto instance = run({"instance"});
  EXPECT_EQ(instance.exit_code, 0);
  EXPECT_EQ(instance.out, kFamily5Classes);
  auto prompt = run({}, "instance\nquit\n");
  EXPECT_EQ(prompt.out, "pathmgr> " + kFamily5Classes + "pathmgr> ");
  auto policies = run({"policies"});
  EXPECT_EQ(policies.exit_code, 0);
  EXPECT_EQ(policies.out, kFixedPolicies5);
  set_windows_version("win2008");
}

// set against wine's real registry: a REG_DWORD written as the typed number's 32-bit
// pattern, read back, and a name the key does not hold never created.
TEST_F(WineSmoke, DriverParametersInTheRealRegistry) {
  const std::string key = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters";
  auto reg = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {kWine, "reg"});
    return run_program(args, env(), {}, "");
  };
  reg({"add", key, "/v", "DbgPrintLevel", "/t", "REG_DWORD", "/d", "3", "/f"});
  auto shown = run({"set", "DbgPrintLevel"});
  EXPECT_EQ(shown.out, "DbgPrintLevel=3\n");
  auto changed = run({"set", "DbgPrintLevel", "-1"});
  EXPECT_EQ(changed.exit_code, 0);  // the counters are cleared through wine's (empty) driver class
  auto again = run({"set", "dbgprintlevel"});
  EXPECT_EQ(again.out, "dbgprintlevel=4294967295\n");
  auto nope = run({"set", "Nope", "1"});
  EXPECT_NE(nope.exit_code, 0);
  EXPECT_EQ(nope.out.rfind("Error: invalid parameter \"Nope\"\n", 0), 0u) << nope.out;
  auto query = reg({"query", key, "/v", "Nope"});
  EXPECT_NE(query.exit_code, 0) << query.out;  // never created
  auto dword = reg({"query", key, "/v", "DbgPrintLevel"});
  EXPECT_NE(dword.out.find("0xffffffff"), std::string::npos) << dword.out;
}

// The WMI browser connects for real: wine has no __SystemClass in root\wmi, and no
// other computers.
TEST_F(WineSmoke, WmiBrowserReportsWhatWineLacks) {
  const std::string no_system_class =
      "Could not GetObject of __SystemClass in EnumNamespace\n"
      "FunctionReturn: WBEM_E_NOT_FOUND (0x80041002) \nAbnormal Termination\n";
  const std::string no_computer =
      "ConnectServer failed\nFunctionReturn: WBEM_E_TRANSPORT_FAILURE (0x80041015) \nAbnormal Termination\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"mpiolist", "1"}, no_system_class},
      {{"mpiolist", "0"}, no_system_class},
      // Credentials for this computer: wine takes them, so the identity on the
      // proxy blanket is set for real (Windows refuses local credentials).
      {{"mpiolist", "1", ".", "CORP\\admin", "s3cret"}, no_system_class},
      {{"mpiolist", "1", "NOSUCHHOST"}, no_computer},
      {{"mpiolist", "1", "NOSUCHHOST", "CORP\\admin", "s3cret"}, no_computer},
  };
  for (const auto& [args, expected] : cases) {
    auto r = run(args);
    EXPECT_EQ(r.exit_code, 0) << args.back();
    EXPECT_EQ(r.out, expected) << args.back();
    EXPECT_EQ(r.out.find("s3cret"), std::string::npos);
  }
}

// The conversion of VARIANTs and SAFEARRAYs against the real oleaut32, and the COM
// backend against wine's WMI: a Windows program beside pathmgr.exe.
TEST_F(WineSmoke, ComConversionAndBackendChecks) {
  const auto check = std::filesystem::path(WINE_PATHMGR).parent_path() / "wmi_com_check.exe";
  ASSERT_TRUE(std::filesystem::exists(check)) << check;
  ProcessResult r = run_program({kWine, check.string()}, env(), {"PATHMGR_SIM"}, "");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find(" checks, 0 failed"), std::string::npos) << r.out;
}
