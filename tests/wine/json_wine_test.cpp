// pathmgr.exe --json under wine64. Through the real COM backend wine serves no MPIO
// classes: the reports' documents are empty, and still parse. Through a simulated host
// given to the Windows build, WMI's wide strings reach the document as UTF-8, whatever
// code page the console or the pipe has.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "test_support.h"

namespace {

const std::string kWine = "/usr/lib/wine/wine64";

class WineJson : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempDir();
    run_program({kWine, "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", "win2008", "/f"}, env(), {}, "");
  }
  static void TearDownTestSuite() {
    run_program({"/usr/lib/wine/wineserver", "-k"}, env(), {}, "");
    delete prefix_;
  }
  static std::vector<std::string> env() { return {"WINEPREFIX=" + prefix_->path(), "WINEDEBUG=-all"}; }
  // pathmgr.exe with standard error apart, on wine's WMI or on a simulated host.
  static ProcessResult run(const std::vector<std::string>& args, const std::string& host = "") {
    std::vector<std::string> argv{"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>/dev/null", kWine, WINE_PATHMGR};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> set = env();
    if (!host.empty()) set.push_back("PATHMGR_SIM=" + host);
    ProcessResult r = run_program(argv, set, {"PATHMGR_SIM"}, "");
    std::erase(r.out, '\r');
    return r;
  }
  static nlohmann::json document(const ProcessResult& r) {
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    return nlohmann::json::parse(r.out);
  }
  static TempDir* prefix_;
};

TempDir* WineJson::prefix_ = nullptr;

// A host file's path as the Windows program names it: wine's drive Z: is the root.
std::string windows_path(const std::string& path) {
  std::string p = "Z:" + path;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

}  // namespace

TEST_F(WineJson, DevinfoOverWinesWmiIsAnEmptyDocument) {
  const ProcessResult r = run({"--json", "devinfo"});
  EXPECT_EQ(r.exit_code, 0);
  const nlohmann::json d = document(r);
  EXPECT_EQ(d["format"], "pathmgr-report/1");
  EXPECT_EQ(d["family"], 6);
  EXPECT_EQ(d["devices"], nlohmann::json::array());
  for (const char* report : {"iostatus", "pathinfo", "dsminfo", "policies"}) {
    const ProcessResult other = run({"--json", report});
    EXPECT_EQ(other.exit_code, 0) << report;
    EXPECT_EQ(document(other)["command"], report);
  }
  // The browser connects for real: wine's root\wmi has no __SystemClass.
  const nlohmann::json listing = document(run({"--json", "mpiolist", "1"}));
  EXPECT_EQ(listing["complete"], false);
  EXPECT_EQ(listing["instances"], nlohmann::json::array());
  EXPECT_NE(listing["message"].get<std::string>().find("WBEM_E_NOT_FOUND"), std::string::npos);
  const nlohmann::json syntax = document(run({"--json", "bogus"}));
  EXPECT_EQ(syntax["error"], "syntax");
}

TEST_F(WineJson, WideStringsAreUtf8InTheDocument) {
  const std::string name = "ZYRDSM \u2013 \u041a\u043e\u043d\u0442\u0440\u043e\u043b\u043b\u0435\u0440 \u65ad\u7ebf";
  Json doc = empty_host(6);
  doc["wmi"]["ROOT\\WMI"]["instances"]["MPIO_REGISTERED_DSM"] = Json::array(
      {{{"InstanceName", "Root\\MPIO\\0000_0"}, {"NumberDSMs", 1},
        {"DsmParameters", Json::array({{{"DsmName", name}, {"DsmContext", "26"},
                                        {"DsmVersion", {{"MajorVersion", 2}, {"MinorVersion", 4}, {"ProductBuild", 0},
                                                        {"QfeNumber", 20}}},
                                        {"DsmCounters", {{"PathVerificationPeriod", 30}, {"RetryCount", 3}}}}})}}});
  TempDir dir;
  const std::string host = windows_path(write_json(dir.file("host.json"), doc));
  const ProcessResult r = run({"--json", "dsminfo"}, host);
  EXPECT_EQ(r.exit_code, 0) << r.out;
  const nlohmann::json d = document(r);
  ASSERT_EQ(d["dsms"].size(), 1u) << r.out;
  EXPECT_EQ(d["dsms"][0]["name"], name);
  EXPECT_EQ(d["dsms"][0]["context_hex"], "0000001A");
  EXPECT_EQ(d["dsms"][0]["version"], "2.4.0.20");
  // The text goes out in the code page of the pipe, which has no such characters.
  const ProcessResult text = run({"dsminfo"}, host);
  EXPECT_NE(text.out.find(" DSM Name:              ZYRDSM "), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find(name), std::string::npos);
}
