// What a real server shows that a first simulated host did not: INF store copies are
// uninstalled by their file name, devices the system only remembers are passed over,
// and relative folders stay the same folders while the steps move between them.
#include <gtest/gtest.h>

#include <filesystem>

#include "devinst/sim_device_installer.h"
#include "install_hosts.h"
#include "text/text_convert.h"

namespace {

const std::string kAdapterClass = "{4D36E97B-E325-11CE-BFC1-08002BE10318}";
const std::string kModuleSteps = "\nInstalling the Device Specific Module...\nSuccess \n";
const std::string kRestart = "\nRestarting all SCSI adapters...\nSuccess \n";

std::vector<std::string> words(const std::string& sw, const std::string& source, const std::string& common) {
  return {sw, source, common, "zyrdsm.inf", "ROOT\\zyrdsm"};
}

// SetupUninstallOEMInfW takes "oemN.inf" alone (a path is refused): every copy that
// uninstall removes goes through it with success.
TEST(ServerConditions, StoreCopiesAreUninstalledByFileName) {
  for (unsigned family : {5u, 6u}) {
    InstallHost host({.family = family});
    ASSERT_EQ(host.run(words("-i", host.package(), host.package())).exit_code, 0);
    ASSERT_EQ(host.run(words("-u", host.package(), host.package())).exit_code, 0);
    const auto entries = host.journal_entries("uninstall-inf");
    ASSERT_EQ(entries.size(), family == 5 ? 3u : 1u) << family;
    for (const auto& e : entries) {
      EXPECT_EQ(e["target"].get<std::string>().find_first_of("\\/"), std::string::npos) << e;
      EXPECT_EQ(e["status"], "0x00000000") << e;
    }
    EXPECT_TRUE(host.files("inf").empty());
  }
}

// A leftover of an old path has no status: the adapter restart and the disk release
// pass over it, where the class installer would refuse it with ERROR_NO_SUCH_DEVINST.
TEST(ServerConditions, DevicesNotPresentArePassedOver) {
  InstallHost host({.family = 6});
  const std::string old_adapter = "PCI\\VEN_FFFE&DEV_0A01&SUBSYS_00000000&REV_01\\3&2B8E0B4B&0&7F";
  const std::string old_disk = "MPIO\\DISK&VEN_QVX&PROD_LOCALDISK&REV_0100\\1&7F6AC24&0&0009";
  host.edit([&](Json& d) {
    Json adapter = d["devices"][0], disk = d["devices"].back();
    adapter["instance_id"] = old_adapter;
    adapter["present"] = false;
    disk["instance_id"] = old_disk;
    disk["enumerator"] = "MPIO";
    disk["present"] = false;
    d["devices"].insert(d["devices"].begin(), adapter);  // first, where a stop would hide every other
    d["devices"].insert(d["devices"].begin() + 1, disk);
  });
  auto r = host.run(words("-i", host.package(), host.package()));
  EXPECT_EQ(r.out, "\n" + kModuleSteps + kRestart);
  EXPECT_EQ(host.journaled("restart").size(), 2u);  // the two adapters that are there
  r = host.run(words("-u", host.package(), host.package()));
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("\nRebuilding the storage stack...\nSuccess \n"), std::string::npos) << r.out;
  for (const char* action : {"restart", "remove"})
    for (const auto& target : host.journaled(action)) {
      EXPECT_NE(target, old_adapter);
      EXPECT_NE(target, old_disk);
    }
  EXPECT_NE(host.device(old_disk), nullptr);
}

// The simulated host's side of it: no status, and class-installer actions refused.
TEST(ServerConditions, SimulatedDeviceNotPresent) {
  InstallHost host({.family = 6});
  host.edit([](Json& d) { d["devices"][0]["present"] = false; });
  auto dev = devinst::make_sim_device_installer(std::make_unique<simstack::SimHost>(host.path()));
  std::unique_ptr<devinst::DeviceSet> set;
  ASSERT_EQ(dev->class_devices(widen_utf8(kAdapterClass), set), kERROR_SUCCESS);
  ASSERT_EQ(set->size(), 2u);  // listed: the set is asked for without DIGCF_PRESENT
  std::uint32_t status = 0;
  EXPECT_FALSE(set->node_status(0, status));
  EXPECT_TRUE(set->node_status(1, status));
  EXPECT_EQ(set->restart(0), devinst::kERROR_NO_SUCH_DEVINST);
  EXPECT_EQ(set->remove(0), devinst::kERROR_NO_SUCH_DEVINST);
  std::vector<std::wstring> ids;
  EXPECT_EQ(set->hardware_ids(0, ids), kERROR_SUCCESS);  // its registry properties are still there
}

// Folders given relative to where install starts name the same folders after the
// steps have made the package folders current.
TEST(ServerConditions, RelativeFoldersStayTheSameFolders) {
  for (unsigned family : {5u, 6u}) {
    InstallHost host({.family = family});
    const std::string parent = std::filesystem::path(host.package()).parent_path().string();
    auto r = host.run(words("-i", "pkg", "pkg"), parent);
    EXPECT_EQ(r.exit_code, 0) << family << r.out;
    EXPECT_EQ(r.out.find("Failure"), std::string::npos) << r.out;
    r = host.run(words("-u", "pkg\\", "./pkg"), parent);
    EXPECT_EQ(r.exit_code, 0) << family << r.out;
    EXPECT_TRUE(host.files("inf").empty()) << family;
  }
}

}  // namespace
