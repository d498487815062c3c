// Other computers of the simulated network ("machines" member): the WMI browser
// connects to \\name\namespace with a user and password, as WMI does.
#pragma once
#include <string>
#include <string_view>

#include "hresult.h"
#include "simstack/state_file/json.h"

namespace simstack {

// Local credentials refused for a connection to this computer (WBEM_E_LOCAL_CREDENTIALS).
constexpr HResult kWBEM_E_LOCAL_CREDENTIALS = hr_from_bits(0x80041064u);

struct MachineTarget {
  std::string server;              // the computer's name as WMI reports it (__SERVER)
  std::string ns;                  // the namespace on it
  const Json* machine = nullptr;   // its "machines" entry; null for this computer
};

// This computer's name: the "computer" member, or SIMHOST.
std::string local_computer_name(const Json& doc);

// Resolves a ConnectServer path ("root\wmi", "\\SRV1\root\wmi", "//SRV1/root/wmi"):
// no computer, ".", "localhost" and this computer's own name are local, where a user
// is refused (WBEM_E_LOCAL_CREDENTIALS). An unlisted computer gives
// RPC_S_SERVER_UNAVAILABLE; a listed one with a user it does not know, or another
// password, E_ACCESSDENIED. Names compare without regard to case, passwords exactly.
HResult resolve_machine(const Json& doc, std::string_view path, std::string_view user, std::string_view password,
                        MachineTarget& out);

}  // namespace simstack
