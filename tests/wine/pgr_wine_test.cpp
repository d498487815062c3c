// pgr in the Windows build under wine64: the reservation settings in the prefix's real
// registry, and a TEST UNIT READY that wine does not serve.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string kWine = "/usr/lib/wine/wine64";
const std::string kKey = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters";

class WinePgr : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { prefix_ = new TempDir(); }
  static void TearDownTestSuite() {
    run_program({"/usr/lib/wine/wineserver", "-k"}, env(), {}, "");
    delete prefix_;
  }
  static std::vector<std::string> env() { return {"WINEPREFIX=" + prefix_->path(), "WINEDEBUG=-all"}; }
  static ProcessResult wine(std::vector<std::string> args) {
    args.insert(args.begin(), kWine);
    ProcessResult r = run_program(args, env(), {"PATHMGR_SIM"}, "");
    std::erase(r.out, '\r');
    return r;
  }
  static ProcessResult pathmgr(std::vector<std::string> args) {
    args.insert(args.begin(), WINE_PATHMGR);
    return wine(std::move(args));
  }
  static TempDir* prefix_;
};

TempDir* WinePgr::prefix_ = nullptr;

}  // namespace

TEST_F(WinePgr, SettingsInTheRegistryAndTestUnitReady) {
  ASSERT_EQ(wine({"reg", "add", kKey, "/v", "DsmUsePersistentReservation", "/t", "REG_DWORD", "/d", "0", "/f"}).exit_code, 0);
  ASSERT_EQ(wine({"reg", "add", kKey, "/v", "DsmPersistentReservationKey", "/t", "REG_BINARY", "/d", "4B45593030303031",
                  "/f"}).exit_code, 0);
  EXPECT_EQ(pathmgr({"pgr"}).out, "Persistent Reservation: Disable\n");
  auto enabled = pathmgr({"pgr", "enable", "ABCDEFGH"});
  EXPECT_EQ(enabled.exit_code, 0);
  EXPECT_EQ(enabled.out, "");
  EXPECT_EQ(pathmgr({"pgr"}).out, "Persistent Reservation: Enable\n                   Key: ABCDEFGH\n");
  EXPECT_NE(wine({"reg", "query", kKey, "/v", "DsmPersistentReservationKey"}).out.find("4142434445464748"),
            std::string::npos);
  // Wine serves no SCSI pass-through: the request fails and only the result line tells.
  auto tur = pathmgr({"pgr", "tur", "1"});
  EXPECT_EQ(tur.exit_code, 0);
  EXPECT_EQ(tur.out, "result: 0 status: 0x0 sense: 0x00 0x00 0x00\n");
}
