// Member order is part of the host file: a class's properties, the MS-DOS names and
// the members of an instance are served in the order the file gives them.
#include <gtest/gtest.h>

#include "scsi/pgr.h"
#include "scsi/scsi_hosts.h"
#include "test_support.h"
#include "text/text_convert.h"
#include "wmi/wmi_access.h"

namespace {

using Ordered = nlohmann::ordered_json;

// A host with the members in the order given here, names out of alphabetical order.
std::string ordered_host() {
  Ordered doc = Ordered::parse(scsi_host().dump());
  doc["dosdevices"] = Ordered{{"PhysicalDrive2", "\\Device\\Harddisk2\\DR2"}, {"CdRom0", "\\Device\\CdRom0"},
                              {"PhysicalDrive1", "\\Device\\Harddisk1\\DR1"}};
  doc["scsi"][1].erase("fault");
  doc["wmi"]["ROOT\\WMI"]["classes"]["MSDiskDriver_Performance"]["properties"] =
      Ordered{{"Zeta", "uint32"}, {"InstanceName", Ordered{{"type", "string"}, {"key", true}}}, {"Alpha", "string"}};
  doc["wmi"]["ROOT\\WMI"]["instances"]["MSDiskDriver_Performance"] =
      Ordered::array({Ordered{{"InstanceName", "DISK_0"}, {"Alpha", "a"}, {"Zeta", 26}}});
  doc["wmi"]["ROOT\\WMI"]["instances"]["Custom_Thing"] =
      Ordered::array({Ordered{{"Name", "x"}, {"Count", 3}, {"Big", 9}, {"Active", true}}});
  std::string text = doc.dump(1);
  const std::string big = "\"Big\": 9,";
  return text.replace(text.find(big), big.size(), big + " \"Name\": \"y\",");  // a name given twice
}

class FileOrder : public ::testing::Test {
 protected:
  void SetUp() override { write_text(path_, ordered_host()); }
  TempDir dir_;
  const std::string path_ = dir_.file("s.json");
};

}  // namespace

TEST_F(FileOrder, AHostsOwnClassPrintsItsPropertiesInFileOrder) {
  const auto r = run_pathmgr({"mpiolist", "0"}, path_);
  ASSERT_EQ(r.exit_code, 0) << r.out;
  const std::size_t zeta = r.out.find("Zeta"), instance = r.out.find("InstanceName"), alpha = r.out.find("Alpha");
  ASSERT_NE(alpha, std::string::npos) << r.out;
  EXPECT_LT(zeta, instance) << r.out;
  EXPECT_LT(instance, alpha) << r.out;
}

TEST_F(FileOrder, MembersOfAClassWithoutSchemaComeInFileOrderEachOnce) {
  SimSession sim(path_);
  std::vector<std::wstring> names;
  sim.services->enumerate(L"Custom_Thing", [&](wmi::Object& o) {
    names = o.property_names();
    EXPECT_EQ(wmi::wmi_get(o, L"Name").text, L"y");  // the last of a repeated name
    return true;
  });
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Name", L"Count", L"Big", L"Active"}));
}

TEST_F(FileOrder, PgrListWalksAnObjectOfMsDosNamesInFileOrder) {
  SimSession sim(path_);
  ASSERT_EQ(pgr_command(sim.session, {"pgr", "list"}), 0);
  std::vector<std::string> devices;
  for (const auto& e : scsi_journal(path_)) devices.push_back(e["device"]);
  EXPECT_EQ(devices, (std::vector<std::string>{"\\\\.\\PhysicalDrive2", "\\\\.\\PhysicalDrive2", "\\\\.\\PhysicalDrive1",
                                               "\\\\.\\PhysicalDrive1"}));
}
