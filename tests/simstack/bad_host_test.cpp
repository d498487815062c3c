// Host files of the wrong shape, through the program: each is refused with an error
// naming the file and the member, exit status 1, and the file is left as it was.
#include <gtest/gtest.h>

#include <functional>

#include "simstack/host_makers/host_generator.h"
#include "test_support.h"

namespace {

Json small_host(unsigned family) {
  simstack::HostSpec spec;
  spec.family = family;
  spec.devices = 2;
  spec.paths_per_device = 2;
  return generated_host(spec);
}

Json& instances(Json& host) { return host["wmi"]["ROOT\\WMI"]["instances"]; }

struct BadHost {
  const char* what;
  std::function<void(Json&)> spoil;
  std::vector<std::string> args;
  std::string error;  // after "Simulated host: FILE: "
  bool in_command = false;  // met by the command itself, which then fails as a command
};

}  // namespace

TEST(BadHost, WrongJsonTypesAreRefusedNamingTheMemberAndLeaveTheFile) {
  const std::vector<std::string> report{"devinfo"}, help{"help"};
  const std::vector<BadHost> cases = {
      {"wmi is an array", [](Json& h) { h["wmi"] = {1, 2}; }, help,
       "member \"wmi\" is an array, not an object"},
      {"namespace is a number", [](Json& h) { h["wmi"]["ROOT\\WMI"] = 3; }, report,
       "member \"wmi\" / \"ROOT\\\\WMI\" is an integer, not an object"},
      {"instances is a string", [](Json& h) { h["wmi"]["ROOT\\WMI"]["instances"] = "x"; }, report,
       "member \"wmi\" / \"ROOT\\\\WMI\" / \"instances\" is a string, not an object"},
      {"instance list is a string", [](Json& h) { instances(h)["DSM_QueryLBPolicy_V2"] = "x"; }, report,
       "the instance list of class DSM_QueryLBPolicy_V2 is a string, not an array", true},
      {"instance is a number", [](Json& h) { instances(h)["DSM_QueryLBPolicy_V2"][1] = 5; }, report,
       "class DSM_QueryLBPolicy_V2, instance 1 is an integer, not an object", true},
      {"text where uint32", [](Json& h) { instances(h)["DSM_QueryLBPolicy_V2"][1]["LoadBalancePolicy"]["LoadBalancePolicy"] = "2"; },
       report,
       "class DSM_QueryLBPolicy_V2, instance 1, property LoadBalancePolicy (in an embedded DSM_Load_Balance_Policy_V2): "
       "a string where the schema says uint32", true},
      {"array where a scalar", [](Json& h) { instances(h)["DSM_QueryLBPolicy_V2"][0]["InstanceName"] = {"a"}; }, report,
       "class DSM_QueryLBPolicy_V2, instance 0, property InstanceName: an array where the schema says a single string", true},
      {"uint8 out of range", [](Json& h) {
         instances(h)["DSM_QueryLBPolicy_V2"][0]["LoadBalancePolicy"]["DSM_Paths"][1]["SymmetricLUA"] = 256; },
       report,
       "class DSM_QueryLBPolicy_V2, instance 0, property SymmetricLUA (in an embedded MPIO_DSM_Path_V2): "
       "256 is out of range for uint8", true},
      {"text major", [](Json& h) { h["os"]["major"] = "6"; }, help,
       "member \"os\" / \"major\" is \"6\", not a whole number from 0 to 4294967295"},
      {"text build", [](Json& h) { h["os"]["build"] = "7601"; }, report,
       "member \"os\" / \"build\" is \"7601\", not a whole number from 0 to 4294967295"},
      {"key not a boolean", [](Json& h) {
         h["wmi"]["ROOT\\WMI"]["classes"]["Foo"] = {{"properties", {{"A", {{"type", "string"}, {"key", "yes"}}}}}}; },
       help, "schema of property A of class Foo: \"key\" is not true or false"},
      {"class schema not an object", [](Json& h) { h["wmi"]["ROOT\\WMI"]["classes"]["Foo"] = 3; }, help,
       "schema of class Foo is not an object"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Json host = small_host(6);
    c.spoil(host);
    const std::string path = write_json(dir.file("h.json"), host);
    const std::string before = read_text(path);
    auto r = run_pathmgr(c.args, path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "Simulated host: " + path + ": " + c.error + "\n" + (c.in_command ? "command failed!\n" : ""));
    EXPECT_EQ(read_text(path), before);
  }
}

TEST(BadHost, WrongTypeMetByAChangeWritesNothing) {
  TempDir dir;
  Json host = small_host(6);
  const std::string serial = instances(host)["MPIO_DISK_INFO"][0]["DriveInfo"][0]["SerialNumber"];
  instances(host)["DSM_QueryLBPolicy_V2"][1]["LoadBalancePolicy"]["Version"] = "1";
  const std::string path = write_json(dir.file("h.json"), host);
  const std::string before = read_text(path);
  auto r = run_pathmgr({"devinfo", serial, "RoundRobin"}, path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("property Version (in an embedded DSM_Load_Balance_Policy_V2): a string where the schema says uint32"),
            std::string::npos) << r.out;
  EXPECT_EQ(read_text(path), before);
}

TEST(BadHost, AFolderOrDeviceIsNoHostFile) {
  TempDir dir;
  for (const auto& [path, error] : {std::pair<std::string, std::string>{dir.path(), "is a folder, not a host file"},
                                    {"/dev/null", "is not a regular file"}})
    for (const char* command : {"devinfo", "help"}) {
      auto r = run_pathmgr({command}, path);
      EXPECT_EQ(r.exit_code, 1) << path;
      EXPECT_EQ(r.out, "Simulated host: " + path + ": " + error + "\n");
    }
}
