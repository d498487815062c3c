#include "shell/dispatch.h"

#include <gtest/gtest.h>

#include <sstream>

#include "inventory/inventory.h"
#include "shell/expected_help.h"

namespace {

std::string join(const Words& w) {
  std::string s;
  for (const auto& x : w) s += (s.empty() ? "" : " ") + x;
  return s;
}

// Handlers that record what they were called with and return 7.
struct Recorder {
  std::vector<std::string> calls;
  int load_result = 0;
  CommandHandlers handlers() {
    CommandHandlers h;
    auto rec = [this](std::string call) {
      calls.push_back(std::move(call));
      return 7;
    };
    h.devinfo_list = [=] { return rec("devinfo_list"); };
    h.load_inventory = [this](Inventory&) {
      calls.push_back("load_inventory");
      return load_result;
    };
    h.set_all_devices_policy = [=](Inventory&, const std::string& p) { return rec("set_all(" + p + ")"); };
    h.set_device_policy = [=](Inventory&, const std::string& sn, const std::string& p) {
      return rec("set_device(" + sn + "," + p + ")");
    };
    h.pathinfo_list = [=](const std::string& k, const std::string& v) { return rec("pathinfo_list(" + k + "," + v + ")"); };
    h.pathinfo_detail = [=](std::uint64_t id) { return rec("pathinfo_detail(" + std::to_string(id) + ")"); };
    h.set_hba_path_status = [=](const std::string& hba, const std::string& st) {
      return rec("hba_status(" + hba + "," + st + ")");
    };
    h.set_path_state = [=](const std::string& sn, std::uint64_t id, const std::string& st) {
      return rec("path_state(" + sn + "," + std::to_string(id) + "," + st + ")");
    };
    h.show_policies = [=] { return rec("policies"); };
    h.clear_all_counters = [=] { return rec("clear_all"); };
    h.clear_counters = [=](const std::string* sn, bool all) {
      return rec("clear(" + (sn ? *sn : std::string("-")) + "," + (all ? "1" : "0") + ")");
    };
    h.set_path_primary = [=](std::uint64_t id, int flag) {
      return rec("primary(" + std::to_string(id) + "," + std::to_string(flag) + ")");
    };
    h.set_path_preferred = [=](const std::string& sn, std::uint64_t id, const std::string& w) {
      return rec("preferred(" + sn + "," + std::to_string(id) + "," + w + ")");
    };
    h.set_path_weight = [=](std::uint64_t id, std::int32_t w) {
      return rec("weight(" + std::to_string(id) + "," + std::to_string(w) + ")");
    };
    h.set_path_weight_v2 = [=](const std::string& sn, std::uint64_t id, std::int32_t w) {
      return rec("weight_v2(" + sn + "," + std::to_string(id) + "," + std::to_string(w) + ")");
    };
    h.dump_instances = [=](const std::string& c) { return rec("dump(" + c + ")"); };
    h.listen_for_events = [=] { return rec("listen"); };
    h.show_io_status = [=](const Words& w) { return rec("iostatus(" + join(w) + ")"); };
    h.pgr = [=](const Words& w) { return rec("pgr(" + join(w) + ")"); };
    h.set_parameters = [=](const Words& w) { return rec("set(" + join(w) + ")"); };
    h.mpiolist = [=](const Words& w) { return rec("mpiolist(" + join(w) + ")"); };
    h.show_dsm_timers = [=] { return rec("dsminfo"); };
    h.set_dsm_timers = [=](const Words& w) { return rec("dsminfo_set(" + join(w) + ")"); };
    return h;
  }
};

struct Outcome {
  int result;
  std::string call;    // empty when no handler ran
  std::string output;
};

Outcome dispatch(unsigned major, const Words& words, int load_result = 0) {
  std::ostringstream out;
  Session s{out, major};
  Recorder r;
  r.load_result = load_result;
  int rc = dispatch_command(s, r.handlers(), words);
  std::string call;
  for (const auto& c : r.calls) call += (call.empty() ? "" : ";") + c;
  return {rc, call, out.str()};
}

void expect_call(unsigned major, const Words& words, const std::string& call) {
  auto o = dispatch(major, words);
  EXPECT_EQ(o.call, call) << join(words) << " in family " << major;
  EXPECT_EQ(o.result, 7) << join(words);
  EXPECT_EQ(o.output, "") << join(words);
}

void expect_syntax_error(unsigned major, const Words& words) {
  auto o = dispatch(major, words);
  EXPECT_EQ(o.call, "") << join(words) << " in family " << major;
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.output, "syntax error near " + words[0] + "\n") << join(words);
}

}  // namespace

