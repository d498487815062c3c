// mpiolist on the simulated host, byte for byte: class by number and name, words and
// their limits, the listing with embedded objects and arrays, other computers and
// their credentials, failures and their extended status.
#include <gtest/gtest.h>

#include "browser/mpiolist.h"
#include "browser/mpiolist_args.h"
#include "browser/wmi_error_report.h"
#include "test_support.h"
#include "wmi/value_object.h"

using namespace wmi;

namespace {

const std::string kMpiolistUsage =
    "mpiolist - Displays specified MPIO WMI object. \n\n"
    "Syntax: mpiolist WMI_Object [ Machine_Name [ Admin_User Password ] ] \n\n"
    "  WMI_Object: is either the name of an WMI object \n"
    "    or one of the types from the following list: \n"
    "    Use...    To see... \n"
    "       0      MsDiskDriver_Performance \n"
    "       1      MPIO_DISK_INFO \n"
    "       2      MPIO_PATH_INFORMATION \n"
    "       3      MPIO_CONTROLLER_CONFIGURATION \n"
    "       4      MPIO_TIMERS_COUNTERS \n"
    "       5      MPIO_GET_DESCRIPTOR \n"
    "  Machine_Name:  optional parameter specifying the computer name \n"
    "    to be queried. \n"
    "  Admin_User:  optional parameter specifying the domain and user for \n"
    "    the Machine_Name computer.  Must be member of the Administrators \n"
    "    group to work correctly. \n"
    "  Password: optional parameter specifying the password for Admin_User \n"
    "    parameter.  If Admin_User is specified, this parameter is required. \n";

const std::string kDiskInfo =
    "<ROOT\\WMI>\n"
    "  MPIO_DISK_INFO\n"
    "    InstanceName* = \"MPIO_DISK_INFO_0\"\n"
    "    NumberDrives = 0x2\n"
    "    DriveInfo = \n"
    "      instance of MPIO_DRIVE_INFO {\n"
    "        NumberPaths = 0x4\n"
    "        Name = \"MPIO Disk0\"\n"
    "        SerialNumber = \"SN-A\"\n"
    "        DsmName = \"ZYRDSM\"\n"
    "       }\n"
    "      instance of MPIO_DRIVE_INFO {\n"
    "        NumberPaths = 0x2\n"
    "        Name = \"MPIO Disk1\"\n"
    "        SerialNumber = \"SN-B\"\n"
    "        DsmName = \"ZYRDSM\"\n"
    "       }\n"
    "\n";

std::string failure(const std::string& message, const std::string& code_name, const std::string& code,
                    const std::string& details = "") {
  return message + "\nFunctionReturn: " + code_name + " (0x" + code + ") \n" + details + "Abnormal Termination\n";
}

Json drive(int paths, const char* name, const char* serial) {
  return {{"NumberPaths", paths}, {"Name", name}, {"SerialNumber", serial}, {"DsmName", "ZYRDSM"}};
}

Json browser_host() {
  Json doc = empty_host(6);
  Json& ns = doc["wmi"]["ROOT\\WMI"];
  Json& inst = ns["instances"];
  inst["MPIO_DISK_INFO"] = Json::array({{{"InstanceName", "MPIO_DISK_INFO_0"}, {"Active", true}, {"NumberDrives", 2},
                                         {"DriveInfo", {drive(4, "MPIO Disk0", "SN-A"), drive(2, "MPIO Disk1", "SN-B")}}}});
  inst["MPIO_GET_DESCRIPTOR"] = Json::array(
      {{{"InstanceName", "MPIO\\Disk&Ven_A\\1_0"}, {"NumberPdos", 1},
        {"PdoInformation",
         {{{"ScsiAddress", {{"PortNumber", 2}, {"ScsiPathId", 0}, {"TargetId", 5}, {"Lun", 1}}}, {"DeviceState", 1},
           {"PathIdentifier", "1996619781"}, {"IdentifierType", 0}, {"IdentifierLength", 3},
           {"Identifier", {1, 0, 2}}}}}},
       {{"InstanceName", "MPIO\\Disk&Ven_A\\2_0"}, {"NumberPdos", 0}, {"PdoInformation", Json::array()}}});
  // Class 0 lists every property: a schema of this file (its properties come in name
  // order) with one property of each kind.
  ns["classes"]["MSDiskDriver_Performance"]["properties"] = {
      {"InstanceName", {{"type", "string"}, {"key", true}}}, {"Bytes", "uint8[]"}, {"Codes", "uint16[]"},
      {"Counts", "uint32[]"}, {"Delta", "sint64"}, {"Empty", "uint8[]"}, {"Flags", "boolean[]"},
      {"Inner", "object:MPIO_DRIVE_INFO"}, {"Label", "uint16[]"}, {"Letter", "char16"}, {"Level", "uint8"},
      {"Missing", "string"}, {"Names", "string[]"}, {"Nothing", "string"}, {"Others", "object:Custom_Inner[]"},
      {"Ratio", "real64"}, {"Small", "sint8"}, {"Total", "uint64"}};
  ns["classes"]["Custom_Inner"]["properties"] = {{"V", "uint32"}, {"Tag", "string"}};
  inst["MSDiskDriver_Performance"] = Json::array(
      {{{"InstanceName", "DISK_0"}, {"Bytes", {1, 0, 2}}, {"Codes", {1, 0, 31}}, {"Counts", {1, 0, 23}},
        {"Delta", "-2"}, {"Empty", Json::array()}, {"Flags", {true, false}}, {"Inner", drive(1, "n", "s")},
        {"Label", {'P', 'M', 0}}, {"Letter", 65}, {"Level", 255}, {"Names", {"a", "b"}}, {"Nothing", nullptr},
        {"Others", {nullptr, {{"V", 2}, {"Tag", "x"}}}}, {"Ratio", 1.5}, {"Small", -1},
        {"Total", "18446744073709551615"}}});
  doc["machines"]["SRV1"]["users"]["CORP\\admin"] = "s3cret";
  doc["machines"]["SRV1"]["wmi"]["ROOT\\WMI"]["instances"]["MPIO_DISK_INFO"] =
      Json::array({{{"InstanceName", "REMOTE_0"}, {"NumberDrives", 0}, {"DriveInfo", Json::array()}}});
  doc["machines"]["SRV2"] = Json::object();
  return doc;
}

class Mpiolist : public ::testing::Test {
 protected:
  void SetUp() override { path_ = write_json(dir_.file("s.json"), browser_host()); }
  // Output and standard error of one command on a fresh process's view of the host.
  std::string run(const Words& words, std::string* err = nullptr) {
    SimSession sim(path_);
    std::ostringstream errors;
    EXPECT_EQ(mpiolist_command(sim.session, words, errors), 0);
    if (err != nullptr) *err = errors.str();
    return sim.output();
  }
  void change_host(const std::function<void(Json&)>& change) {
    Json doc = read_json(path_);
    change(doc);
    write_json(path_, doc);
  }
  TempDir dir_;
  std::string path_;
};

}  // namespace

