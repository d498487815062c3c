// What the simulated provider serves a WMI browser: system properties, qualifiers,
// CIM types and reals, schema order, other computers, error objects, the end of an
// enumeration.
#include <gtest/gtest.h>

#include <set>

#include "simstack/host_makers/host_generator.h"
#include "test_support.h"
#include "text/text_convert.h"
#include "wmi/wmi_access.h"

using namespace wmi;

namespace {

Json browser_host() {
  Json doc = empty_host(6);
  doc["computer"] = "HOSTA";
  doc["wmi"]["ROOT\\WMI"]["instances"]["MPIO_GET_DESCRIPTOR"] = Json::array(
      {{{"InstanceName", "MPIO\\Disk&Ven_A\\1_0"}, {"NumberPdos", 1},
        {"PdoInformation", Json::array({{{"ScsiAddress", {{"PortNumber", 2}}}, {"PathIdentifier", "77"}}})}},
       {{"InstanceName", "MPIO\\Disk&Ven_A\\2_0"}, {"NumberPdos", 0}, {"PdoInformation", Json::array()}}});
  doc["wmi"]["ROOT\\WMI"]["classes"]["Reals"]["properties"] = {{"Ratio", "real64"}, {"Level", "real32[]"}};
  doc["wmi"]["ROOT\\WMI"]["instances"]["Reals"] =
      Json::array({{{"Ratio", 16777217}, {"Level", Json::array({0.5, 2, 16777217, 0.1})}}});
  doc["machines"]["SRV1"]["users"]["CORP\\admin"] = "s3cret";
  doc["machines"]["SRV1"]["wmi"]["ROOT\\WMI"]["instances"]["MPIO_DISK_INFO"] =
      Json::array({{{"InstanceName", "REMOTE_0"}, {"NumberDrives", 0}}});
  doc["machines"]["SRV2"] = Json::object();
  doc["faults"]["enumerate"] = Json::array(
      {{{"class", "MPIO_GET_DESCRIPTOR"}, {"after", 1}, {"hresult", "0x80041004"}, {"description", "lost"}},
       {{"class", "MPIO_PATH_INFORMATION"}, {"hresult", "0x80041001"}}});
  return doc;
}

class SimBrowserSupport : public ::testing::Test {
 protected:
  void SetUp() override { path_ = write_json(dir_.file("s.json"), browser_host()); }
  HResult connect(const std::wstring& ns, const std::wstring& user, const std::wstring& password,
                  std::unique_ptr<Services>& out) {
    return sim_->platform.wmi->connect_server(ns, user, password, out);
  }
  TempDir dir_;
  std::string path_;
  std::unique_ptr<SimSession> sim_;
};

std::wstring text_of(const Object& o, const wchar_t* name) {
  Value v;
  if (hr_failed(o.get(name, v))) return L"<failed>";
  return v.vt == VT_NULL ? L"<null>" : v.text;
}

}  // namespace

