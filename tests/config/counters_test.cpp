// clear (family 5 and 6) and clear sn <SerialNumber>.
#include "config/counters.h"

#include <gtest/gtest.h>

#include "config/config_hosts.h"

TEST(Counters, FamilyFiveClearsEveryInstance) {
  TempDir dir;
  const std::string hba = "21000B5E71000001";
  auto path = write_json(dir.file("s.json"), family5_config_host({{"AAAAAAAA", 2, 1, {{1, 1, hba}}}, {"BBBBBBBB", 2, 1, {{2, 1, hba}}}}));
  SimSession s(path);
  EXPECT_EQ(clear_all_counters(s.session), 0);
  EXPECT_EQ(s.output(), "\n Clear all counters: OK\n\n");
  auto calls = method_calls(path, "ZyrDsmClearCounters");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_FALSE(calls[0].contains("in"));
  Json perf = read_json(path)["wmi"]["ROOT\\WMI"]["instances"]["ZYRDSM_PERFINFO"];
  EXPECT_EQ(perf[1]["PerfInfo"][0]["NumberWrites"], 0);

  TempDir empty_dir;
  SimSession none(write_json(empty_dir.file("s.json"), empty_host(5)));
  EXPECT_EQ(clear_all_counters(none.session), 0);
  EXPECT_EQ(none.output(), "\n Clear all counters: OK\n\n");
}

TEST(Counters, FamilySixOneDeviceAndFailures) {
  TempDir dir;
  Json doc = family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}}}, {"SN-B", 2, {{21, 1, 1, 0}}}, {"SN-C", 2, {{31, 1, 1, 0}}}});
  auto path = write_json(dir.file("s.json"), doc);
  SimSession s(path);
  const std::string serial = "SN-B";
  EXPECT_EQ(clear_counters(s.session, &serial, false), 0);
  auto calls = method_calls(path, "MSDsmClearCounters");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]["path"], "MSDSM_WMI_METHODS.InstanceName=\"MPIO\\\\Disk\\\\1\"");
  Json perf = read_json(path)["wmi"]["ROOT\\WMI"]["instances"]["MSDSM_DEVICE_PERF"];
  EXPECT_EQ(perf[1]["PerfInfo"][0]["NumberReads"], 0);
  EXPECT_EQ(perf[1]["PerfInfo"][0]["BytesRead"], "0");
  EXPECT_EQ(perf[0]["PerfInfo"][0]["NumberReads"], 5);
  const std::string unknown = "sn-b";
  EXPECT_EQ(clear_counters(s.session, &unknown, false), 0);  // no device: nothing cleared, OK
  EXPECT_EQ(method_calls(path, "MSDsmClearCounters").size(), 1u);
  EXPECT_EQ(s.output(), " Clear counters: OK\n\n Clear counters: OK\n\n");

  doc["faults"]["methods"] = Json::array({{{"method", "MSDsmClearCounters"}, {"instance", "MPIO\\Disk\\2"}, {"hresult", "0x80041001"}}});
  auto failing = write_json(dir.file("f.json"), doc);
  SimSession f(failing);
  EXPECT_EQ(clear_counters(f.session, nullptr, true), 0);
  EXPECT_EQ(f.output(), " Clear counters: Failed\n\n");
  EXPECT_EQ(method_calls(failing, "MSDsmClearCounters").size(), 3u);
}

TEST(Counters, EnumerationFailureIsTheResultAndPrintsNothing) {
  TempDir dir;
  Json doc = family6_config_host({{"SN-A", 2, {{11, 1, 1, 0}}}});
  doc["faults"]["enumerate"] = Json::array({{{"class", "MSDSM_WMI_METHODS"}, {"hresult", "0x80041010"}}});
  SimSession s(write_json(dir.file("s.json"), doc));
  EXPECT_EQ(clear_counters(s.session, nullptr, true), static_cast<int>(0x80041010));
  EXPECT_EQ(s.output(), "");
}
