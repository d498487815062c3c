// The simulated WMI provider: typed values, schemas, inference, faults and journal.
#include <gtest/gtest.h>

#include <functional>

#include "simstack/state_file/state_file.h"
#include "test_support.h"
#include "text/text_convert.h"
#include "wmi/wmi_access.h"

using namespace wmi;

namespace {

Json host_with_instances() {
  Json doc = empty_host(6);
  Json& wmi = doc["wmi"]["ROOT\\WMI"]["instances"];
  wmi["MSDSM_DEVICE_PERF"] = Json::array({
      {{"InstanceName", "MPIO\\Disk&Ven_A\\1_0"},
       {"PerfInfo", Json::array({{{"PathId", "8589934592"}, {"NumberReads", 4294967295u}, {"NumberWrites", 1},
                                  {"BytesRead", "18446744073709551615"}, {"BytesWritten", 512}},
                                 nullptr,
                                 {{"PathId", "7"}}})}},
  });
  wmi["MPIO_GET_DESCRIPTOR"] = Json::array({
      {{"InstanceName", "MPIO\\Disk&Ven_A\\1_0"},
       {"PdoInformation", Json::array({{{"ScsiAddress", {{"PortNumber", 31}, {"ScsiPathId", 1}, {"TargetId", 32}, {"Lun", 0}}},
                                        {"PathIdentifier", "77"},
                                        {"Identifier", Json::array({1, 2, 255})}}})}},
  });
  wmi["DSM_QueryLBPolicy_V2"] = Json::array({
      {{"InstanceName", "MPIO\\Disk&Ven_A\\1_0"},
       {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", 4}, {"DSMPathCount", 1},
                              {"DSM_Paths", Json::array({{{"DsmPathId", "77"}, {"PrimaryPath", 1}, {"SymmetricLUA", 1},
                                                          {"TargetPortGroup_Identifier", 513}}})}}}},
  });
  wmi["DSM_LB_Operations"] = Json::array({{{"InstanceName", "MPIO\\Disk&Ven_A\\1_0"}}});
  wmi["Custom_Thing"] = Json::array({{{"Name", "x"}, {"Count", 3}, {"Big", 9000000000LL}, {"On", true},
                                      {"Inner", {{"__CLASS", "Custom_Inner"}, {"V", 2}}},
                                      {"List", Json::array({nullptr, {{"__CLASS", "Custom_Inner"}, {"V", 5}}})},
                                      {"Nothing", nullptr}, {"Mixed", {1, nullptr, 2.5, 1e30, -1e30}}}});
  doc["wmi"]["ROOT\\CIMV2"]["instances"]["Win32_DiskDrive"] =
      Json::array({{{"DeviceID", "\\\\.\\PHYSICALDRIVE0"}, {"PNPDeviceID", "MPIO\\DISK&VEN_A\\1_0"}}});
  return doc;
}

class SimProvider : public ::testing::Test {
 protected:
  void SetUp() override { path_ = write_json(dir_.file("s.json"), host_with_instances()); }
  TempDir dir_;
  std::string path_;
};

}  // namespace

TEST_F(SimProvider, TypedValuesFollowTheSchema) {
  SimSession sim(path_);
  int seen = 0;
  HResult hr = sim.services->enumerate(L"msdsm_device_perf", [&](Object& o) {
    ++seen;
    EXPECT_EQ(o.class_name(), L"MSDSM_DEVICE_PERF");
    Value name = wmi_get(o, L"InstanceName");
    EXPECT_EQ(name.vt, VT_BSTR);
    EXPECT_EQ(name.text, L"MPIO\\Disk&Ven_A\\1_0");
    Value perf = wmi_get(o, L"PerfInfo");
    EXPECT_EQ(perf.vt, VT_ARRAY | VT_UNKNOWN);
    EXPECT_EQ(perf.elements.size(), 3u);
    EXPECT_EQ(perf.elements[1].object, nullptr);  // the null element stays a null pointer
    const Object& first = *perf.elements[0].object;
    Value id = wmi_get(first, L"PathId");
    EXPECT_EQ(id.vt, VT_BSTR);  // 64-bit values are decimal text
    EXPECT_EQ(id.as_u64_text(), 8589934592u);
    EXPECT_EQ(wmi_get(first, L"NumberReads").vt, VT_I4);
    EXPECT_EQ(wmi_get(first, L"NumberReads").as_u32(), 4294967295u);
    EXPECT_EQ(wmi_get(first, L"BytesRead").as_u64_text(), UINT64_MAX);
    EXPECT_EQ(wmi_get(first, L"BytesWritten").text, L"512");  // a plain number still arrives as text
    // In the schema but not in the instance: VT_EMPTY. Not in the schema: not found.
    EXPECT_EQ(wmi_get(*perf.elements[2].object, L"NumberReads").vt, VT_EMPTY);
    Value v;
    EXPECT_EQ(first.get(L"NoSuchProperty", v), kWBEM_E_NOT_FOUND);
    return true;
  });
  EXPECT_EQ(hr, kS_OK);
  EXPECT_EQ(seen, 1);
}

