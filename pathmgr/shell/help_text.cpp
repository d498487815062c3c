#include "shell/help_text.h"

#include <array>
#include <string>

#include "session/words.h"

namespace {

enum class Only { Both, Family5, Family6 };

struct HelpLine {
  Only only;
  const char* text;
};

constexpr HelpLine kHelp[] = {
    {Only::Both, ""},
    {Only::Both, "  The following commands are accepted:"},
    {Only::Both, ""},
    {Only::Both, "  devinfo "},
    {Only::Both, "    Display the devices information."},
    {Only::Both, "    The following arguments are supported:"},
    {Only::Both, "    [ <SerialNumber> <policy> ]"},
    {Only::Both, "      Set the load balance policy of specified device."},
    {Only::Both, "    [ all <policy> ]"},
    {Only::Both, "      Set the load balance policy of all devices."},
    {Only::Family5, "    [ <SerialNumber> {failback-on | failback-off} ]"},
    {Only::Family5, "      Set the fail-back status of specified device."},
    {Only::Family5, "    [ all {failback-on|failback-off} ]"},
    {Only::Family5, "      Set the fail-back status of all devices."},
    {Only::Both, ""},
    {Only::Both, "  pathinfo "},
    {Only::Both, "    Display all the paths information."},
    {Only::Both, "    The following arguments are supported:"},
    {Only::Family5, "    [ <HbaWwpn> { online | standby | failed } ]"},
    {Only::Family5, "      Set the path status issued from HbaWwpn."},
    {Only::Family5, "    [ SN <SerialNumber> ]"},
    {Only::Family5, "      Display the paths that match SerialNumber."},
    {Only::Family5, "    [ HBA <HbaWwpn> ]"},
    {Only::Family5, "      Display the paths matchs HbaWwpn."},
    {Only::Family6, "    [ SN <SerialNumber> ]"},
    {Only::Family6, "      Display the paths that match SerialNumber."},
    {Only::Family6, "    [ <SerialNumber> <PathId> <State> ]"},
    {Only::Family6, "      Set the path state. The State's value is:"},
    {Only::Family6, "        0: Active/Optimized"},
    {Only::Family6, "        1: Active/Unoptimized"},
    {Only::Family6, "        2: Standby"},
    {Only::Family6, "        3: Unavailable"},
    {Only::Both, "    [ <PathId> ]"},
    {Only::Both, "      Display the information of the specified path."},
    {Only::Both, ""},
    {Only::Family5, "  primary <PathId>"},
    {Only::Family5, "    Set the specified path to primary."},
    {Only::Family6, "  Preferred <SerialNumber> <PathId> {false|true}"},
    {Only::Family6, "    Set the specified path to preferred or not."},
    {Only::Both, ""},
    {Only::Family5, "  weight <PathId> <weight>"},
    {Only::Family6, "  weight <SerialNumber> <PathId> <weight>"},
    {Only::Both, "    Set the weight of specified path."},
    {Only::Both, ""},
    {Only::Both, "  clear"},
    {Only::Both, "    Clear all performance counters."},
    {Only::Family6, "    The following arguments are supported:"},
    {Only::Family6, "    [ SN <SerialNumber> ]"},
    {Only::Family6, "      Clear the performance counters that match SerialNumber."},
    {Only::Both, ""},
    {Only::Both, "  policies"},
    {Only::Both, "    Display the supported load balance policies."},
    {Only::Both, ""},
    {Only::Family6, "  dsminfo"},
    {Only::Family6, "    Display the supported DSMs inforamtion."},
    {Only::Family6, "    The following arguments are supported:"},
    {Only::Family6, "    [ set <DSM Name>  < [PathVerifyPeriod <time>] [PathVerifyEnabled {false|true}] "},
    {Only::Family6, "\t                     [PDORemovePeriod <time>] [RetryCount <count>] "},
    {Only::Family6, "\t                     [RetryInterval <count>] >]"},
    {Only::Family6, "      Set the DSM Timer Counters."},
    {Only::Family6, ""},
    {Only::Family5, "  pgr "},
    {Only::Family5, "    Display the persistent reservation key."},
    {Only::Family5, "    The following arguments are supported:"},
    {Only::Family5, "    [ enable <key>] "},
    {Only::Family5, "      Enable the SCSI-3 persistent reservation, optionally changing the key."},
    {Only::Family5, "    [ Disable ]"},
    {Only::Family5, "      Disable the SCSI-3 persistent reservation, use the SCSI-2 reservation."},
    {Only::Family5, "    [ list <device> ]"},
    {Only::Family5, "      Show the existing persistent reservation and keys on the specified device."},
    {Only::Family5, "    [ tur <device> ]"},
    {Only::Family5, "      send a Test Unit Ready command to the device to show its status."},
    {Only::Family5, ""},
};

constexpr const char* kMpiolistHelp[] = {
    "  mpiolist",
    "    Displays specified MPIO WMI object.",
    "    Syntax: mpiolist WMI_Object [ Machine_Name [ Admin_User Password ] ]",
    "      WMI_Object: is either the name of an WMI object",
    "        or one of the types from the following list:",
    "        Use...    To see...",
    "             0      MsDiskDriver_Performance",
    "             1      MPIO_DISK_INFO",
    "             2      MPIO_PATH_INFORMATION",
    "             3      MPIO_CONTROLLER_CONFIGURATION",
    "             4      MPIO_TIMERS_COUNTERS",
    "             5      MPIO_GET_DESCRIPTOR",
    "      Machine_Name:  optional parameter specifying the computer name",
    "        to be queried.",
    "      Admin_User:  optional parameter specifying the domain and user for",
    "        the Machine_Name computer.  Must be member of the Administrators",
    "        group to work correctly.",
    "      Password: optional parameter specifying the password for Admin_User",
    "        parameter.  If Admin_User is specified, this parameter is required.",
    "",
};

constexpr std::array<std::string_view, 9> kHelpWords = {"?", "/?", "-h", "--h", "/h", "/help", "--help", "help", "-help"};

}  // namespace

bool is_help_word(std::string_view word) {
  for (auto w : kHelpWords)
    if (equals_nocase(word, w)) return true;
  return false;
}

int print_mpiolist_help(std::ostream& out) {
  for (const char* line : kMpiolistHelp) out << line << '\n';
  out.flush();
  return 0;
}

int print_help(std::ostream& out, bool family5) {
  for (const auto& line : kHelp) {
    if ((line.only == Only::Family5 && !family5) || (line.only == Only::Family6 && family5)) continue;
    out << line.text << '\n';
  }
  return print_mpiolist_help(out);
}

int print_usage(std::ostream& out, bool family5) {
  out << '\n' << "  MPIO DSM command line interface for view and configuration.\n" << '\n' << "  Usage:  pathmgr [command]\n";
  return print_help(out, family5);
}
