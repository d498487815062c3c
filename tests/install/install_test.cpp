// install on simulated hosts of both families: the printed reports byte for byte and
// the device tree, registry, INF store and drivers folder they leave.
#include <gtest/gtest.h>

#include <filesystem>

#include "install_hosts.h"

namespace {

using simstack::InstallHostSpec;

const std::string kModuleSteps = "\nInstalling the Device Specific Module...\nSuccess \n";
const std::string kRestart = "\nRestarting all SCSI adapters...\nSuccess \n";
const std::string kFrameworkStep = "\nInstalling the Multi-Path Adapter Filter and Multi-Path Bus Driver...\nSuccess \n";
const std::string kDeviceDriverStep = "\nInstalling the Multi-Path Device Driver...\nSuccess \n";
const std::string kZyrDisk0 = "SCSI\\DISK&VEN_ZYR&PROD_FLEXARRAY&REV_0100\\5&1A2B3C4D&0&000100";
const std::string kOtherDisk = "SCSI\\DISK&VEN_QVX&PROD_LOCALDISK&REV_0100\\5&3C4D5E6F&0&000000";
const std::string kMpioAdapter = "ROOT\\MPIO\\0000";
const std::string kParams = "SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters";
const std::string kMpdev = "SYSTEM\\CurrentControlSet\\Control\\MPDEV";
const Json kZyrList = Json::array({"ZYR     FLEXARRAY       "});

std::vector<std::string> words(const InstallHost& host, const std::string& sw, const std::string& inf = "zyrdsm.inf",
                               const std::string& hwid = "ROOT\\zyrdsm") {
  return {sw, host.package(), host.package(), inf, hwid};
}

bool has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(InstallCommandLine, UsageForMissingWordsAndUnknownSwitches) {
  InstallHost host({});
  struct Case {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{}, kUsageText},
      {{"-i", host.package(), host.package(), "zyrdsm.inf"}, kUsageText},  // dsm_hwid missing
      {words(host, "-I"), std::string("\n") + kUsageText},                  // after the path checks
      {words(host, "-i "), std::string("\n") + kUsageText},
  };
  for (const auto& c : cases) {
    auto r = host.run(c.args);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.exit_code, 0);
  }
  EXPECT_TRUE(host.journaled("update-driver").empty());
}

TEST(InstallCommandLine, ChecksBeforeTheAction) {
  InstallHost host({.family = 5});
  auto seven = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"key1", "MyDsm"});
    return args;
  };
  // A missing source: the system's message, exit 1, and no registry values.
  auto r = host.run(seven({"-i", host.package() + "/absent", host.package(), "zyrdsm.inf", "ROOT\\zyrdsm"}));
  EXPECT_EQ(r.out, "\nUnable to validate the source path. The system cannot find the file specified.\r\n\n"
                   "\nError code (0x00000002)\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(host.registry_value(kParams, "DsmName"), nullptr);
  // A missing common path takes the common half from the source folder; a trailing
  // backslash is dropped.
  r = host.run({"-i", host.package() + "\\", host.package() + "/absent", "zyrdsm.inf", "ROOT\\zyrdsm"});
  EXPECT_EQ(r.out, "\n" + kFrameworkStep + kModuleSteps + kDeviceDriverStep + kRestart);
  EXPECT_EQ(r.exit_code, 0);
}

TEST(InstallCommandLine, ReservationValuesAfterTheAction) {
  InstallHost host({});
  auto args = words(host, "-i");
  args.push_back("ignored");  // six words: the sixth alone is ignored
  host.run(args);
  EXPECT_EQ(host.registry_value(kParams, "DsmPersistentReservationKey"), nullptr);
  EXPECT_EQ(host.registry_value(kParams, "DsmName")["type"], "REG_SZ");  // as the INF wrote it

  args.back() = "key1";
  args.push_back("MyDsm");
  EXPECT_EQ(host.run(args).exit_code, 0);
  EXPECT_EQ(host.registry_value(kParams, "DsmPersistentReservationKey"), (Json{{"type", "REG_BINARY"}, {"data", "6B657931"}}));
  EXPECT_EQ(host.registry_value(kParams, "DsmName"), (Json{{"type", "REG_BINARY"}, {"data", "4D7944736D"}}));

  // Longer than the 1023-character conversion buffer: refused, nothing written.
  args[5] = "k2";
  args[6] = std::string(1024, 'n');
  auto r = host.run(args);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("at most 1023 characters"), std::string::npos);
  EXPECT_EQ(host.registry_value(kParams, "DsmPersistentReservationKey")["data"], "6B657931");

  // A failed version query: no action, but the values are still written.
  host.edit([](Json& d) { d["faults"]["version"] = true; });
  args[6] = "Other";
  r = host.run(args);
  EXPECT_EQ(r.out, "\nFailed to get the OS version, exiting ...\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(host.registry_value(kParams, "DsmName")["data"], "4F74686572");
}

