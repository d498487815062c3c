// install -u and -f on simulated hosts after an install: the reports byte for byte and
// what is left of the device tree, registry, INF store and drivers folder.
#include <gtest/gtest.h>

#include "install_hosts.h"
#include "installer.h"
#include "uninstall_steps.h"
#include "devinst/sim_device_installer.h"
#include "text/text_convert.h"

namespace {

const std::string kModuleStep = "\nUninstalling the Device Specific Module...\nSuccess\nSuccess \n";
const std::string kZyrDisk0 = "SCSI\\DISK&VEN_ZYR&PROD_FLEXARRAY&REV_0100\\5&1A2B3C4D&0&000100";
const std::string kOtherDisk = "SCSI\\DISK&VEN_QVX&PROD_LOCALDISK&REV_0100\\5&3C4D5E6F&0&000000";
const std::string kMpdev = "SYSTEM\\CurrentControlSet\\Control\\MPDEV";

std::vector<std::string> words(const InstallHost& host, const std::string& sw) {
  return {sw, host.package(), host.package(), "zyrdsm.inf", "ROOT\\zyrdsm"};
}

InstallHost installed(const simstack::InstallHostSpec& spec) {
  InstallHost host(spec);
  EXPECT_EQ(host.run(words(host, "-i")).exit_code, 0);
  return host;
}

TEST(Uninstall, NewerSystemRebuildsTheStorageStack) {
  for (const char* sw : {"-u", "-f"}) {
    InstallHost host({.family = 6});
    host.run(words(host, "-i"));
    auto r = host.run(words(host, sw));
    EXPECT_EQ(r.out, "\n" + kModuleStep +
                         "\nMPIO\\DISK&VEN_ZYR&PROD_FLEXARRAY&REV_0100\\1&7F6AC24&0&0000 is in running state.\n"
                         " The requested resource is in use.\r\n\n\nError code (0x000000aa)\n"
                         "\nRebuilding the storage stack...\nSuccess \n")
        << sw;
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(host.device("ROOT\\MPIO\\0000"), nullptr);  // the module's device
    EXPECT_EQ(host.device("MPIO\\DISK&VEN_ZYR&PROD_FLEXARRAY&REV_0100\\1&7F6AC24&0&0000"), nullptr);
    EXPECT_EQ(host.device(kOtherDisk)["config_flags"], 0x20);  // restarted to reinstall
    EXPECT_TRUE(host.files("inf").empty());
    EXPECT_TRUE(host.files("system32/drivers").empty());  // the INF's own DelFiles
    EXPECT_EQ(host.registry_value(kMpdev, "MPIOSupportedDeviceList")["data"], Json::array());
    EXPECT_EQ(host.registry_value("SYSTEM\\CurrentControlSet\\Services\\zyrdsm", "ImagePath"), nullptr);
  }
}

TEST(Uninstall, OlderSystemRemovesTheFrameworkWithTheLastModule) {
  InstallHost host = installed({.family = 5});
  auto r = host.run(words(host, "-u"));
  EXPECT_EQ(r.out, "\n" + kModuleStep + "\nUninstalling the Multi-Path Device Driver...\nSuccess\nSuccess \n" +
                       "\nUninstalling the Multi-Path Bus Driver...\nSuccess\nSuccess \n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(host.device("ROOT\\MPIO\\0000"), nullptr);  // Detected\MPIO
  EXPECT_EQ(host.device(kZyrDisk0)["config_flags"], 0x20);
  EXPECT_TRUE(host.files("inf").empty());
  EXPECT_TRUE(host.files("system32/drivers").empty());
  EXPECT_EQ(host.registry_value("SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E97B-E325-11CE-BFC1-08002BE10318}",
                                "UpperFilters")["data"],
            Json::array());
  EXPECT_EQ(host.registry_value("SYSTEM\\CurrentControlSet\\Services\\mpio", "ImagePath"), nullptr);
}

TEST(Uninstall, OlderSystemKeepsTheFrameworkForAnotherModule) {
  InstallHost host = installed({.family = 5});
  host.edit([](Json& d) {
    d["registry"]["HKLM\\SYSTEM\\CurrentControlSet\\Control\\MPDEV"]["MPIOSupportedDeviceList"]["data"].push_back(
        "QVX     LOCALDISK       ");
  });
  auto r = host.run(words(host, "-u"));
  EXPECT_EQ(r.out, "\n" + kModuleStep + "\nRebuilding the storage stack...\nSuccess \n");
  EXPECT_EQ(host.device(kZyrDisk0), nullptr);  // removed for re-enumeration
  EXPECT_NE(host.device(kOtherDisk), nullptr);
  EXPECT_NE(host.device("ROOT\\MPIO\\0000"), nullptr);
  EXPECT_EQ(host.files("system32/drivers"), (std::vector<std::string>{"mpdev.sys", "mpio.sys", "mpspfltr.sys"}));
  EXPECT_EQ(host.files("inf").size(), 4u);  // the framework's two copies
}

TEST(Uninstall, FailedModuleStepStillCleansItsCopyAndEndsWithTheFailure) {
  InstallHost host = installed({.family = 6});
  host.edit([](Json& d) {
    d["faults"]["device"] = {{{"action", "remove"}, {"match", "ROOT\\zyrdsm"}, {"error", "0x5"}}};
  });
  auto r = host.run(words(host, "-u"));
  const std::string denied = "Failure. Access is denied.\r\n\n\nError code (0x00000005)\n";
  EXPECT_EQ(r.out, "\n\nUninstalling the Device Specific Module...\n" + denied + denied);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(host.files("inf").empty());
  EXPECT_NE(host.device("ROOT\\MPIO\\0000"), nullptr);
}

TEST(Uninstall, DeleteListsFullerThanTheirRoomAreRefusedBeforeAnyChange) {
  InstallHost host = installed({.family = 6});
  std::string lines;
  for (int i = 0; i < 42; ++i)  // 42 entries of 24 characters and their terminators: over 1000
    lines += "HKLM, SYSTEM\\CurrentControlSet\\Control\\MPDEV, MPIOSupportedDeviceList, 0x00018002, \"ZYR     FLEX" +
             std::to_string(1000 + i) + "        \"\n";
  std::string inf = read_text(host.package() + "/zyrdsm.inf");
  inf.replace(inf.find("[zyrdsm_delreg]\n") + 16, 0, lines);
  write_text(host.package() + "/zyrdsm.inf", inf);
  auto r = host.run(words(host, "-u"));
  EXPECT_EQ(r.out, "\nThe module's INF names more devices to delete than the 1000-character delete list holds; "
                   "nothing was removed.\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(host.journaled("remove").empty());
  EXPECT_NE(host.device("ROOT\\MPIO\\0000"), nullptr);
}

// The manual string removal (Windows 2000): each line takes out the first equal string;
// a string that is not there leaves the value as it is.
TEST(Uninstall, DelregStringsRemovedOneLineAtATime) {
  InstallHost host({.family = 5});
  const std::string line = "HKLM, SYSTEM\\CurrentControlSet\\Control\\MPDEV, MPIOSupportedDeviceList, 0x18002, ";
  write_text(host.package() + "/t.inf", "[d]\n" + line + "\"B\"\n" + line + "\"absent\"\n" + line + "\"b\"\n" + line +
                                            "A\nHKCU, x, y, 0x18002, A\n" + line + "\"C\", extra\n");
  struct Case {
    installer::DeviceList before, after;
  } cases[] = {
      {{L"A", L"B", L"B", L"C"}, {L"C"}},
      {{L"A"}, {}},
      {{L"C"}, {L"C"}},
  };
  for (const auto& c : cases) {
    auto dev = devinst::make_sim_device_installer(std::make_unique<simstack::SimHost>(host.path()));
    std::ostringstream out;
    installer::Installer in{*dev, out};
    installer::DeleteLists lists;
    auto value = c.before;
    EXPECT_EQ(installer::remove_delreg_strings(in, widen_utf8(host.package() + "/t.inf"), L"d",
                                               installer::ListKind::MpioSupportedDevices, value, lists),
              kERROR_SUCCESS);
    EXPECT_EQ(value, c.after);
    EXPECT_EQ(lists.mpio, (installer::DeviceList{L"B", L"absent", L"b", L"A"}));
  }
}

}  // namespace
