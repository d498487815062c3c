#include "shell/dispatch.h"

#include <array>
#include <string_view>

#include "inventory/inventory.h"
#include "shell/help_text.h"
#include "session/words.h"
#include "text/wipe_text.h"

namespace {

constexpr std::array<std::string_view, 15> kCommandWords = {
    "devinfo", "pathinfo", "policies", "clear",  "primary", "preferred", "secondary", "weight",
    "instance", "listen",  "iostatus", "pgr",    "set",     "mpiolist",  "dsminfo"};

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kMpiolistClasses = {{
    {"0", "MsDiskDriver_Performance"},
    {"1", "MPIO_DISK_INFO"},
    {"2", "MPIO_PATH_INFORMATION"},
    {"3", "MPIO_CONTROLLER_CONFIGURATION"},
    {"4", "MPIO_TIMERS_COUNTERS"},
    {"5", "MPIO_GET_DESCRIPTOR"},
}};

// The command word the typed word selects: at least 3 characters, a case-insensitive
// prefix of the command word; the first in list order wins.
std::string_view match_command(const std::string& typed) {
  if (typed.size() < 3) return {};
  for (auto word : kCommandWords)
    if (is_prefix_nocase(typed, word)) return word;
  return {};
}

int list_instance_classes(Session& s) {
  if (s.family5()) s.out << " ZYRDSM_CONFIGINFO\n ZYRDSM_PERFINFO\n";
  s.out << " DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\n";
  s.out.flush();
  return 0;
}

int devinfo_set(const CommandHandlers& h, const Words& w) {
  Inventory inventory;
  int rc = h.load_inventory(inventory);
  if (rc != 0) return rc;
  if (equals_nocase(w[1], "all")) return h.set_all_devices_policy(inventory, w[2]);
  return h.set_device_policy(inventory, w[1], w[2]);
}

}  // namespace

int syntax_error(Session& session, const std::string& word) {
  session.out << "syntax error near " << word << std::endl;
  return 0;
}

int dispatch_command(Session& s, const CommandHandlers& h, Words w) {
  const WipeOnExit wiped(w);  // mpiolist's words may carry a password
  const std::size_t n = w.size();
  if (n < 1 || is_help_word(w[0])) return h.help ? h.help() : print_help(s.out, s.family5());
  const std::string_view cmd = match_command(w[0]);
  const bool f5 = s.family5();

  if (cmd == "devinfo") {
    if (n == 1) return h.devinfo_list();
    if (n == 3) return devinfo_set(h, w);
  } else if (cmd == "pathinfo") {
    if (n == 1) return h.pathinfo_list("", "");
    if (n == 2) return h.pathinfo_detail(parse_path_id(w[1]));
    if (n == 3 && equals_nocase(w[1], "sn")) return h.pathinfo_list(w[1], w[2]);
    if (n == 3 && f5 && equals_nocase(w[1], "hba")) return h.pathinfo_list(w[1], w[2]);
    if (n == 3 && f5) return h.set_hba_path_status(w[1], w[2]);
    if (n == 4 && !f5) return h.set_path_state(w[1], parse_path_id(w[2]), w[3]);
  } else if (cmd == "policies") {
    return h.show_policies();
  } else if (cmd == "clear") {
    if (n == 1 && f5) return h.clear_all_counters();
    if (n == 1 && !f5) return h.clear_counters(nullptr, true);
    if (n == 3 && !f5 && equals_nocase(w[1], "sn")) return h.clear_counters(&w[2], false);
  } else if (cmd == "primary") {
    if (n == 2 && f5) return h.set_path_primary(parse_path_id(w[1]), 1);
  } else if (cmd == "secondary") {
    if (n == 2) return h.set_path_primary(parse_path_id(w[1]), 0);
  } else if (cmd == "preferred") {
    if (n == 4 && !f5) return h.set_path_preferred(w[1], parse_path_id(w[2]), w[3]);
  } else if (cmd == "weight") {
    if (n == 3 && f5) return h.set_path_weight(parse_path_id(w[1]), parse_decimal_i32(w[2]));
    if (n == 4 && !f5) return h.set_path_weight_v2(w[1], parse_path_id(w[2]), parse_decimal_i32(w[3]));
  } else if (cmd == "instance") {
    if (n == 1) return h.list_instance_classes ? h.list_instance_classes() : list_instance_classes(s);
    return h.dump_instances(w[1]);
  } else if (cmd == "listen") {
    return h.listen_for_events();
  } else if (cmd == "iostatus") {
    return h.show_io_status(w);
  } else if (cmd == "pgr") {
    return h.pgr(w);
  } else if (cmd == "set") {
    return h.set_parameters(w);
  } else if (cmd == "mpiolist") {
    if (n >= 2)
      for (const auto& [index, name] : kMpiolistClasses)
        if (w[1] == name) {
          w[1] = std::string(index);
          break;
        }
    return h.mpiolist(w);
  } else if (cmd == "dsminfo") {
    if (n == 1) return h.show_dsm_timers();
    if ((n == 5 || n == 7 || n == 9 || n == 11 || n == 13) && equals_nocase(w[1], "set")) return h.set_dsm_timers(w);
  }
  return h.syntax_error ? h.syntax_error(w[0]) : syntax_error(s, w[0]);
}