TEST(Install, NewerSystemInstallsTheModuleOnARootDeviceAndRestartsAdapters) {
  for (const char* sw : {"-i", "-iq"}) {
    InstallHost host({.family = 6});
    auto r = host.run(words(host, sw));
    EXPECT_EQ(r.out, "\n" + kModuleSteps + kRestart) << sw;
    EXPECT_EQ(r.exit_code, 0);
    Json module = host.device("ROOT\\MPIO\\0000");
    EXPECT_EQ(module["hardware_ids"], Json::array({"ROOT\\zyrdsm"}));
    EXPECT_EQ(module["class"], "{4D36E97D-E325-11CE-BFC1-08002BE10318}");
    EXPECT_EQ(module["driver"], "oem0.inf");
    EXPECT_EQ(host.files("inf"), (std::vector<std::string>{"oem0.inf", "oem0.pnf"}));
    EXPECT_EQ(host.files("system32/drivers"), (std::vector<std::string>{"zyrdsm.sys"}));
    EXPECT_EQ(host.registry_value(kMpdev, "MPIOSupportedDeviceList")["data"], kZyrList);
    EXPECT_EQ(host.registry_value("SYSTEM\\CurrentControlSet\\Services\\zyrdsm", "ImagePath")["data"],
              "\\SystemRoot\\System32\\drivers\\zyrdsm.sys");
    EXPECT_EQ(host.device(kZyrDisk0)["hardware_ids"].back(), "GenDisk");  // no retagging here
    EXPECT_EQ(host.journaled("restart").size(), 2u);
  }
}

TEST(Install, OlderSystemInstallsTheFrameworkAndRetagsSupportedDisks) {
  InstallHost host({.family = 5});
  host.edit([](Json& d) {  // a supported disk without the generic ID stays as it is
    Json odd = d["devices"][3];
    odd["instance_id"] = "SCSI\\ODD";
    odd["hardware_ids"] = Json::array({"SCSI\\DiskZYR_____FLEXARRAY_______0100"});
    d["devices"].push_back(odd);
  });
  auto r = host.run(words(host, "-i"));
  EXPECT_EQ(r.out, "\n" + kFrameworkStep + kModuleSteps + kDeviceDriverStep + kRestart);
  EXPECT_EQ(r.exit_code, 0);
  Json disk = host.device(kZyrDisk0);
  EXPECT_EQ(disk["hardware_ids"].back(), "MPIODisk");
  EXPECT_EQ(disk["config_flags"], 0x20);
  EXPECT_NE(disk["driver"], "disk.inf");
  EXPECT_EQ(host.device(kOtherDisk)["hardware_ids"].back(), "GenDisk");
  EXPECT_EQ(host.device("SCSI\\ODD")["config_flags"], 0);
  EXPECT_EQ(host.device("ROOT\\MPIO\\0001")["hardware_ids"], Json::array({"ROOT\\zyrdsm"}));
  EXPECT_FALSE(has(host.journaled("restart"), kMpioAdapter));  // MPIO's bus is left alone
  EXPECT_EQ(host.journaled("restart").size(), 2u);
  EXPECT_EQ(host.files("system32/drivers"),
            (std::vector<std::string>{"mpdev.sys", "mpio.sys", "mpspfltr.sys", "zyrdsm.sys"}));
  EXPECT_EQ(host.files("inf").size(), 6u);
  EXPECT_EQ(host.registry_value("SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E97B-E325-11CE-BFC1-08002BE10318}",
                                "UpperFilters")["data"],
            Json::array({"mpspfltr"}));
}

