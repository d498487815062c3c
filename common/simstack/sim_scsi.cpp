#include "simstack/sim_scsi.h"

#include "hresult.h"
#include "simstack/hex_text.h"
#include "simstack/sim_iscsi.h"
#include "simstack/spc3_unit.h"

namespace simstack {

namespace {

constexpr Win32Error kERROR_SEM_TIMEOUT = 121;  // no unit answers at that address

const Json* scsi_units(const Json& doc, const std::string& path) {
  const Json* units = find_member_nocase(doc, "scsi");
  if (units != nullptr && !units->is_array()) throw StateError(path + ": \"scsi\" is not a list");
  return units;
}

// A unit's addresses: "address" is one [port, bus, target, LUN] or a list of them (a
// unit reached through several adapters).
std::vector<ScsiAddressBytes> addresses_of(const Json& unit, const std::string& path) {
  std::vector<ScsiAddressBytes> out;
  const Json address = unit.value("address", Json::array());
  auto one = [&](const Json& a) {
    if (!a.is_array() || a.size() != 4) throw StateError(path + ": a SCSI address is [port, bus, target, LUN]");
    ScsiAddressBytes b{};
    for (std::size_t i = 0; i < 4; ++i) b[i] = a[i].get<std::uint8_t>();
    out.push_back(b);
  };
  if (!address.empty() && address[0].is_array()) {
    for (const auto& a : address) one(a);
  } else if (!address.empty()) {
    one(address);
  }
  return out;
}

bool has_name(const Json& unit, const std::string& name) {
  for (const auto& n : unit.value("names", Json::array()))
    if (n.is_string() && equal_nocase(n.get_ref<const std::string&>(), name)) return true;
  return false;
}

bool open_fault(const Json& unit) {
  const Json fault = unit.value("fault", Json::object());
  return fault.is_object() && fault.value("open", false);
}

std::string iscsi_url(const Json& unit) { return unit.value("iscsi", std::string()); }

Json address_json(const ScsiAddressBytes& a) { return Json::array({a[0], a[1], a[2], a[3]}); }

// The adapter's AlignmentMask ("alignment") has bits set in the data buffer's address.
bool misaligned(const Json& unit, const ScsiCommand& command) {
  const bool has_data = command.data_in ? command.transfer_length != 0 : !command.data_out.empty();
  const Json* mask = find_member_nocase(unit, "alignment");
  return has_data && mask != nullptr && mask->is_number_unsigned() &&
         (command.data_address & mask->get<std::uint64_t>()) != 0;
}

}  // namespace

std::optional<std::uint8_t> adapter_port_of(const std::string& name) {
  const std::string prefix = "\\\\.\\Scsi";
  if (name.size() < prefix.size() + 2 || !equal_nocase(name.substr(0, prefix.size()), prefix) || name.back() != ':')
    return std::nullopt;
  unsigned port = 0;
  for (std::size_t i = prefix.size(); i + 1 < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || port > 255) return std::nullopt;
    port = port * 10 + static_cast<unsigned>(name[i] - '0');
  }
  if (port > 255) return std::nullopt;
  return static_cast<std::uint8_t>(port);
}

Win32Error open_scsi_device(SimHost& host, const std::string& name, ScsiOpened& out) {
  auto doc = host.document();
  const Json* units = scsi_units(*doc, host.path());
  if (units == nullptr) return kERROR_FILE_NOT_FOUND;
  if (auto port = adapter_port_of(name)) {
    for (const auto& unit : *units)
      for (const auto& a : addresses_of(unit, host.path()))
        if (a[0] == *port) {
          out = ScsiOpened{true, {*port, 0, 0, 0}};
          return kERROR_SUCCESS;
        }
    return kERROR_FILE_NOT_FOUND;
  }
  for (const auto& unit : *units) {
    if (!has_name(unit, name)) continue;
    if (open_fault(unit)) return kERROR_FILE_NOT_FOUND;
    auto addresses = addresses_of(unit, host.path());
    ScsiAddressBytes address = addresses.empty() ? ScsiAddressBytes{} : addresses.front();
    if (!iscsi_url(unit).empty()) {
      if (Win32Error e = iscsi_open(iscsi_url(unit), address[0]); e != kERROR_SUCCESS) return e;
    }
    out = ScsiOpened{false, address};
    return kERROR_SUCCESS;
  }
  return kERROR_FILE_NOT_FOUND;
}

ScsiOutcome run_scsi_command(SimHost& host, const ScsiCommand& command) {
  ScsiOutcome outcome;
  host.update([&](Json& doc) {
    Json* units = find_member_nocase(doc, "scsi");
    Json* unit = nullptr;
    if (units != nullptr && units->is_array())
      for (auto& u : *units)
        for (const auto& a : addresses_of(u, host.path()))
          if (a == command.address && unit == nullptr) unit = &u;
    const std::uint8_t port = command.address[0];
    if (unit == nullptr || open_fault(*unit)) {
      outcome.error = kERROR_SEM_TIMEOUT;
    } else if (misaligned(*unit, command)) {
      outcome.error = kERROR_INVALID_PARAMETER;
    } else if (const Json fault = unit->value("fault", Json::object()); fault.is_object() && fault.contains("status")) {
      outcome.status = fault["status"].get<std::uint8_t>();
      outcome.sense = bytes_of_hex(fault.value("sense", std::string()), host.path() + ": scsi fault sense");
    } else if (!iscsi_url(*unit).empty()) {
      outcome = iscsi_execute(iscsi_url(*unit), port, command);
    } else {
      bool changed = false;
      outcome = spc3_execute(*unit, port, command, changed);
    }
    Json entry = {{"kind", "scsi"},
                  {"device", command.device},
                  {"address", address_json(command.address)},
                  {"cdb", hex_of(command.cdb)},
                  {"data_out", hex_of(command.data_out)},
                  {"status", outcome.status},
                  {"sense", hex_of(outcome.sense)}};
    if (outcome.error != kERROR_SUCCESS) entry["error"] = hresult_journal_text(static_cast<HResult>(outcome.error));
    Json& journal = doc["journal"];
    if (!journal.is_array()) journal = Json::array();
    journal.push_back(std::move(entry));
    return true;
  });
  return outcome;
}

std::vector<std::pair<std::string, std::string>> dos_devices(const Json& doc, const std::string& path) {
  std::vector<std::pair<std::string, std::string>> out;
  const Json* devices = find_member_nocase(doc, "dosdevices");
  if (devices == nullptr) return out;
  auto add = [&](const Json& name, const Json& target) {
    if (!name.is_string() || !target.is_string())
      throw StateError(path + ": \"dosdevices\" holds names and targets as text");
    out.emplace_back(name.get<std::string>(), target.get<std::string>());
  };
  if (devices->is_object()) {
    for (auto it = devices->begin(); it != devices->end(); ++it) add(Json(it.key()), it.value());
  } else if (devices->is_array()) {
    for (const auto& pair : *devices) {
      if (!pair.is_array() || pair.size() != 2) throw StateError(path + ": a \"dosdevices\" entry is [name, target]");
      add(pair[0], pair[1]);
    }
  } else {
    throw StateError(path + ": \"dosdevices\" is not an object or a list");
  }
  return out;
}

}  // namespace simstack