TEST(Dispatch, NoWordsOrHelpWordPrintTheFullHelp) {
  EXPECT_EQ(dispatch(6, {}).output, help_text_family6());
  EXPECT_EQ(dispatch(5, {"HELP"}).output, help_text_family5());
  EXPECT_EQ(dispatch(6, {"/?", "devinfo"}).output, help_text_family6());
  EXPECT_EQ(dispatch(6, {}).result, 0);
}

TEST(Dispatch, PrefixMatchingNeedsThreeLettersAndNoExtraLetters) {
  expect_call(6, {"dev"}, "devinfo_list");
  expect_call(6, {"DEVI"}, "devinfo_list");
  expect_call(6, {"devinfo"}, "devinfo_list");
  expect_syntax_error(6, {"de"});
  expect_syntax_error(6, {"devinfos"});
  expect_syntax_error(6, {"bogus"});
  expect_call(6, {"pol", "x", "y"}, "policies");
  expect_call(6, {"PRE", "sn1", "1f", "true"}, "preferred(sn1,31,true)");
  expect_call(5, {"pri", "a"}, "primary(10,1)");
  expect_call(6, {"sec", "a"}, "primary(10,0)");
}

TEST(Dispatch, DevinfoBuildsTheInventoryBeforeSettingPolicies) {
  expect_call(6, {"devinfo", "ALL", "RoundRobin"}, "load_inventory;set_all(RoundRobin)");
  expect_call(5, {"devinfo", "SN01", "failback-on"}, "load_inventory;set_device(SN01,failback-on)");
  auto failed = dispatch(6, {"devinfo", "all", "rou"}, 1);
  EXPECT_EQ(failed.call, "load_inventory");  // no policy is set when the build fails
  EXPECT_EQ(failed.result, 1);
  expect_syntax_error(6, {"devinfo", "help"});
  expect_syntax_error(6, {"devinfo", "a", "b", "c"});
}

TEST(Dispatch, PathinfoFormsPerFamily) {
  for (unsigned major : {5u, 6u}) {
    expect_call(major, {"pathinfo"}, "pathinfo_list(,)");
    expect_call(major, {"pathinfo", "1a2b"}, "pathinfo_detail(6699)");
    expect_call(major, {"pathinfo", "zz"}, "pathinfo_detail(0)");
    expect_call(major, {"pathinfo", "SN", "ABC"}, "pathinfo_list(SN,ABC)");
  }
  expect_call(5, {"pathinfo", "Hba", "2100"}, "pathinfo_list(Hba,2100)");
  expect_call(5, {"pathinfo", "2100", "online"}, "hba_status(2100,online)");
  expect_syntax_error(6, {"pathinfo", "hba", "2100"});
  expect_syntax_error(6, {"pathinfo", "2100", "online"});
  expect_call(6, {"pathinfo", "SN1", "0x10", "standby"}, "path_state(SN1,16,standby)");
  expect_syntax_error(5, {"pathinfo", "SN1", "10", "standby"});
  expect_syntax_error(6, {"pathinfo", "a", "b", "c", "d"});
}