TEST(Install, DsmOnlyOnOlderSystemRetagsWithoutTheDeviceDriver) {
  InstallHost host({.family = 5});
  auto r = host.run(words(host, "-iq"));
  EXPECT_EQ(r.out, "\n" + kModuleSteps + kDeviceDriverStep + kRestart);
  Json disk = host.device(kZyrDisk0);
  EXPECT_EQ(disk["hardware_ids"].back(), "MPIODisk");
  EXPECT_EQ(disk["driver"], "disk.inf");
  EXPECT_EQ(host.journaled("copy-inf").size(), 1u);  // the module's INF only
}

TEST(Install, DummyModuleNames) {
  struct Case {
    std::string inf, hwid, out;
    int exit_code;
  } cases[] = {
      {"dummy.inf", "ROOT\\zyrdsm", "\n" + kFrameworkStep + kDeviceDriverStep + kRestart, 0},
      {"zyrdsm.inf", "Root\\DUMMY", "\n" + kFrameworkStep + kDeviceDriverStep + kRestart, 0},
      {"Dummy.inf", "ROOT\\zyrdsm",
       "\n" + kFrameworkStep +
           "\nInstalling the Device Specific Module...\nFailure. The system cannot find the file specified.\r\n\n"
           "\nError code (0x00000002)\n",
       1},
  };
  for (const auto& c : cases) {
    InstallHost host({.family = 5});
    auto r = host.run(words(host, "-i", c.inf, c.hwid));
    EXPECT_EQ(r.out, c.out) << c.inf << " " << c.hwid;
    EXPECT_EQ(r.exit_code, c.exit_code);
  }
}

TEST(Install, ExitCodesOfFailedAndRebootingSteps) {
  {  // the module's driver fails: its report, no restart, exit 1
    InstallHost host({.family = 6});
    host.edit([](Json& d) {
      d["faults"]["device"] = {{{"action", "update-driver"}, {"match", "ROOT\\zyrdsm"}, {"error", "0xE0000203"}}};
    });
    auto r = host.run(words(host, "-i"));
    EXPECT_EQ(r.out, "\n\nInstalling the Device Specific Module...\nFailure.\nError code (0xe0000203)\n");
    EXPECT_EQ(r.exit_code, 1);
  }
  {  // the framework fails: its store copy and the filter driver go again
    InstallHost host({.family = 5});
    host.edit([](Json& d) {
      d["faults"]["device"] = {{{"action", "install-services"}, {"match", "mpio_Install.Services"}, {"error", "0x5"}}};
    });
    auto r = host.run(words(host, "-i"));
    EXPECT_EQ(r.out, "\n\nInstalling the Multi-Path Adapter Filter and Multi-Path Bus Driver...\n"
                     "Failure. Access is denied.\r\n\n\nError code (0x00000005)\n");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(host.files("inf").empty());
    EXPECT_EQ(host.files("system32/drivers"), (std::vector<std::string>{"mpio.sys"}));
  }
  {  // a disk that needs a reboot: the need is reported, no restart, exit 3010
    InstallHost host({.family = 5});
    host.edit([](Json& d) { d["devices"][3]["reboot"] = true; });
    auto r = host.run(words(host, "-i"));
    EXPECT_EQ(r.out, "\n" + kFrameworkStep + kModuleSteps +
                         "\nInstalling the Multi-Path Device Driver...\nSuccess (but need a reboot)\n");
    EXPECT_EQ(r.exit_code, 3010);
  }
}

