// dsminfo and dsminfo set: the display, the refused words, the SetDSMCounters call
// as sent, and the simulated MPIO that takes it.
#include "config/dsm_timers.h"

#include <gtest/gtest.h>

#include <iomanip>

#include "config/config_hosts.h"
#include "text/text_convert.h"
#include "wmi/wmi_access.h"

namespace {

Json dsm(const char* name, const char* context, Json version, int enabled, int period, int remove, int count,
         int interval) {
  return {{"DsmName", name}, {"DsmContext", context},
          {"DsmVersion", {{"MajorVersion", version[0]}, {"MinorVersion", version[1]}, {"ProductBuild", version[2]}, {"QfeNumber", version[3]}}},
          {"DsmCounters", {{"PathVerifyEnabled", enabled}, {"PathVerificationPeriod", period}, {"PDORemovePeriod", remove},
                           {"RetryCount", count}, {"RetryInterval", interval}, {"Reserved32", 5}, {"Reserved64", "77"}}}};
}

// Two instances of MPIO_REGISTERED_DSM (the second with a null element) and MPIO's
// method instance.
Json timers_host(unsigned major) {
  Json doc = empty_host(major);
  Json& w = doc["wmi"]["ROOT\\WMI"]["instances"];
  w["MPIO_REGISTERED_DSM"] = Json::array({
      {{"InstanceName", "Root\\MPIO\\0000_0"}, {"NumberDSMs", 1},
       {"DsmParameters", Json::array({dsm("Microsoft DSM", "26", {6, 1, 7601, 17514}, 1, 30, 20, 3, 1)})}},
      {{"InstanceName", "Root\\MPIO\\0001_0"}, {"NumberDSMs", 1},
       {"DsmParameters", Json::array({nullptr, dsm("ZYRDSM", "78187493520", {2, 4, 20, 0}, 0, 60, 4294967295u, 0, 12)})}},
  });
  w["MPIO_WMI_METHODS"] = Json::array({{{"InstanceName", "Root\\MPIO\\0000_0"}}});
  return doc;
}

const std::string kMicrosoftDsm =
    " DSM Name:              Microsoft DSM\n"
    " DSM Version:           6.1.7601.17514\n"
    " DSM Context:           0000001A\n"
    " Path Verify Period:    30\n"
    " Path Verify Enabled:   true\n"
    " PDO Remove Period:     20\n"
    " Retry Interval:        1\n"
    " Retry Count:           3\n";
const std::string kZyrDsm =
    " DSM Name:              ZYRDSM\n"
    " DSM Version:           2.4.20.0\n"
    " DSM Context:           1234567890\n"
    " Path Verify Period:    60\n"
    " Path Verify Enabled:   false\n"
    " PDO Remove Period:     4294967295\n"
    " Retry Interval:        12\n"
    " Retry Count:           0\n";

class DsmTimers : public ConfigTest {
 protected:
  std::string show() {
    SimSession s(path_);
    EXPECT_EQ(show_dsm_timers(s.session), 0);
    return s.output();
  }
  int set(SimSession& s, Words words) {
    words.insert(words.begin(), {"dsminfo", "set"});
    return set_dsm_timers(s.session, words);
  }
};

}  // namespace

TEST_F(DsmTimers, DisplayInBothFamilies) {
  for (unsigned major : {5u, 6u}) {
    auto& s = host(timers_host(major));
    EXPECT_EQ(show_dsm_timers(s.session), 0);
    EXPECT_EQ(s.output(), "\n" + kMicrosoftDsm + kZyrDsm + "\n");
  }
  sim_->out << std::setw(4) << 7 << '|';  // the stream is right-aligned, decimal, blank-filled again
  EXPECT_EQ(sim_->output().substr(sim_->output().size() - 5), "   7|");
}