TEST_F(Mpiolist, ClassByNumberOrNameInAnyCase) {
  for (const char* word : {"1", "MPIO_DISK_INFO", "mpio_disk_info", "Mpio_Disk_Info"}) EXPECT_EQ(run({"mpiolist", word}), kDiskInfo) << word;
}

TEST_F(Mpiolist, UsageForWordCountsHelpWordsAndUnknownClasses) {
  const Words refused[] = {{"mpiolist"},
                           {"mpiolist", "1", "SRV1", "CORP\\admin"},  // a user without a password
                           {"mpiolist", "1", "SRV1", "CORP\\admin", "s3cret", "x"},
                           {"mpiolist", "/help"},
                           {"mpiolist", "-HELP"},
                           {"mpiolist", "/?"},
                           {"mpiolist", "-?"},
                           {"mpiolist", "6"},
                           {"mpiolist", "01"},
                           {"mpiolist", "MPIO_DISK"},
                           {"mpiolist", "MSDSM_DEVICE_PERF"}};
  for (const auto& words : refused) EXPECT_EQ(run(words), kMpiolistUsage) << words.size() << " " << words.back();
}

TEST_F(Mpiolist, NamespacePathOfTheComputerWord) {
  const std::pair<std::string, std::wstring> cases[] = {
      {"srv", L"\\\\srv\\root\\wmi"},
      {"\\\\srv\\", L"\\\\srv\\root\\wmi"},
      {"\\\\srv", L"\\\\srvroot\\wmi"},  // a word with backslashes brings its own last one
      {".", L"\\\\.\\root\\wmi"},
  };
  for (const auto& [word, path] : cases) {
    MpiolistRequest request;
    std::ostringstream out;
    ASSERT_EQ(parse_mpiolist_arguments(out, {"mpiolist", "5", word, "CORP\\admin", "pw"}, request), 0);
    EXPECT_EQ(request.namespace_path, path) << word;
    EXPECT_EQ(request.listed->name, std::wstring(L"MPIO_GET_DESCRIPTOR"));
    EXPECT_EQ(request.user, L"CORP\\admin");
    request.wipe_credentials();
    EXPECT_TRUE(request.user.empty() && request.password.empty());
  }
}

