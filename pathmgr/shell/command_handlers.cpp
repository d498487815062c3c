#include "shell/command_handlers.h"

#include <iostream>

#include "browser/mpiolist.h"
#include "config/counters.h"
#include "config/device_policy.h"
#include "config/driver_parameters.h"
#include "config/dsm_timers.h"
#include "config/path_selection.h"
#include "config/path_state.h"
#include "inventory/inventory.h"
#include "inventory/joins.h"
#include "listen/listen.h"
#include "reports/devinfo.h"
#include "reports/instance_dump.h"
#include "reports/iostatus.h"
#include "reports/pathinfo.h"
#include "reports/policies.h"
#include "scsi/pgr.h"
#include "session/session.h"

CommandHandlers make_command_handlers(Session& s) {
  CommandHandlers h;
  h.devinfo_list = [&s] { return devinfo_list(s); };
  h.load_inventory = [&s](Inventory& inventory) { return load_inventory(s, inventory); };
  h.set_all_devices_policy = [&s](Inventory& inv, const std::string& word) { return set_all_devices_policy(s, inv, word); };
  h.set_device_policy = [&s](Inventory& inv, const std::string& serial, const std::string& word) {
    return set_device_policy(s, inv, serial, word);
  };
  h.pathinfo_list = [&s](const std::string& kind, const std::string& value) { return pathinfo_list(s, kind, value); };
  h.pathinfo_detail = [&s](std::uint64_t id) { return pathinfo_detail(s, id); };
  h.set_hba_path_status = [&s](const std::string& hba, const std::string& word) { return set_hba_path_status(s, hba, word); };
  h.set_path_state = [&s](const std::string& serial, std::uint64_t id, const std::string& word) {
    return set_path_state(s, serial, id, word);
  };
  h.show_policies = [&s] { return show_policies(s); };
  h.clear_all_counters = [&s] { return clear_all_counters(s); };
  h.clear_counters = [&s](const std::string* serial, bool all) { return clear_counters(s, serial, all); };
  h.set_path_primary = [&s](std::uint64_t id, int flag) { return set_path_primary(s, id, flag); };
  h.set_path_preferred = [&s](const std::string& serial, std::uint64_t id, const std::string& word) {
    return set_path_preferred(s, serial, id, word);
  };
  h.set_path_weight = [&s](std::uint64_t id, std::int32_t weight) { return set_path_weight(s, id, weight); };
  h.set_path_weight_v2 = [&s](const std::string& serial, std::uint64_t id, std::int32_t weight) {
    return set_path_weight_v2(s, serial, id, weight);
  };
  h.dump_instances = [&s](const std::string& class_name) { return dump_instances(s, class_name); };
  h.listen_for_events = [&s] { return listen_for_events(s, std::cin); };
  h.show_io_status = [&s](const Words& words) { return show_io_status(s, words); };
  h.pgr = [&s](const Words& words) { return pgr_command(s, words); };
  h.set_parameters = [&s](const Words& words) { return set_driver_parameter(s, words); };
  h.mpiolist = [&s](const Words& words) { return mpiolist_command(s, words, std::cerr); };
  h.show_dsm_timers = [&s] { return show_dsm_timers(s); };
  h.set_dsm_timers = [&s](const Words& words) { return set_dsm_timers(s, words); };
  return h;
}