TEST_F(DsmTimers, NothingRegisteredOrUnreadable) {
  Json failing = timers_host(6);
  failing["faults"]["enumerate"] = Json::array({{{"class", "MPIO_REGISTERED_DSM"}, {"hresult", "0x80041010"}}});
  for (const Json& doc : {empty_host(6), failing}) {
    auto& s = host(doc);
    EXPECT_EQ(show_dsm_timers(s.session), 0);
    EXPECT_EQ(set(s, {"ZYRDSM", "RetryCount", "1"}), 1);
    EXPECT_EQ(s.output(), "");
  }
}

TEST_F(DsmTimers, RefusedWordsSendNothing) {
  struct Case {
    Words words;
    std::string message;
  };
  const Case cases[] = {
      {{"zyrdsm", "RetryCount", "1"}, "Bad DSM Name."},
      {{"ZYRDSM", "RetryCount", "1", "Retries", "2"}, "Invalid argument for Retries"},
      {{"ZYRDSM", "pathverifyperiod", "30s"}, "Invalid argument value for pathverifyperiod"},
      {{"ZYRDSM", "PathVerifyEnabled", "1"}, "Invalid argument value for PathVerifyEnabled"},
      {{"ZYRDSM", "RetryInterval", "-1"}, "Invalid argument value for RetryInterval"},
      {{"ZYRDSM", "PDORemovePeriod", "4294967296"}, "Invalid argument value for PDORemovePeriod"},
  };
  for (const Case& c : cases) {
    auto& s = host(timers_host(6));
    EXPECT_EQ(set(s, c.words), 1) << c.message;
    EXPECT_EQ(s.output(), "\n" + c.message + "\n");
    EXPECT_TRUE(calls("SetDSMCounters").empty()) << c.message;
  }
}

TEST_F(DsmTimers, NamedTimersChangeTheOthersAreSentAsRead) {
  auto& s = host(timers_host(6));
  EXPECT_EQ(set(s, {"ZYRDSM", "pathverifyperiod", "45", "PathVerifyEnabled", "TRUE", "RETRYCOUNT", "2",
                    "RetryCount", "9"}), 0);
  EXPECT_EQ(s.output(), "\n Set DSM Timer Counters: OK\n\n");
  auto sent = calls("SetDSMCounters");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["path"], "MPIO_WMI_METHODS.InstanceName=\"Root\\\\MPIO\\\\0000_0\"");
  const Json expected_in = {
      {"DsmContext", "78187493520"},
      {"DsmCounters", {{"__CLASS", "DSM_COUNTERS"},
                       {"__VT", {{"PathVerifyEnabled", "VT_I4"}, {"PathVerificationPeriod", "VT_I4"}, {"PDORemovePeriod", "VT_I4"},
                                 {"RetryCount", "VT_I4"}, {"RetryInterval", "VT_I4"}, {"Reserved32", "VT_I4"}, {"Reserved64", "VT_BSTR"}}},
                       {"PathVerifyEnabled", 1}, {"PathVerificationPeriod", 45}, {"PDORemovePeriod", -1},
                       {"RetryCount", 9}, {"RetryInterval", 12}, {"Reserved32", 5}, {"Reserved64", "77"}}},
      {"__VT", {{"DsmContext", "VT_BSTR"}, {"DsmCounters", "VT_UNKNOWN"}}}};
  EXPECT_EQ(sent[0]["in"], expected_in);
  std::string changed = kZyrDsm;
  changed.replace(changed.find("60\n"), 2, "45");
  changed.replace(changed.find("false"), 5, "true");
  changed.replace(changed.find("Count:           0"), 18, "Count:           9");
  EXPECT_EQ(show(), "\n" + kMicrosoftDsm + changed + "\n");
}

