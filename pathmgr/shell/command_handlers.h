// The handlers the dispatcher calls, one per row of the command table. A table of
// functions, so the dispatcher can be tested with recording handlers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "session/words.h"

struct Inventory;
struct Session;


struct CommandHandlers {
  std::function<int()> devinfo_list;
  std::function<int(Inventory&)> load_inventory;
  std::function<int(Inventory&, const std::string& policy)> set_all_devices_policy;
  std::function<int(Inventory&, const std::string& serial, const std::string& policy)> set_device_policy;
  // filter kind empty for no filter, else "sn"/"hba" as typed
  std::function<int(const std::string& kind, const std::string& value)> pathinfo_list;
  std::function<int(std::uint64_t path_id)> pathinfo_detail;
  std::function<int(const std::string& hba, const std::string& status)> set_hba_path_status;
  std::function<int(const std::string& serial, std::uint64_t path_id, const std::string& state)> set_path_state;
  std::function<int()> show_policies;
  std::function<int()> clear_all_counters;
  std::function<int(const std::string* serial, bool all)> clear_counters;
  std::function<int(std::uint64_t path_id, int flag)> set_path_primary;
  std::function<int(const std::string& serial, std::uint64_t path_id, const std::string& word)> set_path_preferred;
  std::function<int(std::uint64_t path_id, std::int32_t weight)> set_path_weight;
  std::function<int(const std::string& serial, std::uint64_t path_id, std::int32_t weight)> set_path_weight_v2;
  std::function<int(const std::string& class_name)> dump_instances;
  std::function<int()> listen_for_events;
  std::function<int(const Words&)> show_io_status;
  std::function<int(const Words&)> pgr;
  std::function<int(const Words&)> set_parameters;
  std::function<int(const Words&)> mpiolist;
  std::function<int()> show_dsm_timers;
  std::function<int(const Words&)> set_dsm_timers;
  // What the dispatcher answers itself; left empty, it prints the text forms.
  std::function<int()> help;
  std::function<int(const std::string& word)> syntax_error;
  std::function<int()> list_instance_classes;
};

// The handlers of this build for a started session.
CommandHandlers make_command_handlers(Session& session);
