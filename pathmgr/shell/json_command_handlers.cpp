#include "shell/json_command_handlers.h"

#include <iostream>

#include "config/counters.h"
#include "config/device_policy.h"
#include "config/driver_parameters.h"
#include "config/dsm_timers.h"
#include "config/path_selection.h"
#include "config/path_state.h"
#include "inventory/inventory.h"
#include "inventory/joins.h"
#include "output/change_document.h"
#include "output/document.h"
#include "output/event_lines.h"
#include "output/report_documents.h"
#include "session/session.h"
#include "shell/dispatch.h"
#include "shell/help_text.h"

namespace {

void text_member(JsonText& json, const char* name, const std::string& typed) {
  json.key(name);
  json.typed(typed);
}

// The change handlers: each names what was asked and runs the text handler.
struct Changes {
  Session& s;
  JsonOutput& output;

  int run(std::string_view command, MemberWriter request, const std::function<int()>& handler) {
    return run_change(s, output, {command, std::move(request), {}, {}}, handler);
  }

  int set_device_policy(Inventory& inv, const std::string& serial, const std::string& word) {
    return run(
        "devinfo",
        [&](JsonText& json) {
          text_member(json, "serial_number", serial);
          text_member(json, "policy", word);
        },
        [&] { return ::set_device_policy(s, inv, serial, word); });
  }

  int set_all_devices_policy(Inventory& inv, const std::string& word) {
    std::vector<std::pair<std::string, int>> devices;
    ChangeRequest change;
    change.command = "devinfo";
    change.request = [&](JsonText& json) {
      json.key("all");
      json.boolean(true);
      text_member(json, "policy", word);
    };
    change.results = [&](JsonText& json) {
      json.key("devices");
      json.begin_array();
      for (const auto& [serial, result] : devices) {
        json.begin_object();
        json.key("serial_number");
        json.narrowed(serial);
        json.key("ok");
        json.boolean(result == 0);
        status_members(json, result);
        json.end_object();
      }
      json.end_array();
    };
    return run_change(s, output, change, [&] {
      return ::set_all_devices_policy(s, inv, word,
                                      [&](const std::string& serial, int result) { devices.emplace_back(serial, result); });
    });
  }
};

}  // namespace

