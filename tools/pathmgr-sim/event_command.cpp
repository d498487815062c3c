#include "event_command.h"

#include <cstdlib>
#include <stdexcept>

#include "simstack/event_log.h"
#include "simstack/sim_host.h"

const char* const kEventUsage =
    "Usage: pathmgr-sim --event [options] [--file FILE]\n"
    "Appends one MPIO event to the event log of the host FILE (default: the host pathmgr uses).\n"
    "  --severity N            1 Fatal Error, 2 Error, 3 Warning, 4 Information (default 4)\n"
    "  --component TEXT        component that raises the event (default pathmgr-sim)\n"
    "  --description TEXT      event description (default empty)\n"
    "  --instance NAME         InstanceName (default MPIO_EventEntry_0)\n"
    "  --active 0|1            Active flag (default 1)\n"
    "  --timestamp UNITS       100-ns units since 1601, decimal (default now)\n";

namespace {

std::uint32_t event_number(const std::string& option, const std::string& text) {
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || text[0] == '-' || *end != '\0' || v > 0xFFFFFFFFull)
    throw std::invalid_argument("bad number for " + option + ": " + text);
  return static_cast<std::uint32_t>(v);
}

}  // namespace

void append_event_command(const std::vector<std::string>& options) {
  std::string file = simstack::configured_state_path().value_or(simstack::default_state_path());
  simstack::Json event = simstack::make_event(4, "pathmgr-sim", "");
  for (std::size_t i = 0; i < options.size(); i += 2) {
    const std::string& opt = options[i];
    if (i + 1 >= options.size()) throw std::invalid_argument("missing value for " + opt);
    const std::string& value = options[i + 1];
    if (opt == "--file" || opt == "-f") file = value;
    else if (opt == "--severity") event["Severity"] = event_number(opt, value);
    else if (opt == "--component") event["Component"] = value;
    else if (opt == "--description") event["EventDescription"] = value;
    else if (opt == "--instance") event["InstanceName"] = value;
    else if (opt == "--active") event["Active"] = event_number(opt, value) != 0;
    else if (opt == "--timestamp") event["TimeStamp"] = value;
    else throw std::invalid_argument("unknown option " + opt);
  }
  simstack::StateFile(file).update([&](simstack::Json& doc) {
    simstack::append_event(doc, event);
    return true;
  });
}