TEST_F(SimProvider, EmbeddedObjectsBytesAndSmallIntegers) {
  SimSession sim(path_);
  sim.services->enumerate(L"MPIO_GET_DESCRIPTOR", [&](Object& o) {
    Value pdos = wmi_get(o, L"PdoInformation");
    const Object& pdo = *pdos.elements.at(0).object;
    Value addr = wmi_get(pdo, L"ScsiAddress");
    EXPECT_EQ(addr.vt, VT_UNKNOWN);
    EXPECT_EQ(addr.object->class_name(), L"PDOSCSI_ADDR");
    EXPECT_EQ(wmi_get(*addr.object, L"PortNumber").vt, VT_UI1);
    EXPECT_EQ(wmi_get(*addr.object, L"PortNumber").as_u8(), 31);
    Value ident = wmi_get(pdo, L"Identifier");
    EXPECT_EQ(ident.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(ident.elements.size(), 3u);
    if (ident.elements.size() != 3u) return false;
    EXPECT_EQ(ident.elements[2].as_u8(), 255);
    return true;
  });
  sim.services->enumerate(L"DSM_QueryLBPolicy_V2", [&](Object& o) {
    Value policy = wmi_get(o, L"LoadBalancePolicy");
    EXPECT_EQ(policy.object->class_name(), L"DSM_Load_Balance_Policy_V2");
    EXPECT_EQ(wmi_get(*policy.object, L"Version").as_u16(), 1);
    Value paths = wmi_get(*policy.object, L"DSM_Paths");
    const Object& path = *paths.elements.at(0).object;
    EXPECT_EQ(wmi_get(path, L"SymmetricLUA").vt, VT_UI1);
    EXPECT_EQ(wmi_get(path, L"TargetPortGroup_Identifier").as_u16(), 513);
    EXPECT_EQ(wmi_get(path, L"OptimizedPath").vt, VT_EMPTY);
    return true;
  });
}

TEST_F(SimProvider, ClassesWithoutSchemaAreInferred) {
  SimSession sim(path_);
  int seen = 0;
  EXPECT_EQ(sim.services->enumerate(L"Custom_Thing", [&](Object& o) {
    ++seen;
    EXPECT_EQ(wmi_get(o, L"Name").vt, VT_BSTR);
    EXPECT_EQ(wmi_get(o, L"Count").vt, VT_I4);
    EXPECT_EQ(wmi_get(o, L"Big").text, L"9000000000");
    EXPECT_EQ(wmi_get(o, L"On").vt, VT_BOOL);
    EXPECT_EQ(wmi_get(o, L"Nothing").vt, VT_NULL);
    EXPECT_EQ(wmi_get(o, L"Absent").vt, VT_EMPTY);
    EXPECT_EQ(wmi_get(*wmi_get(o, L"Inner").object, L"V").as_i32(), 2);
    Value list = wmi_get(o, L"List");
    EXPECT_EQ(list.vt, VT_ARRAY | VT_UNKNOWN);
    EXPECT_EQ(list.elements[0].object, nullptr);
    EXPECT_EQ(list.elements[1].object->class_name(), L"Custom_Inner");
    // Integers typed by the first element: a fraction is cut, a number past 64 bits reads as 0.
    Value mixed = wmi_get(o, L"Mixed");
    std::vector<std::int64_t> integers;
    for (const auto& e : mixed.elements) integers.push_back(e.integer);
    EXPECT_EQ(integers, (std::vector<std::int64_t>{1, 0, 2, 0, 0}));
    // Members of a class without schema come in name order.
    EXPECT_EQ(o.property_names(),
              (std::vector<std::wstring>{L"Big", L"Count", L"Inner", L"List", L"Mixed", L"Name", L"Nothing", L"On"}));
    return true;
  }), kS_OK);
  EXPECT_EQ(seen, 1);
  // A class with a schema but no instances is empty; an unknown class is invalid.
  EXPECT_EQ(sim.services->enumerate(L"MPIO_DISK_INFO", [](Object&) { return true; }), kS_OK);
  EXPECT_EQ(sim.services->enumerate(L"No_Such_Class", [](Object&) { return true; }), kWBEM_E_INVALID_CLASS);
}

TEST_F(SimProvider, SecondNamespaceServesItsOwnClasses) {
  SimSession sim(path_);
  std::ostringstream out;
  auto cimv2 = wmi_connect_namespace(*sim.platform.wmi, out, kRootCimv2, "Could not connect to root\\cimv2. Error code = 0x");
  ASSERT_NE(cimv2, nullptr);
  int seen = 0;
  cimv2->enumerate(L"Win32_DiskDrive", [&](Object& o) {
    ++seen;
    EXPECT_EQ(wmi_get_text(o, L"DeviceID"), L"\\\\.\\PHYSICALDRIVE0");
    return true;
  });
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(out.str(), "");
}

TEST_F(SimProvider, EnumerationFaultsNameClassAndNamespace) {
  Json doc = host_with_instances();
  doc["faults"]["enumerate"] = Json::array({{{"class", "mpio_get_descriptor"}, {"hresult", "0x80041010"}},
                                            {{"class", "Win32_DiskDrive"}, {"namespace", "ROOT\\WMI"}, {"hresult", "0x1"}}});
  write_json(path_, doc);
  SimSession sim(path_);
  EXPECT_EQ(sim.services->enumerate(L"MPIO_GET_DESCRIPTOR", [](Object&) { return true; }), kWBEM_E_INVALID_CLASS);
  EXPECT_EQ(sim.services->enumerate(L"MSDSM_DEVICE_PERF", [](Object&) { return true; }), kS_OK);
  std::ostringstream out;
  auto cimv2 = wmi_connect_namespace(*sim.platform.wmi, out, kRootCimv2, "x");
  EXPECT_EQ(cimv2->enumerate(L"Win32_DiskDrive", [](Object&) { return true; }), kS_OK);  // other namespace
}

TEST_F(SimProvider, MethodCallsAreJournaledWithClassesAndVariantTypes) {
  SimSession sim(path_);
  ObjectPtr in, policy, path;
  ASSERT_EQ(spawn_method_params(*sim.services, L"DSM_LB_Operations", L"DsmSetLoadBalancePolicyALUA", in), kS_OK);
  ASSERT_EQ(spawn_object(*sim.services, L"DSM_Load_Balance_Policy_V2", policy), kS_OK);
  ASSERT_EQ(spawn_object(*sim.services, L"MPIO_DSM_Path_V2", path), kS_OK);
  EXPECT_EQ(path->put(L"DsmPathId", Value::bstr(L"77")), kS_OK);
  EXPECT_EQ(path->put(L"TargetPortGroup_Identifier", Value::ui1(2)), kS_OK);
  EXPECT_EQ(policy->put(L"Version", Value::i4(1)), kS_OK);
  EXPECT_EQ(policy->put(L"DSM_Paths", Value::array(VT_UNKNOWN, {Value::unknown(path), Value::unknown(nullptr)})), kS_OK);
  EXPECT_EQ(policy->put(L"NoSuchProperty", Value::i4(1)), kWBEM_E_NOT_FOUND);
  EXPECT_EQ(policy->put(L"DSM_Paths", Value::i4(1)), kWBEM_E_TYPE_MISMATCH);
  EXPECT_EQ(in->put(L"LoadBalancePolicy", Value::unknown(policy)), kS_OK);

  auto target = wmi_object_path(L"DSM_LB_Operations", L"MPIO\\Disk&Ven_A\\1_0");
  // The record lacks a policy and a path count: the driver refuses it, and the call
  // is journaled all the same.
  EXPECT_EQ(wmi_call(*sim.services, target, L"DsmSetLoadBalancePolicyALUA", in.get()), kWBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(wmi_call(*sim.services, wmi_object_path(L"DSM_LB_Operations", L"missing"), L"DsmSetLoadBalancePolicyALUA",
                     in.get()),
            kWBEM_E_NOT_FOUND);

  Json journal = read_json(path_)["journal"];
  ASSERT_EQ(journal.size(), 2u);
  const Json& e = journal[0];
  EXPECT_EQ(e["kind"], "method");
  EXPECT_EQ(e["namespace"], "ROOT\\WMI");
  EXPECT_EQ(e["path"], "DSM_LB_Operations.InstanceName=\"MPIO\\\\Disk&Ven_A\\\\1_0\"");
  EXPECT_EQ(e["method"], "DsmSetLoadBalancePolicyALUA");
  EXPECT_EQ(e["status"], "0x80041008");
  EXPECT_EQ(e["in"]["__VT"]["LoadBalancePolicy"], "VT_UNKNOWN");
  const Json& lb = e["in"]["LoadBalancePolicy"];
  EXPECT_EQ(lb["__CLASS"], "DSM_Load_Balance_Policy_V2");
  EXPECT_EQ(lb["__VT"]["Version"], "VT_I4");
  EXPECT_EQ(lb["__VT"]["DSM_Paths"], "VT_ARRAY|VT_UNKNOWN");
  EXPECT_EQ(lb["Version"], 1);
  EXPECT_EQ(lb["DSM_Paths"][0]["__CLASS"], "MPIO_DSM_Path_V2");
  EXPECT_EQ(lb["DSM_Paths"][0]["DsmPathId"], "77");
  EXPECT_EQ(lb["DSM_Paths"][0]["__VT"]["TargetPortGroup_Identifier"], "VT_UI1");
  EXPECT_TRUE(lb["DSM_Paths"][1].is_null());
  EXPECT_EQ(journal[1]["status"], "0x80041002");
}

TEST_F(SimProvider, MethodFaultsCountDownInTheFile) {
  Json doc = host_with_instances();
  doc["wmi"]["ROOT\\WMI"]["instances"]["MSDSM_WMI_METHODS"] = Json::array({{{"InstanceName", "A"}}, {{"InstanceName", "B"}}});
  doc["faults"]["methods"] = Json::array({{{"method", "MSDsmClearCounters"}, {"instance", "A"}, {"count", 2}, {"hresult", "0x80041001"}}});
  write_json(path_, doc);
  SimSession sim(path_);
  auto call = [&](const wchar_t* name) {
    return wmi_call(*sim.services, wmi_object_path(L"MSDSM_WMI_METHODS", name), L"MSDsmClearCounters", nullptr);
  };
  EXPECT_EQ(call(L"B"), kS_OK);  // the fault names another instance
  EXPECT_EQ(call(L"A"), kWBEM_E_FAILED);
  EXPECT_EQ(read_json(path_)["faults"]["methods"][0]["count"], 1);
  EXPECT_EQ(call(L"A"), kWBEM_E_FAILED);
  EXPECT_EQ(call(L"A"), kS_OK);  // used up
  Json journal = read_json(path_)["journal"];
  ASSERT_EQ(journal.size(), 4u);
  EXPECT_FALSE(journal[0].contains("in"));  // no in-parameters
  EXPECT_EQ(journal[1]["status"], "0x80041001");
  EXPECT_EQ(journal[3]["status"], "0x00000000");
}

TEST_F(SimProvider, UnknownMethodAndMalformedPathAreRefused) {
  SimSession sim(path_);
  EXPECT_EQ(wmi_call(*sim.services, wmi_object_path(L"DSM_LB_Operations", L"x"), L"NoSuchMethod", nullptr),
            kWBEM_E_INVALID_METHOD);
  EXPECT_EQ(wmi_call(*sim.services, L"DSM_LB_Operations", L"DsmSetLoadBalancePolicyALUA", nullptr),
            kWBEM_E_INVALID_OBJECT_PATH);
}

// An instance walked from the file's text (read onto a tape) and the same instance of a
// parsed document (after a change) serve every value alike: the same VARIANT, or the
// same refusal, for every schema type against every kind of stored value.
TEST(SimProviderForms, WalkedAndParsedInstancesServeTheSameValues) {
  const std::vector<std::string> types = {"string", "uint8",   "sint8",  "uint16", "sint16", "uint32",
                                          "sint32", "uint64",  "sint64", "boolean", "real32", "real64",
                                          "char16", "datetime", "uint8[]", "string[]", "object:Typed_Inner",
                                          "object:Typed_Inner[]"};
  const std::vector<Json> values = {
      "x", "", "12", "-3", "18446744073709551615", "18446744073709551616", "9223372036854775808", "-9223372036854775809",
      "1e3", 0, 1, -1, 127, 128, 255, 256, -128, -129, 32767, 32768, 65535, 65536, -32769, 2147483647, 2147483648u,
      4294967295u, 4294967296u, -2147483648LL, -2147483649LL, 9223372036854775807LL, 18446744073709551615u,
      Json::parse("-0"), Json::parse("1234567890123456789"), Json::parse("123456789012345678901234567890"), 1.5,
      -0.5, 1e300, true, false, nullptr, Json::array({1, 2}), Json::array({nullptr, "a"}), Json::array(),
      Json::object(), Json::object({{"V", 3}}), Json::array({Json::object({{"V", 4}}), nullptr, 5}),
      Json::array({nullptr, Json::object({{"V", 6}}), Json::object()}), "\xC3\xA9\\"};
  TempDir dir;
  Json doc = empty_host(6);
  Json& classes = doc["wmi"]["ROOT\\WMI"]["classes"];
  classes["Typed_Inner"] = {{"properties", {{"V", "uint32"}}}};
  Json& properties = classes["Typed_Thing"]["properties"];
  for (std::size_t t = 0; t < types.size(); ++t) properties["P" + std::to_string(t)] = types[t];
  Json& list = doc["wmi"]["ROOT\\WMI"]["instances"]["Typed_Thing"] = Json::array();
  for (const Json& v : values) {
    Json instance = Json::object();
    for (std::size_t t = 0; t < types.size(); ++t) instance["P" + std::to_string(t)] = v;
    list.push_back(instance);
  }
  const std::string path = write_json(dir.file("t.json"), doc);

  // Every value read, written out with its type, or the refusal.
  const auto read_all = [&](Services& services) {
    std::vector<std::string> seen;
    const std::function<std::string(const Value&)> describe = [&](const Value& v) {
      std::string text = std::to_string(v.vt) + "/" + std::to_string(v.cim_type) + ":" + std::to_string(v.integer) +
                         ":" + std::to_string(v.real) + ":" + narrow_utf8(v.text);
      if (v.object) text += "{V=" + describe(wmi_get(*v.object, L"V")) + "}";
      for (const auto& e : v.elements) text += "[" + describe(e) + "]";
      return text;
    };
    EXPECT_EQ(services.enumerate(L"Typed_Thing", [&](Object& o) {
      for (std::size_t t = 0; t < types.size(); ++t) {
        try {
          seen.push_back(describe(wmi_get(o, widen_utf8("P" + std::to_string(t)).c_str())));
        } catch (const simstack::StateError& e) {
          seen.push_back(e.what());
        }
      }
      return true;
    }), kS_OK);
    return seen;
  };
  SimSession sim(path);
  const std::vector<std::string> walked = read_all(*sim.services);
  ASSERT_EQ(walked.size(), values.size() * types.size());
  // A method call changes the host: from then on the snapshot is the parsed document.
  sim.services->exec_method(L"MSDSM_WMI_METHODS.InstanceName=\"none\"", L"MSDsmClearCounters", nullptr, nullptr);
  const std::vector<std::string> parsed = read_all(*sim.services);
  ASSERT_EQ(parsed.size(), walked.size());
  for (std::size_t i = 0; i < walked.size(); ++i)
    EXPECT_EQ(walked[i], parsed[i]) << types[i % types.size()] << " holding " << values[i / types.size()].dump();
}