CommandHandlers make_json_command_handlers(Session& s, JsonOutput& output) {
  auto changes = std::make_shared<Changes>(Changes{s, output});
  CommandHandlers h;
  h.devinfo_list = [&s, &output] { return devinfo_document(s, output); };
  h.load_inventory = [&s](Inventory& inventory) { return load_inventory(s, inventory); };
  h.set_all_devices_policy = [changes](Inventory& inv, const std::string& word) {
    return changes->set_all_devices_policy(inv, word);
  };
  h.set_device_policy = [changes](Inventory& inv, const std::string& serial, const std::string& word) {
    return changes->set_device_policy(inv, serial, word);
  };
  h.pathinfo_list = [&s, &output](const std::string& kind, const std::string& value) {
    return pathinfo_list_document(s, output, kind, value);
  };
  h.pathinfo_detail = [&s, &output](std::uint64_t id) { return pathinfo_detail_document(s, output, id); };
  h.set_hba_path_status = [changes, &s](const std::string& hba, const std::string& word) {
    return changes->run(
        "pathinfo",
        [&](JsonText& json) {
          text_member(json, "hba_wwpn", hba);
          text_member(json, "status", word);
        },
        [&] { return set_hba_path_status(s, hba, word); });
  };
  h.set_path_state = [changes, &s](const std::string& serial, std::uint64_t id, const std::string& word) {
    return changes->run(
        "pathinfo",
        [&](JsonText& json) {
          text_member(json, "serial_number", serial);
          path_id_members(json, id);
          text_member(json, "state", word);
        },
        [&] { return set_path_state(s, serial, id, word); });
  };
  h.show_policies = [&s, &output] { return policies_document(s, output); };
  h.clear_all_counters = [changes, &s] {
    return changes->run("clear", {}, [&] { return clear_all_counters(s); });
  };
  h.clear_counters = [changes, &s](const std::string* serial, bool all) {
    return changes->run(
        "clear",
        [&](JsonText& json) {
          json.key("serial_number");
          if (serial != nullptr) json.typed(*serial);
          else json.null();
        },
        [&] { return clear_counters(s, serial, all); });
  };
  h.set_path_primary = [changes, &s](std::uint64_t id, int flag) {
    return changes->run(
        flag != 0 ? "primary" : "secondary", [&](JsonText& json) { path_id_members(json, id); },
        [&] { return set_path_primary(s, id, flag); });
  };
  h.set_path_preferred = [changes, &s](const std::string& serial, std::uint64_t id, const std::string& word) {
    return changes->run(
        "preferred",
        [&](JsonText& json) {
          text_member(json, "serial_number", serial);
          path_id_members(json, id);
          text_member(json, "preferred", word);
        },
        [&] { return set_path_preferred(s, serial, id, word); });
  };
  h.set_path_weight = [changes, &s](std::uint64_t id, std::int32_t weight) {
    return changes->run(
        "weight",
        [&](JsonText& json) {
          path_id_members(json, id);
          json.key("weight");
          json.number(weight);
        },
        [&] { return set_path_weight(s, id, weight); });
  };
  h.set_path_weight_v2 = [changes, &s](const std::string& serial, std::uint64_t id, std::int32_t weight) {
    return changes->run(
        "weight",
        [&](JsonText& json) {
          text_member(json, "serial_number", serial);
          path_id_members(json, id);
          json.key("weight");
          json.number(weight);
        },
        [&] { return set_path_weight_v2(s, serial, id, weight); });
  };
  h.dump_instances = [&s, &output](const std::string& name) { return instance_document(s, output, name); };
  h.listen_for_events = [&s, &output] { return listen_lines(s, output, std::cin); };
  h.show_io_status = [&s, &output](const Words&) { return iostatus_document(s, output); };
  h.pgr = [&s, &output](const Words& words) { return pgr_document(s, output, words); };
  h.set_parameters = [changes, &s, &output](const Words& words) {
    if (words.size() == 1) {  // the form list: what the command takes
      const int rc = set_driver_parameter(s, words);
      stage_usage(s, output, "set", rc);
      return rc;
    }
    if (words.size() == 2) {
      std::optional<std::uint32_t> shown;
      const int rc = set_driver_parameter(s, words, &shown);
      if (rc != 0 || !shown) return rc;
      JsonText json;
      begin_document(json, kReportFormat, "set", s);
      text_member(json, "name", words[1]);
      json.key("value");
      json.number(*shown);
      stage_document(json, output);
      return rc;
    }
    return changes->run(
        "set",
        [&](JsonText& json) {
          text_member(json, "name", words[1]);
          text_member(json, "value", words[2]);
          if (words.size() > 3) {  // more words than the command takes: nothing is done
            json.key("ignored");
            json.begin_array();
            for (std::size_t i = 3; i < words.size(); ++i) json.typed(words[i]);
            json.end_array();
          }
        },
        [&] { return set_driver_parameter(s, words); });
  };
  h.mpiolist = [&s, &output](const Words& words) { return mpiolist_document(s, output, words, std::cerr); };
  h.show_dsm_timers = [&s, &output] { return dsminfo_document(s, output); };
  h.set_dsm_timers = [changes, &s](const Words& words) {
    return changes->run(
        "dsminfo",
        [&](JsonText& json) {
          text_member(json, "dsm_name", words.size() > 2 ? words[2] : std::string());
          json.key("settings");
          json.begin_array();
          for (std::size_t i = 3; i + 1 < words.size(); i += 2) {
            json.begin_object();
            text_member(json, "name", words[i]);
            text_member(json, "value", words[i + 1]);
            json.end_object();
          }
          json.end_array();
        },
        [&] { return set_dsm_timers(s, words); });
  };
  h.help = [&s, &output] {
    const int rc = print_help(s.out, s.family5());
    stage_usage(s, output, "", rc);
    return rc;
  };
  h.syntax_error = [&s, &output](const std::string& word) {
    const int rc = ::syntax_error(s, word);
    output.stage(error_document({"syntax", word, rc, output.take_text(), s.major_version}));
    return rc;
  };
  h.list_instance_classes = [&s, &output] { return instance_classes_document(s, output); };
  return h;
}
