// Reboot needs that a real server gives and the simulated host shows: a running
// driver's service that can only be marked for deletion (the services call succeeds
// with ERROR_SUCCESS_REBOOT_REQUIRED), and driver files in use that are deleted at the
// next start. Each must be said in the step's report and end in exit code 3010.
#include <gtest/gtest.h>

#include "install_hosts.h"

namespace {

const std::string kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\zyrdsm";
const std::string kRunningDisk =
    "\nMPIO\\DISK&VEN_ZYR&PROD_FLEXARRAY&REV_0100\\1&7F6AC24&0&0000 is in running state.\n"
    " The requested resource is in use.\r\n\n\nError code (0x000000aa)\n";

std::vector<std::string> words(const InstallHost& host, const std::string& sw) {
  return {sw, host.package(), host.package(), "zyrdsm.inf", "ROOT\\zyrdsm"};
}

Json services_fault(const std::string& section) {
  return Json::array({{{"action", "install-services"}, {"match", section}, {"error", "0x00000BC2"}}});
}

TEST(RebootNeeds, ServiceOnlyMarkedForDeletionIsAReboot) {
  {  // install: the module's services are replaced while the old driver runs
    InstallHost host({.family = 6});
    host.edit([](Json& d) { d["faults"]["device"] = services_fault("zyrdsm_Install.Services"); });
    auto r = host.run(words(host, "-i"));
    EXPECT_EQ(r.out, "\n\nInstalling the Device Specific Module...\nSuccess (but need a reboot)\n");  // no restart
    EXPECT_EQ(r.exit_code, 3010);
    EXPECT_NE(host.registry_value(kServiceKey, "ImagePath"), nullptr);  // the work was done
  }
  {  // uninstall: the module's service is running
    InstallHost host({.family = 6});
    ASSERT_EQ(host.run(words(host, "-i")).exit_code, 0);
    host.edit([](Json& d) { d["faults"]["device"] = services_fault("DefaultUninstall.Services"); });
    auto r = host.run(words(host, "-u"));
    EXPECT_EQ(r.out, "\n\nUninstalling the Device Specific Module...\nSuccess\nSuccess (but need a reboot)\n" +
                         kRunningDisk + "\nRebuilding the storage stack...\nSuccess (but need a reboot)\n");
    EXPECT_EQ(r.exit_code, 3010);
    EXPECT_EQ(host.registry_value(kServiceKey, "ImagePath"), nullptr);
    auto entries = host.journal_entries("install-services");
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back()["status"], "0x00000BC2");
  }
}

TEST(RebootNeeds, DriverFilesInUseAreDeletedAtTheNextStart) {
  InstallHost host({.family = 5});
  ASSERT_EQ(host.run(words(host, "-i")).exit_code, 0);
  // The framework's bus driver and the module run; a list entry may name its file in
  // either case and with either separator.
  host.edit([](Json& d) { d["windows_locked"] = {"system32/drivers/mpio.sys", "System32\\Drivers\\ZYRDSM.SYS"}; });
  auto r = host.run(words(host, "-u"));
  // Named as the steps name them: the system folder, then "\drivers\" and the file.
  const std::string named = host.windows("system32") + "\\drivers\\";
  const std::string in_use = " is in use; it is deleted when the system restarts (need a reboot).\n";
  const std::string tail = "\nUninstalling the Multi-Path Bus Driver...\nSuccess\nSuccess \n\n" + named +
                           "mpio.sys" + in_use + "\n" + named + "zyrdsm.sys" + in_use;
  ASSERT_GE(r.out.size(), tail.size()) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail) << r.out;
  EXPECT_EQ(r.exit_code, 3010);
  const std::string drivers = host.windows("system32/drivers/");
  EXPECT_EQ(host.journaled("delete-at-reboot"),
            (std::vector<std::string>{drivers + "mpio.sys", drivers + "zyrdsm.sys"}));
  // In use until the next start; the others are gone.
  EXPECT_EQ(host.files("system32/drivers"), (std::vector<std::string>{"mpio.sys", "zyrdsm.sys"}));
}

}  // namespace