TEST_F(Mpiolist, WordsBeyondTheLimitsAreRefusedNeverCut) {
  // \\ + name + \root\wmi: a name of 248 characters makes the longest path, 259.
  const std::string longest(248, 'm');
  EXPECT_EQ(run({"mpiolist", "1", longest}),
            failure("ConnectServer failed", "0x800706ba", "800706ba"));  // taken whole, and unknown
  EXPECT_EQ(run({"mpiolist", "1", longest + "m"}),
            "Machine_Name is too long: the namespace path holds at most 259 characters.\n" + kMpiolistUsage);
  EXPECT_EQ(run({"mpiolist", "1", "SRV1", std::string(512, 'u'), "pw"}),
            failure("ConnectServer failed", "0x80070005", "80070005"));
  EXPECT_EQ(run({"mpiolist", "1", "SRV1", std::string(513, 'u'), "pw"}),
            "Admin_User is too long: a user name holds at most 512 characters.\n" + kMpiolistUsage);
  const std::string password(256, 'p');
  EXPECT_EQ(run({"mpiolist", "1", "SRV1", "CORP\\admin", password}),
            "Password is too long: a password holds at most 255 characters.\n" + kMpiolistUsage);
  EXPECT_EQ(run({"mpiolist", "1", "SRV1", "CORP\\admin", password.substr(1)}),
            failure("ConnectServer failed", "0x80070005", "80070005"));
}

TEST_F(Mpiolist, EmbeddedArraysWithTheirBlocksAndIndentation) {
  EXPECT_EQ(run({"mpiolist", "5"}),
            "<ROOT\\WMI>\n"
            "  MPIO_GET_DESCRIPTOR\n"
            "    InstanceName* = \"MPIO\\Disk&Ven_A\\1_0\"\n"
            "    NumberPdos = 0x1\n"
            "    PdoInformation = \n"
            "      instance of PDO_INFORMATION {\n"
            "        ScsiAddress = \n"
            "          PortNumber = 0x2\n"
            "          ScsiPathId = 0x0\n"
            "          TargetId = 0x5\n"
            "          Lun = 0x1\n"
            "        DeviceState = 0x1\n"
            "        PathIdentifier = 0x77020005\n"
            "        IdentifierType = 0x0\n"
            "        IdentifierLength = 0x3\n"
            "        Identifier = 0x0102\n"
            "       }\n"
            "\n"
            "  MPIO_GET_DESCRIPTOR\n"
            "    InstanceName* = \"MPIO\\Disk&Ven_A\\2_0\"\n"
            "    NumberPdos = 0x0\n"
            "    PdoInformation = \n"
            "      <empty array>\n"
            "\n");
}

TEST_F(Mpiolist, AllPropertiesOfEveryKind) {
  EXPECT_EQ(run({"mpiolist", "0"}),
            "<ROOT\\WMI>\n"
            "  MSDiskDriver_Performance\n"
            "    Bytes = 0x0102\n"
            "    Codes = 0x11f\n"
            "    Counts = 0x117\n"  // uint32 travels as VT_I4
            "    Delta = 0xFFFFFFFFFFFFFFFE\n"
            "    Empty = <empty array>\n"
            "    Flags = TRUE,FALSE\n"
            "    Inner = \n"
            "      NumberPaths = 0x1\n"
            "      Name = \"n\"\n"
            "      SerialNumber = \"s\"\n"
            "      DsmName = \"ZYRDSM\"\n"
            "    InstanceName* = \"DISK_0\"\n"
            "    Label = PM\n"
            "    Letter = 0x41\n"
            "    Level = 0xFF\n"
            "    Missing = <empty>\n"
            "    Names = \"a\",\"b\"\n"
            "    Nothing = <null>\n"
            "    Others = \n"
            "      instance of Custom_Inner {\n"
            "        Tag = \"x\"\n"
            "        V = 0x2\n"
            "       }\n"
            "    Ratio =     1.5000\n"
            "    Small = 0xFFFF\n"
            "    Total = 0xFFFFFFFFFFFFFFFF\n"
            "\n");
}