TEST_F(SimBrowserSupport, SystemPropertiesOfClassesInstancesAndEmbeddedObjects) {
  sim_ = std::make_unique<SimSession>(path_);
  ObjectPtr system;
  ASSERT_EQ(sim_->services->get_class(L"__SystemClass", system), kS_OK);
  EXPECT_EQ(text_of(*system, L"__NAMESPACE"), L"ROOT\\WMI");
  EXPECT_EQ(text_of(*system, L"__CLASS"), L"__SystemClass");
  ObjectPtr cls;
  ASSERT_EQ(sim_->services->get_class(L"mpio_get_descriptor", cls), kS_OK);
  EXPECT_EQ(text_of(*cls, L"__CLASS"), L"MPIO_GET_DESCRIPTOR");
  EXPECT_EQ(text_of(*cls, L"__PATH"), L"\\\\HOSTA\\ROOT\\WMI:MPIO_GET_DESCRIPTOR");
  HResult end = kS_OK;
  sim_->services->enumerate_to_end(L"MPIO_GET_DESCRIPTOR", [&](Object& o) {
    EXPECT_EQ(text_of(o, L"__SERVER"), L"HOSTA");
    EXPECT_EQ(text_of(o, L"__RELPATH"), L"MPIO_GET_DESCRIPTOR.InstanceName=\"MPIO\\\\Disk&Ven_A\\\\1_0\"");
    EXPECT_EQ(text_of(o, L"__PATH"),
              L"\\\\HOSTA\\ROOT\\WMI:MPIO_GET_DESCRIPTOR.InstanceName=\"MPIO\\\\Disk&Ven_A\\\\1_0\"");
    Value genus;
    EXPECT_EQ(o.get(L"__GENUS", genus), kS_OK);
    EXPECT_EQ(genus.integer, 2);
    const Value pdos = wmi_get(o, L"PdoInformation");
    const Object& pdo = *pdos.elements.at(0).object;
    EXPECT_EQ(text_of(pdo, L"__CLASS"), L"PDO_INFORMATION");
    EXPECT_EQ(text_of(pdo, L"__PATH"), L"<null>");  // an embedded object lives nowhere
    EXPECT_EQ(text_of(pdo, L"__NOSUCH"), L"<failed>");
    // Names in the schema's order, system properties left out.
    EXPECT_EQ(pdo.property_names(), (std::vector<std::wstring>{L"ScsiAddress", L"DeviceState", L"PathIdentifier",
                                                                L"IdentifierType", L"IdentifierLength", L"Identifier"}));
    return true;
  }, end);
  // The fault lets one instance through, then Next fails; its error object says why.
  EXPECT_EQ(end, hr_from_bits(0x80041004u));
  ObjectPtr status = sim_->platform.wmi->take_error_object();
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->inherits_from(L"__NotifyStatus"), kS_OK);
  EXPECT_EQ(status->inherits_from(L"__ExtendedStatus"), kS_OK);
  EXPECT_EQ(text_of(*status, L"Description"), L"lost");
  EXPECT_EQ(text_of(*status, L"Operation"), L"CreateInstanceEnum");
  EXPECT_EQ(text_of(*status, L"ParameterInfo"), L"MPIO_GET_DESCRIPTOR");
  EXPECT_EQ(sim_->platform.wmi->take_error_object(), nullptr);  // taken
  // A class with no instances ends at once; a failure to start has its own object.
  EXPECT_EQ(sim_->services->enumerate_to_end(L"MPIO_DISK_INFO", [](Object&) { return true; }, end), kS_OK);
  EXPECT_EQ(end, kWBEM_S_FALSE);
  EXPECT_EQ(sim_->services->enumerate_to_end(L"MPIO_PATH_INFORMATION", [](Object&) { return true; }, end),
            kWBEM_E_FAILED);
  EXPECT_EQ(text_of(*sim_->platform.wmi->take_error_object(), L"Description"), L"<null>");
  EXPECT_EQ(sim_->services->get_class(L"NoSuchClass", cls), kWBEM_E_NOT_FOUND);
  ObjectPtr not_found = sim_->platform.wmi->take_error_object();
  EXPECT_EQ(text_of(*not_found, L"Operation"), L"GetObject");
  EXPECT_EQ(text_of(*not_found, L"ProviderName"), L"WinMgmt");
}

TEST_F(SimBrowserSupport, QualifiersCimTypesAndReals) {
  sim_ = std::make_unique<SimSession>(path_);
  sim_->services->enumerate(L"MPIO_GET_DESCRIPTOR", [&](Object& o) {
    auto qualifier = [&](const wchar_t* property, const wchar_t* name, Value& out) {
      std::unique_ptr<QualifierSet> set;
      HResult hr = o.property_qualifiers(property, set);
      return hr_failed(hr) ? hr : set->get(name, out);
    };
    Value v;
    EXPECT_EQ(qualifier(L"InstanceName", L"key", v), kS_OK);
    EXPECT_EQ(v.vt, VT_BOOL);
    EXPECT_NE(v.integer, 0);
    EXPECT_EQ(qualifier(L"NumberPdos", L"key", v), kWBEM_E_NOT_FOUND);
    EXPECT_EQ(qualifier(L"NumberPdos", L"CIMTYPE", v), kS_OK);
    EXPECT_EQ(v.text, L"uint32");
    EXPECT_EQ(qualifier(L"PdoInformation", L"CIMTYPE", v), kS_OK);
    EXPECT_EQ(v.text, L"object:PDO_INFORMATION");
    EXPECT_EQ(qualifier(L"__CLASS", L"CIMTYPE", v), kWBEM_E_SYSTEM_PROPERTY);
    EXPECT_EQ(qualifier(L"NoSuchProperty", L"CIMTYPE", v), kWBEM_E_NOT_FOUND);
    EXPECT_EQ(wmi_get(o, L"InstanceName").cim_type, CIM_STRING);
    EXPECT_EQ(wmi_get(o, L"PdoInformation").cim_type, CIM_OBJECT | CIM_FLAG_ARRAY);
    const Value pdos = wmi_get(o, L"PdoInformation");
    EXPECT_EQ(wmi_get(*pdos.elements.at(0).object, L"PathIdentifier").cim_type, CIM_UINT64);  // decimal text, told apart by its CIM type
    return false;
  });
  sim_->services->enumerate(L"Reals", [&](Object& o) {
    Value ratio = wmi_get(o, L"Ratio");
    EXPECT_EQ(ratio.vt, VT_R8);
    EXPECT_EQ(ratio.real, 16777217.0);
    // A real32 is held as the 4-byte float the VARIANT holds: 16777217 has none.
    Value level = wmi_get(o, L"Level");
    EXPECT_EQ(level.vt, VT_ARRAY | VT_R4);
    EXPECT_EQ(level.cim_type, CIM_REAL32 | CIM_FLAG_ARRAY);
    EXPECT_EQ(level.elements.at(1).real, 2.0);
    EXPECT_EQ(level.elements.at(2).real, 16777216.0);
    EXPECT_EQ(level.elements.at(3).real, static_cast<double>(0.1f));
    return true;
  });
}

