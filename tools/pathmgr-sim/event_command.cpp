#include "event_command.h"

#include <cstdlib>
#include <stdexcept>

#include "simstack/driver/event_log.h"
#include "simstack/state_file/sim_host.h"
#include "simstack/state_file/state_file.h"

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
  // The event is made in a document of its own, then copied into the host's.
  simstack::JsonDocument made;
  const simstack::JsonMaker make(made);
  simstack::Json event = simstack::make_event(made.GetAllocator(), 4, "pathmgr-sim", "");
  for (std::size_t i = 0; i < options.size(); i += 2) {
    const std::string& opt = options[i];
    if (i + 1 >= options.size()) throw std::invalid_argument("missing value for " + opt);
    const std::string& value = options[i + 1];
    if (opt == "--file" || opt == "-f") file = value;
    else if (opt == "--severity") make.put(event, "Severity", event_number(opt, value));
    else if (opt == "--component") make.put(event, "Component", value);
    else if (opt == "--description") make.put(event, "EventDescription", value);
    else if (opt == "--instance") make.put(event, "InstanceName", value);
    else if (opt == "--active") make.put(event, "Active", event_number(opt, value) != 0);
    else if (opt == "--timestamp") make.put(event, "TimeStamp", value);
    else throw std::invalid_argument("unknown option " + opt);
  }
  simstack::StateFile(file).update([&](simstack::JsonDocument& doc) {
    simstack::append_event(doc, simstack::JsonMaker(doc).copy(event));
    return true;
  });
}