TEST_F(Mpiolist, OtherComputersAndTheirCredentials) {
  const std::string before = read_text(path_);
  const std::string remote =
      "<ROOT\\WMI>\n  MPIO_DISK_INFO\n    InstanceName* = \"REMOTE_0\"\n    NumberDrives = 0x0\n"
      "    DriveInfo = \n      <empty array>\n\n";
  const std::string refused = failure("ConnectServer failed", "0x800706ba", "800706ba");
  const std::string denied = failure("ConnectServer failed", "0x80070005", "80070005");
  EXPECT_EQ(run({"mpiolist", "1", "NOSUCH"}), refused);
  EXPECT_EQ(run({"mpiolist", "1", "\\\\SRV1", "CORP\\admin", "s3cret"}), refused);  // \\SRV1root\wmi
  EXPECT_EQ(run({"mpiolist", "1", "SRV1", "CORP\\admin", "guess"}), denied);
  EXPECT_EQ(run({"mpiolist", "1", "SRV1", "CORP\\admin", "s3cret"}), remote);
  EXPECT_EQ(run({"mpiolist", "1", "\\\\srv1\\", "corp\\ADMIN", "s3cret"}), remote);
  EXPECT_EQ(run({"mpiolist", "1", "SRV2"}), kDiskInfo);  // no own classes: this host's
  EXPECT_EQ(run({"mpiolist", "1", "."}), kDiskInfo);
  EXPECT_EQ(run({"mpiolist", "1", ".", "CORP\\admin", "s3cret"}),
            failure("ConnectServer failed", "0x80041064", "80041064"));
  // Nothing was written: no password went into the file.
  EXPECT_EQ(read_text(path_), before);
  EXPECT_EQ(before.find("guess"), std::string::npos);
  // The browser's own locator, for the computer it connects to, can fail too.
  change_host([](Json& doc) {
    doc["faults"]["connect"] = Json::array(
        {{{"namespace", "\\\\SRV1\\root\\wmi"}, {"step", "CoCreateInstance"}, {"hresult", "0x80040154"}}});
  });
  EXPECT_EQ(run({"mpiolist", "1", "SRV1", "CORP\\admin", "s3cret"}),
            failure("Failed to create IWbemLocator object", "0x80040154", "80040154"));
  EXPECT_EQ(run({"mpiolist", "1", "SRV2"}), kDiskInfo);
}

TEST_F(Mpiolist, FailuresWithTheirExtendedStatus) {
  change_host([](Json& doc) {
    doc["faults"]["enumerate"] = Json::array(
        {{{"class", "MPIO_DISK_INFO"}, {"hresult", "0x80041001"}, {"description", "driver gone"}},
         {{"class", "MPIO_GET_DESCRIPTOR"}, {"after", 1}, {"hresult", "0x80041004"}}});
  });
  EXPECT_EQ(run({"mpiolist", "1"}),
            "<ROOT\\WMI>\n  MPIO_DISK_INFO\n" +
                failure("Couldn't create instance enum", "WBEM_E_FAILED", "80041001",
                        "Description: driver gone\nOperation: CreateInstanceEnum\n"
                        "ParameterInfo: MPIO_DISK_INFO\nProviderName: WMIProv\n"));
  const std::string listing = run({"mpiolist", "5"});
  EXPECT_EQ(listing.substr(listing.find("       }\n\n") + 10),
            failure("Could not get next instance", "WBEM_E_PROVIDER_FAILURE", "80041004",
                    "Operation: CreateInstanceEnum\nParameterInfo: MPIO_GET_DESCRIPTOR\nProviderName: WMIProv\n"));
}