TEST_F(SimBrowserSupport, OtherComputersByNameUserAndPassword) {
  sim_ = std::make_unique<SimSession>(path_);
  std::unique_ptr<Services> remote;
  struct Case {
    const wchar_t* ns;
    const wchar_t* user;
    const wchar_t* password;
    HResult expected;
  };
  const Case cases[] = {
      {L"\\\\NOSUCH\\root\\wmi", L"", L"", kRPC_S_SERVER_UNAVAILABLE},
      {L"\\\\SRV1\\root\\wmi", L"CORP\\admin", L"wrong", kE_ACCESSDENIED},
      {L"\\\\SRV1\\root\\wmi", L"CORP\\nobody", L"s3cret", kE_ACCESSDENIED},
      {L"\\\\srv1\\root\\wmi", L"corp\\ADMIN", L"S3CRET", kE_ACCESSDENIED},  // passwords are exact
      {L"\\\\SRV1\\root\\nowhere", L"CORP\\admin", L"s3cret", kWBEM_E_INVALID_NAMESPACE},
      {L"\\\\.\\root\\wmi", L"CORP\\admin", L"s3cret", hr_from_bits(0x80041064u)},  // no credentials locally
      {L"\\\\hosta\\root\\wmi", L"", L"", kS_OK},
      {L"//SRV2/root/wmi", L"", L"", kS_OK},
  };
  for (const auto& c : cases) EXPECT_EQ(connect(c.ns, c.user, c.password, remote), c.expected) << narrow_utf8(c.ns);

  // A computer with its own "wmi" serves it, under its own name.
  ASSERT_EQ(connect(L"\\\\srv1\\root\\wmi", L"corp\\admin", L"s3cret", remote), kS_OK);
  std::vector<std::wstring> seen;
  remote->enumerate(L"MPIO_DISK_INFO", [&](Object& o) {
    seen.push_back(wmi_get_text(o, L"InstanceName"));
    EXPECT_EQ(text_of(o, L"__SERVER"), L"SRV1");
    return true;
  });
  EXPECT_EQ(seen, std::vector<std::wstring>{L"REMOTE_0"});
  // One without serves this host's classes.
  ASSERT_EQ(connect(L"\\\\SRV2\\ROOT\\WMI", L"", L"", remote), kS_OK);
  int descriptors = 0;
  remote->enumerate(L"MPIO_GET_DESCRIPTOR", [&](Object&) { return ++descriptors, true; });
  EXPECT_EQ(descriptors, 1);  // the fault of this host holds there too
  EXPECT_EQ(read_text(path_).find("wrong"), std::string::npos);
}

TEST(GeneratedHost, ServesTheBrowserClassesConsistently) {
  simstack::HostSpec spec;
  spec.devices = 3;
  spec.paths_per_device = 2;
  const Json host = generated_host(spec);
  const Json& wmi = host["wmi"]["ROOT\\WMI"]["instances"];
  // One disk performance record per disk (the boot disk first), one adapter record
  // per path identifier the descriptors name, two controllers per array.
  EXPECT_EQ(wmi["MSDiskDriver_Performance"].size(), 4u);
  std::set<std::string> descriptor_ids, adapter_ids;
  for (const auto& d : wmi["MPIO_GET_DESCRIPTOR"])
    for (const auto& pdo : d["PdoInformation"]) descriptor_ids.insert(pdo["PathIdentifier"].get<std::string>());
  const Json& paths = wmi["MPIO_PATH_INFORMATION"][0];
  for (const auto& a : paths["PathList"]) adapter_ids.insert(a["PathId"].get<std::string>());
  EXPECT_EQ(adapter_ids, descriptor_ids);
  EXPECT_EQ(paths["NumberPaths"], paths["PathList"].size());
  EXPECT_EQ(wmi["MPIO_CONTROLLER_CONFIGURATION"][0]["NumberControllers"], 2 * spec.arrays);
  EXPECT_EQ(wmi["MPIO_TIMERS_COUNTERS"][0]["PathVerificationPeriod"], 30);
}