TEST(Dispatch, ClearPrimarySecondaryPreferredWeight) {
  expect_call(5, {"clear"}, "clear_all");
  expect_call(6, {"clear"}, "clear(-,1)");
  expect_call(6, {"clear", "sN", "S1"}, "clear(S1,0)");
  expect_syntax_error(5, {"clear", "sn", "S1"});
  expect_syntax_error(6, {"clear", "x", "S1"});
  expect_syntax_error(6, {"clear", "sn"});
  expect_call(5, {"primary", "1f"}, "primary(31,1)");
  expect_syntax_error(6, {"primary", "1f"});
  expect_syntax_error(5, {"primary", "1f", "x"});
  expect_call(5, {"secondary", "1f"}, "primary(31,0)");
  expect_call(6, {"secondary", "1f"}, "primary(31,0)");
  expect_syntax_error(6, {"secondary"});
  expect_call(6, {"preferred", "S", "2", "false"}, "preferred(S,2,false)");
  expect_syntax_error(5, {"preferred", "S", "2", "false"});
  expect_syntax_error(5, {"preferred", "S", "2"});
  expect_call(5, {"weight", "10", "-3"}, "weight(16,-3)");
  expect_call(6, {"weight", "S", "10", "25x"}, "weight_v2(S,16,25)");
  expect_syntax_error(5, {"weight", "S", "10", "25"});
  expect_syntax_error(6, {"weight", "10", "25"});
}

TEST(Dispatch, InstanceListsClassesPerFamily) {
  auto five = dispatch(5, {"instance"});
  EXPECT_EQ(five.output,
            " ZYRDSM_CONFIGINFO\n ZYRDSM_PERFINFO\n DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\n");
  EXPECT_EQ(five.result, 0);
  auto six = dispatch(6, {"ins"});
  EXPECT_EQ(six.output, " DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\n");
  expect_call(6, {"instance", "DSM_QueryUniqueId", "extra"}, "dump(DSM_QueryUniqueId)");
}

TEST(Dispatch, WholeWordListCommandsAndIgnoredWords) {
  expect_call(6, {"listen", "now"}, "listen");
  expect_call(5, {"iostatus", "x"}, "iostatus(iostatus x)");
  expect_call(5, {"pgr", "list", "PhysicalDrive1"}, "pgr(pgr list PhysicalDrive1)");
  expect_call(6, {"pgr"}, "pgr(pgr)");
  expect_call(6, {"set"}, "set(set)");
  expect_call(6, {"set", "a", "b"}, "set(set a b)");
}

TEST(Dispatch, MpiolistTranslatesExactClassNamesOnly) {
  expect_call(6, {"mpiolist", "MPIO_DISK_INFO"}, "mpiolist(mpiolist 1)");
  expect_call(6, {"mpiolist", "mpio_disk_info"}, "mpiolist(mpiolist mpio_disk_info)");
  expect_call(5, {"mpio", "MsDiskDriver_Performance", "SRV1"}, "mpiolist(mpio 0 SRV1)");
  expect_call(6, {"mpiolist", "MPIO_GET_DESCRIPTOR", "SRV", "u", "p"}, "mpiolist(mpiolist 5 SRV u p)");
  expect_call(6, {"mpiolist"}, "mpiolist(mpiolist)");
}

TEST(Dispatch, DsminfoWordCounts) {
  expect_call(6, {"dsminfo"}, "dsminfo");
  expect_call(5, {"dsminfo"}, "dsminfo");
  expect_call(6, {"dsminfo", "SET", "D", "RetryCount", "3"}, "dsminfo_set(dsminfo SET D RetryCount 3)");
  Words thirteen{"dsminfo", "set", "D", "a", "1", "b", "2", "c", "3", "d", "4", "e", "5"};
  expect_call(6, thirteen, "dsminfo_set(" + join(thirteen) + ")");
  expect_syntax_error(6, {"DsmInfo", "set", "D"});
  expect_syntax_error(6, {"dsminfo", "get", "D", "RetryCount", "3"});
  expect_syntax_error(6, {"dsminfo", "set", "D", "RetryCount"});
  Words fifteen = thirteen;
  fifteen.insert(fifteen.end(), {"f", "6"});
  expect_syntax_error(6, fifteen);
}
