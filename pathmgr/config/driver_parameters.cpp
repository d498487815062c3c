#include "config/driver_parameters.h"

#include <cstring>

#include "config/counters.h"
#include "registry/dsm_parameters.h"
#include "text/text_convert.h"

namespace {

constexpr const char* kParameters[] = {"DbgPrintLevel",     "DsmUsePersistentReservation", "SkipiSCSIDevice",
                                       "SkipSASDevice",     "RetriesGetVPDPage",           "DsmOptionsFlag"};

// "Valid commands are:" and one line per parameter with `suffix` after its name.
void print_forms(std::ostream& out, const char* suffix) {
  out << "Valid commands are:" << std::endl;
  for (const char* name : kParameters) out << "  set " << name << suffix << std::endl;
}

int invalid_parameter(std::ostream& out, const std::string& name, const char* form_suffix) {
  out << "Error: invalid parameter \"" << name << "\"" << std::endl;
  print_forms(out, form_suffix);
  return -1;
}

std::unique_ptr<registry::Key> open_parameters(Session& s) {
  std::unique_ptr<registry::Key> key;
  if (s.registry == nullptr || s.registry->open(registry::kDsmParametersKey, registry::Access::Full, key) != 0) {
    s.out << "Could not open the registry key DsmParameters" << std::endl;
    return nullptr;
  }
  return key;
}

int show_parameter(Session& s, const std::string& name, std::optional<std::uint32_t>* shown) {
  auto key = open_parameters(s);
  if (!key) return -1;
  std::uint8_t bytes[4] = {};
  std::uint32_t size = sizeof bytes;
  if (key->query(widen_ansi(name), nullptr, bytes, &size) != kERROR_SUCCESS)
    return invalid_parameter(s.out, name, "");
  std::uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  if (shown != nullptr) *shown = value;
  else s.out << name << "=" << value << std::endl;
  return 0;
}

// Only an existing REG_DWORD is ever written: a name the key does not hold is never created.
int change_parameter(Session& s, const std::string& name, const std::string& text) {
  const auto value = static_cast<std::uint32_t>(parse_decimal_i32(text));
  auto key = open_parameters(s);
  if (!key) return -1;
  const std::wstring wname = widen_ansi(name);
  std::uint8_t bytes[4] = {};
  std::uint32_t size = sizeof bytes;
  std::uint32_t type = 0;
  if (key->query(wname, &type, bytes, &size) != kERROR_SUCCESS || type != registry::kREG_DWORD)
    return invalid_parameter(s.out, name, " <n>");
  std::memcpy(bytes, &value, sizeof value);
  if (key->set(wname, registry::kREG_DWORD, bytes, sizeof bytes) != kERROR_SUCCESS) {
    // Nothing changed: no counters are cleared and the command fails.
    s.out << "Could not set the registry " << name << std::endl;
    return 1;
  }
  key.reset();
  clear_all_counters(s);
  return 0;
}

}  // namespace

int set_driver_parameter(Session& s, const Words& words, std::optional<std::uint32_t>* shown) {
  switch (words.size()) {
    case 1: print_forms(s.out, " [ <n> ]"); return 0;
    case 2: return show_parameter(s, words[1], shown);
    case 3: return change_parameter(s, words[1], words[2]);
    default: return 0;
  }
}