// A package file that cannot be read (here a folder where an INF should be) fails its
// step like any other failure: reported, exit 1, no exception out of the program.
TEST(Install, AnInfThatCannotBeReadFailsItsStep) {
  const std::string denied = "Failure. Access is denied.\r\n\n\nError code (0x00000005)\n";
  {
    InstallHost host({.family = 6});
    std::filesystem::create_directory(host.package() + "/folder.inf");
    auto r = host.run(words(host, "-i", "folder.inf"));
    EXPECT_EQ(r.out, "\n\nInstalling the Device Specific Module...\n" + denied);
    EXPECT_EQ(r.exit_code, 1);
  }
  {
    InstallHost host({.family = 5});
    std::filesystem::remove(host.package() + "/mpio.inf");
    std::filesystem::create_directory(host.package() + "/mpio.inf");
    auto r = host.run(words(host, "-i"));
    EXPECT_EQ(r.out.rfind("\n\nInstalling the Multi-Path Adapter Filter and Multi-Path Bus Driver...\n" + denied, 0), 0u)
        << r.out;
    EXPECT_EQ(r.exit_code, 1);
  }
}

// 0xE0000002 (a section name too long) is not "The system cannot find the file
// specified." (Win32 error 2): SetupAPI codes are looked up in their own facility,
// whose texts the simulated host does not have.
TEST(Install, SetupApiCodesAreNotToldAsWin32Errors) {
  struct Case {
    const char* error;
    std::string report;
  } cases[] = {
      {"0xE0000002", "Failure.\nError code (0xe0000002)\n"},
      {"0x2", "Failure. The system cannot find the file specified.\r\n\n\nError code (0x00000002)\n"},
  };
  for (const auto& c : cases) {
    InstallHost host({.family = 6});
    host.edit([&](Json& d) {
      d["faults"]["device"] = {{{"action", "update-driver"}, {"match", "ROOT\\zyrdsm"}, {"error", c.error}}};
    });
    auto r = host.run(words(host, "-i"));
    EXPECT_EQ(r.out, "\n\nInstalling the Device Specific Module...\n" + c.report) << c.error;
  }
}

TEST(Install, OlderCopiesAreFoundByTheirExactCatalogLine) {
  InstallHost host({.family = 6});
  write_text(host.windows("inf/oem7.inf"), "[Version]\nCatalogFile=zyrdsm.cat\n");
  write_text(host.windows("inf/oem8.inf"), "[Version]\nCatalogFile = zyrdsm.cat\n");
  write_text(host.windows("inf/oem8.pnf"), "x");
  write_text(host.windows("inf/oem9.inf"), "[Version]\nCatalogFile = zyrdsm.cat2\n");  // a prefix is enough
  host.run(words(host, "-i"));
  EXPECT_EQ(host.files("inf"), (std::vector<std::string>{"oem0.inf", "oem0.pnf", "oem7.inf"}));
}

TEST(Install, DotSourceIsTheCurrentFolder) {
  InstallHost host({.family = 6});
  auto r = host.run({"-i", ".", ".", "zyrdsm.inf", "ROOT\\zyrdsm"}, host.package());
  EXPECT_EQ(r.out, "\n" + kModuleSteps + kRestart);
  r = host.run({"-i", "./", ".", "zyrdsm.inf", "ROOT\\zyrdsm"}, host.package());  // taken literally, and there
  EXPECT_EQ(r.exit_code, 0);
}

}  // namespace

// The built program: its platform is the host file of PATHMGR_SIM, and a reboot need
// is its exit code (3010, which a POSIX status keeps as 194).
TEST(InstallProgram, ExitCodesOfTheProcess) {
  InstallHost host({.family = 6});
  auto usage = run_program({INSTALL_BIN}, {"PATHMGR_SIM=" + host.path()}, {}, "");
  EXPECT_EQ(usage.out, kUsageText);
  EXPECT_EQ(usage.exit_code, 0);
  host.edit([](Json& d) { d["devices"][0]["reboot"] = true; });  // an adapter
  std::vector<std::string> argv{INSTALL_BIN, "-i", host.package(), host.package(), "zyrdsm.inf", "ROOT\\zyrdsm"};
  auto r = run_program(argv, {"PATHMGR_SIM=" + host.path()}, {}, "");
  EXPECT_EQ(r.out, "\n\nInstalling the Device Specific Module...\nSuccess \n"
                   "\nRestarting all SCSI adapters...\nSuccess (but need a reboot)\n");
  EXPECT_EQ(r.exit_code, 3010 & 0xFF);
}