TEST_F(DsmTimers, FailedOrImpossibleCallsAreNeverSuccess) {
  Json failing = timers_host(6);
  failing["faults"]["methods"] = Json::array({{{"method", "SetDSMCounters"}, {"hresult", "0x80041001"}}});
  auto& f = host(failing);
  EXPECT_EQ(set(f, {"ZYRDSM", "RetryCount", "2"}), static_cast<int>(0x80041001));
  EXPECT_EQ(f.output(), "\n Set DSM Timer Counters: Failed\n\n");
  EXPECT_EQ(calls("SetDSMCounters").at(0)["status"], "0x80041001");

  Json no_method = timers_host(6);
  no_method["wmi"]["ROOT\\WMI"]["instances"].erase("MPIO_WMI_METHODS");
  auto& n = host(no_method);
  EXPECT_EQ(set(n, {"ZYRDSM", "RetryCount", "2"}), kS_FALSE);
  EXPECT_EQ(n.output(), "\n Set DSM Timer Counters: Failed\n\n");
  EXPECT_TRUE(calls("SetDSMCounters").empty());

  Json unlisted = timers_host(6);
  unlisted["faults"]["enumerate"] = Json::array({{{"class", "MPIO_WMI_METHODS"}, {"hresult", "0x80041010"}}});
  auto& u = host(unlisted);
  EXPECT_EQ(set(u, {"ZYRDSM", "RetryCount", "2"}), 1);
  EXPECT_EQ(u.output(), "\n");

  auto r = run_pathmgr({"dsminfo", "set", "ZYRDSM", "RetryCount", "2"}, write_json(dir_.file("f.json"), failing));
  EXPECT_EQ(r.out, "\n Set DSM Timer Counters: Failed\n\ncommand failed!\n");
  EXPECT_NE(r.exit_code, 0);

  // The first instance cannot be fetched: the status is the enumerator's.
  Json unfetched = timers_host(6);
  unfetched["faults"]["enumerate"] =
      Json::array({{{"class", "MPIO_WMI_METHODS"}, {"after", 0}, {"hresult", "0x80041010"}}});
  EXPECT_EQ(set(host(unfetched), {"ZYRDSM", "RetryCount", "2"}), static_cast<int>(0x80041010));
  auto e = run_pathmgr({"dsminfo", "set", "ZYRDSM", "RetryCount", "2"}, path_);
  EXPECT_EQ(e.out, "\n Set DSM Timer Counters: Failed\n\ncommand failed!\n");
  EXPECT_EQ(e.exit_code, 0x10);
}

TEST_F(DsmTimers, SimulatedMpioRefusesUnknownContextsAndMalformedRecords) {
  auto& s = host(timers_host(6));
  auto call = [&](const char* context, const char* counters_class, const char* drop) {
    wmi::ObjectPtr in, counters;
    EXPECT_EQ(wmi::spawn_method_params(*s.session.wmi, L"MPIO_WMI_METHODS", L"SetDSMCounters", in), kS_OK);
    EXPECT_EQ(wmi::spawn_object(*s.session.wmi, widen_utf8(counters_class), counters), kS_OK);
    for (const char* name : {"PathVerifyEnabled", "PathVerificationPeriod", "PDORemovePeriod", "RetryCount",
                             "RetryInterval", "Reserved32"})
      if (std::string(name) != drop) counters->put(widen_utf8(name), wmi::Value::i4(8));
    counters->put(L"Reserved64", wmi::Value::bstr(L"0"));
    in->put(L"DsmCounters", wmi::Value::unknown(counters));
    in->put(L"DsmContext", wmi::Value::bstr(widen_utf8(context)));
    return wmi::wmi_call(*s.session.wmi, L"MPIO_WMI_METHODS.InstanceName=\"Root\\\\MPIO\\\\0000_0\"", L"SetDSMCounters",
                         in.get());
  };
  EXPECT_EQ(call("27", "DSM_COUNTERS", ""), kWBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(call("26", "DSM_COUNTERS", "RetryCount"), kWBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(call("26", "MPIO_DSM_VERSION", ""), kWBEM_E_INVALID_PARAMETER);
  EXPECT_EQ(show(), "\n" + kMicrosoftDsm + kZyrDsm + "\n");
  EXPECT_EQ(call("26", "DSM_COUNTERS", ""), kS_OK);
  EXPECT_NE(show().find(" Retry Count:           8\n DSM Name:              ZYRDSM"), std::string::npos);
}
