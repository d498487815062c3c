// The Windows listener under wine64, with the real COM and WMI: the subscription
// starts, nothing arrives (wine raises no MPIO events), ENTER ends it; and the COM
// sink's own checks (listen_sink_check.exe).
#include <gtest/gtest.h>

#include "test_support.h"

using namespace std::chrono_literals;

namespace {

const std::string kWine = "/usr/lib/wine/wine64";

std::string without_cr(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

class WineListen : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempDir();
    run_program({kWine, WINE_PATHMGR, "/?"}, env(), {"PATHMGR_SIM"}, "");  // makes the prefix
  }
  static void TearDownTestSuite() {
    run_program({"/usr/lib/wine/wineserver", "-k"}, env(), {}, "");
    delete prefix_;
  }
  static std::vector<std::string> env() { return {"WINEPREFIX=" + prefix_->path(), "WINEDEBUG=-all"}; }
  static TempDir* prefix_;
};

TempDir* WineListen::prefix_ = nullptr;

}  // namespace

TEST_F(WineListen, SubscriptionStartsAndEnterEndsIt) {
  const std::string header = "\n listening mode, press ENTER to stop...\n";
  RunningProgram listener({kWine, WINE_PATHMGR, "listen"}, env(), {"PATHMGR_SIM"});
  ASSERT_TRUE(listener.wait_for_output(" listening mode, press ENTER to stop...", 120s)) << listener.output();
  EXPECT_EQ(listener.wait(1s), -1);  // subscribed and waiting; "command failed!" would have ended it
  EXPECT_TRUE(listener.write("\n"));
  EXPECT_EQ(listener.wait(60s), 0);
  EXPECT_EQ(without_cr(listener.output()), header);
}

#ifdef WINE_SINK_CHECK
TEST_F(WineListen, EventSinkChecks) {
  auto r = run_program({kWine, WINE_SINK_CHECK}, env(), {"PATHMGR_SIM"}, "");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(without_cr(r.out), "all checks passed\n");
}
#endif
