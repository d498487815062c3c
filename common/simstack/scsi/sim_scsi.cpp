#include "simstack/scsi/sim_scsi.h"

#include <charconv>

#include "hresult.h"
#include "simstack/state_file/hex_text.h"
#include "simstack/scsi/sim_iscsi.h"
#include "simstack/scsi/spc3_unit.h"

namespace simstack {

namespace {

constexpr Win32Error kERROR_SEM_TIMEOUT = 121;  // no unit answers at that address

const Json* scsi_units(const Json& doc, const std::string& path) {
  const Json* units = member_nocase(doc, "scsi");
  if (units != nullptr && !units->IsArray()) throw StateError(path + ": \"scsi\" is not a list");
  return units;
}

// A unit's addresses: "address" is one [port, bus, target, LUN] or a list of them (a
// unit reached through several adapters).
std::vector<ScsiAddressBytes> addresses_of(const Json& unit, const std::string& path) {
  std::vector<ScsiAddressBytes> out;
  const Json* address = member(unit, "address");
  auto one = [&](const Json& a) {
    if (!a.IsArray() || a.Size() != 4) throw StateError(path + ": a SCSI address is [port, bus, target, LUN]");
    ScsiAddressBytes b{};
    for (rapidjson::SizeType i = 0; i < 4; ++i) {
      if (!a[i].IsUint() || a[i].GetUint() > 255)
        throw StateError(path + ": a SCSI address holds numbers from 0 to 255, not " + json_text(a[i]));
      b[i] = static_cast<std::uint8_t>(a[i].GetUint());
    }
    out.push_back(b);
  };
  if (address == nullptr || (address->IsArray() && address->Empty())) return out;
  if (address->IsArray() && (*address)[0].IsArray()) {
    for (const auto& a : address->GetArray()) one(a);
  } else {
    one(*address);
  }
  return out;
}

const Json* unit_fault(const Json& unit) {
  const Json* fault = member(unit, "fault");
  return fault != nullptr && fault->IsObject() ? fault : nullptr;
}

bool open_fault(const Json& unit) {
  const Json* fault = unit_fault(unit);
  return fault != nullptr && flag_member(*fault, "open");
}

std::string iscsi_url(const Json& unit) { return text_member(unit, "iscsi"); }

// The adapter's AlignmentMask ("alignment") has bits set in the data buffer's address.
bool misaligned(const Json& unit, const ScsiCommand& command) {
  const bool has_data = command.data_in ? command.transfer_length != 0 : !command.data_out.empty();
  const Json* mask = member_nocase(unit, "alignment");
  return has_data && mask != nullptr && mask->IsUint64() && (command.data_address & mask->GetUint64()) != 0;
}

}  // namespace

std::optional<std::uint8_t> adapter_port_of(const std::string& name) {
  const std::string_view prefix = "\\\\.\\Scsi";
  if (name.size() < prefix.size() + 2 || !equal_nocase(name.substr(0, prefix.size()), prefix) || name.back() != ':')
    return std::nullopt;
  std::uint8_t port = 0;  // digits only, 0 to 255
  const char* last = name.data() + name.size() - 1;
  const auto [end, ec] = std::from_chars(name.data() + prefix.size(), last, port);
  if (ec != std::errc() || end != last) return std::nullopt;
  return port;
}

Win32Error open_scsi_device(SimHost& host, const std::string& name, ScsiOpened& out) {
  auto doc = host.document();
  const Json* units = scsi_units(*doc, host.path());
  if (units == nullptr) return kERROR_FILE_NOT_FOUND;
  if (auto port = adapter_port_of(name)) {
    for (const auto& unit : units->GetArray())
      for (const auto& a : addresses_of(unit, host.path()))
        if (a[0] == *port) {
          out = ScsiOpened{true, {*port, 0, 0, 0}};
          return kERROR_SUCCESS;
        }
    return kERROR_FILE_NOT_FOUND;
  }
  for (const auto& unit : units->GetArray()) {
    if (!holds_name(member(unit, "names"), name)) continue;
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
  host.update([&](JsonDocument& doc) {
    JsonMaker make(doc);
    Json* units = member_nocase(doc, "scsi");
    Json* unit = nullptr;
    if (units != nullptr && units->IsArray())
      for (auto& u : units->GetArray())
        for (const auto& a : addresses_of(u, host.path()))
          if (a == command.address && unit == nullptr) unit = &u;
    const std::uint8_t port = command.address[0];
    const Json* fault = unit != nullptr ? unit_fault(*unit) : nullptr;
    const Json* fault_status = fault != nullptr ? member(*fault, "status") : nullptr;
    if (unit == nullptr || open_fault(*unit)) {
      outcome.error = kERROR_SEM_TIMEOUT;
    } else if (misaligned(*unit, command)) {
      outcome.error = kERROR_INVALID_PARAMETER;
    } else if (fault_status != nullptr) {
      if (!fault_status->IsUint() || fault_status->GetUint() > 255)
        throw StateError(host.path() + ": a SCSI fault status is a number from 0 to 255");
      outcome.status = static_cast<std::uint8_t>(fault_status->GetUint());
      outcome.sense = bytes_of_hex(text_member(*fault, "sense"), host.path() + ": scsi fault sense");
    } else if (!iscsi_url(*unit).empty()) {
      outcome = iscsi_execute(iscsi_url(*unit), port, command);
    } else {
      bool changed = false;
      outcome = spc3_execute(make, *unit, port, command, changed);
    }
    const auto& a = command.address;
    Json entry = make.object({{"kind", "scsi"}, {"device", command.device}, {"address", make.array({a[0], a[1], a[2], a[3]})},
                              {"cdb", hex_of(command.cdb)}, {"data_out", hex_of(command.data_out)},
                              {"status", outcome.status}, {"sense", hex_of(outcome.sense)}});
    if (outcome.error != kERROR_SUCCESS)
      make.put(entry, "error", hresult_journal_text(static_cast<HResult>(outcome.error)));
    make.journal(doc, std::move(entry));
    return true;
  });
  return outcome;
}

std::vector<std::pair<std::string, std::string>> dos_devices(const Json& doc, const std::string& path) {
  std::vector<std::pair<std::string, std::string>> out;
  const Json* devices = member_nocase(doc, "dosdevices");
  if (devices == nullptr) return out;
  auto add = [&](const Json& name, const Json& target) {
    if (!name.IsString() || !target.IsString())
      throw StateError(path + ": \"dosdevices\" holds names and targets as text");
    out.emplace_back(text_of(name), text_of(target));
  };
  if (devices->IsObject()) {
    for (auto it = devices->MemberBegin(); it != devices->MemberEnd(); ++it) add(it->name, it->value);
  } else if (devices->IsArray()) {
    for (const auto& pair : devices->GetArray()) {
      if (!pair.IsArray() || pair.Size() != 2) throw StateError(path + ": a \"dosdevices\" entry is [name, target]");
      add(pair[0], pair[1]);
    }
  } else {
    throw StateError(path + ": \"dosdevices\" is not an object or a list");
  }
  return out;
}

}  // namespace simstack