TEST_F(Mpiolist, PropertiesThatCannotBeReadAreReportedAndLeftOut) {
  change_host([](Json& doc) {
    Json& ns = doc["wmi"]["ROOT\\WMI"];
    ns["classes"]["MPIO_TIMERS_COUNTERS"]["properties"] = {{"InstanceName", {{"type", "string"}, {"key", true}}}};
    ns["instances"]["MPIO_TIMERS_COUNTERS"] = Json::array({{{"InstanceName", "T0"}}});
    ns["classes"]["MPIO_CONTROLLER_CONFIGURATION"]["properties"] = Json::object();
    ns["instances"]["MPIO_CONTROLLER_CONFIGURATION"] = Json::array({Json::object()});
  });
  const std::string not_found = failure("Couldn't get property value", "WBEM_E_NOT_FOUND", "80041002");
  std::string expected = "<ROOT\\WMI>\n  MPIO_TIMERS_COUNTERS\n";
  for (const char* name : {"PathVerifyEnabled", "PathVerificationPeriod", "PDORemovePeriod", "RetryCount", "RetryInterval"})
    expected += std::string("Error: property '") + name + "' - " + not_found;
  EXPECT_EQ(run({"mpiolist", "4"}), expected + "    InstanceName* = \"T0\"\n\n");
  // No property at all: the instance is still closed by its empty line.
  expected = "<ROOT\\WMI>\n  MPIO_CONTROLLER_CONFIGURATION\n";
  for (const char* name : {"InstanceName", "NumberControllers", "ControllerInfo"})
    expected += std::string("Error: property '") + name + "' - " + not_found;
  EXPECT_EQ(run({"mpiolist", "3"}), expected + "\n");
}

namespace {

// A backend whose only answer is the error object of the last call.
class ErrorObjectBackend : public Backend {
 public:
  explicit ErrorObjectBackend(ObjectPtr error) : error_(std::move(error)) {}
  HResult initialize_com() override { return kS_OK; }
  HResult initialize_security() override { return kS_OK; }
  HResult create_locator(const std::wstring&) override { return kS_OK; }
  HResult connect_server(const std::wstring&, const std::wstring&, const std::wstring&,
                         std::unique_ptr<Services>&) override {
    return kE_FAIL;
  }
  HResult set_proxy_blanket(Services&) override { return kS_OK; }
  void release_locator() override {}
  void uninitialize_com() override {}
  ObjectPtr take_error_object() override { return std::exchange(error_, nullptr); }

 private:
  ObjectPtr error_;
};

std::string reported(ObjectPtr error, HResult code) {
  std::ostringstream out;
  ErrorObjectBackend backend(std::move(error));
  BrowserContext ctx{out, out, backend, 0, {}};
  EXPECT_EQ(print_wmi_error(ctx, "Something failed", code), 1);
  return out.str();
}

}  // namespace

TEST(MpiolistErrorReport, ErrorObjectsOfEveryKind) {
  auto status = std::make_shared<ValueObject>(
      L"__ExtendedStatus", std::vector<std::wstring>{L"__NotifyStatus"},
      std::vector<std::pair<std::wstring, Value>>{{L"Description", Value::null()},
                                                  {L"Operation", Value::bstr(L"ExecQuery")},
                                                  {L"ProviderName", Value::bstr(L"WinMgmt")}});
  EXPECT_EQ(reported(status, hr_from_bits(0x80041010u)),
            "Something failed\nFunctionReturn: WBEM_E_INVALID_CLASS (0x80041010) \n"
            "Operation: ExecQuery\nCan't get ParameterInfo: -2147217406\nProviderName: WinMgmt\n"
            "Abnormal Termination\n");
  auto notify = std::make_shared<ValueObject>(L"__NotifyStatus", std::vector<std::wstring>{},
                                              std::vector<std::pair<std::wstring, Value>>{});
  EXPECT_EQ(reported(notify, -1), "Something failed\nFunctionReturn: 0xffffffff (0xffffffff) \nAbnormal Termination\n");
  auto other = std::make_shared<ValueObject>(L"Win32_Process", std::vector<std::wstring>{},
                                             std::vector<std::pair<std::wstring, Value>>{});
  EXPECT_EQ(reported(other, 0),
            "Something failed\nFunctionReturn: WBEM_NO_ERROR/WBEM_S_NO_ERROR/WBEM_S_SAME (0x00000000) \n"
            "Unrecognized Error Object type\nAbnormal Termination\n");
}
