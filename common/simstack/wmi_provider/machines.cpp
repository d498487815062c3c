#include "simstack/wmi_provider/machines.h"


namespace simstack {

namespace {
bool is_separator(char c) { return c == '\\' || c == '/'; }
}  // namespace

std::string local_computer_name(const Json& doc) {
  const Json* name = member_nocase(doc, "computer");
  return name != nullptr && name->IsString() ? std::string(text_of(*name)) : std::string("SIMHOST");
}

HResult resolve_machine(const Json& doc, std::string_view path, std::string_view user, std::string_view password,
                        MachineTarget& out) {
  out = MachineTarget{local_computer_name(doc), std::string(path), nullptr};
  if (path.size() < 2 || !is_separator(path[0]) || !is_separator(path[1])) {
    return user.empty() ? kS_OK : kWBEM_E_LOCAL_CREDENTIALS;
  }
  std::size_t end = 2;
  while (end < path.size() && !is_separator(path[end])) ++end;
  const std::string_view name = path.substr(2, end - 2);
  out.ns = std::string(path.substr(end < path.size() ? end + 1 : end));
  for (char& c : out.ns)
    if (c == '/') c = '\\';
  if (name == "." || equal_nocase(name, "localhost") || equal_nocase(name, out.server))
    return user.empty() ? kS_OK : kWBEM_E_LOCAL_CREDENTIALS;

  const Json* machines = member_nocase(doc, "machines");
  const Json* machine = machines != nullptr ? member_nocase(*machines, name) : nullptr;
  if (machine == nullptr || !machine->IsObject()) return kRPC_S_SERVER_UNAVAILABLE;
  for (auto it = machines->MemberBegin(); it != machines->MemberEnd(); ++it)
    if (&it->value == machine) out.server = std::string(name_of(it));
  out.machine = machine;
  if (user.empty()) return kS_OK;  // the caller's own account, which the computer trusts
  const Json* users = member_nocase(*machine, "users");
  const Json* secret = users != nullptr ? member_nocase(*users, user) : nullptr;
  if (secret == nullptr || !secret->IsString() || text_of(*secret) != password)
    return kE_ACCESSDENIED;
  return kS_OK;
}

}  // namespace simstack
