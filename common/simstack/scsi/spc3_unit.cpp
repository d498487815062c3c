#include "simstack/scsi/spc3_unit.h"

#include <algorithm>

#include "simstack/state_file/hex_text.h"

namespace simstack {

namespace {

using Key8 = std::array<std::uint8_t, 8>;

constexpr std::uint8_t kIllegalRequest = 0x05;

enum : std::uint8_t {
  kTestUnitReady = 0x00,
  kPersistentReserveIn = 0x5E,
  kPersistentReserveOut = 0x5F,
};
enum : std::uint8_t { kReadKeys = 0, kReadReservation = 1 };
enum : std::uint8_t { kRegister = 0, kReserve = 1, kRelease = 2, kClear = 3, kRegisterIgnore = 6 };

// Types whose every registrant holds the reservation (write exclusive / exclusive
// access, all registrants).
bool all_registrants(int type) { return type == 7 || type == 8; }
bool valid_type(int type) { return type == 1 || type == 3 || type == 5 || type == 6 || type == 7 || type == 8; }

ScsiOutcome good() { return {}; }
ScsiOutcome conflict() { return {kERROR_SUCCESS, kStatusReservationConflict, {}, {}}; }
ScsiOutcome illegal(std::uint8_t asc, std::uint8_t ascq = 0) {
  return {kERROR_SUCCESS, kStatusCheckCondition, {}, fixed_sense(kIllegalRequest, asc, ascq)};
}

Key8 key_at(const std::vector<std::uint8_t>& data, std::size_t offset) {
  Key8 k{};
  std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), 8, k.begin());
  return k;
}

Key8 stored_key(const Json& holder, const std::string& where) {
  const Json* key = member(holder, "key");
  auto bytes = bytes_of_hex(key != nullptr ? std::string(text_of(*key)) : std::string(16, '0'), where);
  if (bytes.size() != 8) throw StateError(where + ": a reservation key has 8 bytes");
  Key8 k{};
  std::copy(bytes.begin(), bytes.end(), k.begin());
  return k;
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A number member of the unit's state, `fallback` when absent or not a number.
std::int64_t number_of(const Json* object, const char* name, std::int64_t fallback) {
  auto v = object != nullptr ? int_member(*object, name) : std::nullopt;
  return v.value_or(fallback);
}

class UnitState {
 public:
  UnitState(const JsonMaker& make, Json& unit) : make_(make), unit_(unit) { registrations(); }

  // Looked up at each use: a member added to the unit may move the others.
  Json& registrations() const { return make_.list(unit_, "registrations"); }

  Json* registration(std::uint8_t port) const {
    for (auto& r : registrations().GetArray())
      if (number_of(&r, "port", -1) == port) return &r;
    return nullptr;
  }
  std::optional<Key8> key_of(std::uint8_t port) const {
    const Json* r = registration(port);
    if (r == nullptr) return std::nullopt;
    return stored_key(*r, "scsi registration");
  }
  void set_registration(std::uint8_t port, const Key8& key) {
    const std::string hex = hex_of(key.data(), key.size());
    // A holder that registers anew holds the reservation under its new key.
    if (reserved() && holder_port() == port) make_.put(*member(unit_, "reservation"), "key", hex);
    if (Json* r = registration(port)) make_.put(*r, "key", hex);
    else make_.push(registrations(), make_.object({{"port", port}, {"key", hex}}));
  }
  void remove_registration(std::uint8_t port) {
    for (auto it = registrations().Begin(); it != registrations().End(); ++it)
      if (number_of(it, "port", -1) == port) {
        registrations().Erase(it);
        break;
      }
    // The holder of a registrants-only reservation gives it up with its registration; an
    // all-registrants reservation goes with the last registrant.
    if (!reserved()) return;
    if (all_registrants(type()) ? registrations().Empty() : holder_port() == port) release();
  }
  const Json* reservation() const {
    const Json* r = member(unit_, "reservation");
    return r != nullptr && r->IsObject() ? r : nullptr;
  }
  bool reserved() const { return reservation() != nullptr; }
  int type() const { return static_cast<int>(number_of(reservation(), "type", 0)); }
  int scope() const { return static_cast<int>(number_of(reservation(), "scope", 0)); }
  std::int64_t holder_port() const { return number_of(reservation(), "port", -1); }
  bool holds(std::uint8_t port) const {
    return reserved() && (all_registrants(type()) ? registration(port) != nullptr : holder_port() == port);
  }
  void reserve(std::uint8_t port, const Key8& key, int type) {
    make_.put(unit_, "reservation",
              make_.object({{"port", port}, {"key", hex_of(key.data(), key.size())}, {"type", type}, {"scope", 0}}));
  }
  void release() { erase_member_nocase(unit_, "reservation"); }
  void clear() {
    registrations().Clear();
    release();
  }
  std::uint32_t generation() const { return static_cast<std::uint32_t>(number_of(&unit_, "generation", 0)); }
  void bump_generation() { make_.put(unit_, "generation", static_cast<std::uint32_t>(generation() + 1)); }

  std::vector<std::uint8_t> read_keys() const {
    std::vector<std::uint8_t> out;
    put_u32(out, generation());
    put_u32(out, static_cast<std::uint32_t>(8 * registrations().Size()));
    for (const auto& r : registrations().GetArray()) {
      Key8 k = stored_key(r, "scsi registration");
      out.insert(out.end(), k.begin(), k.end());
    }
    return out;
  }
  std::vector<std::uint8_t> read_reservation() const {
    std::vector<std::uint8_t> out;
    put_u32(out, generation());
    put_u32(out, reserved() ? 16 : 0);
    if (reserved()) {
      // The key the reservation is held under: its holder's registered key.
      Key8 k = all_registrants(type()) ? Key8{} : stored_key(*reservation(), "scsi reservation");
      out.insert(out.end(), k.begin(), k.end());
      out.insert(out.end(), 5, 0);  // obsolete, reserved
      out.push_back(static_cast<std::uint8_t>((scope() << 4) | (type() & 15)));
      out.insert(out.end(), 2, 0);
    }
    return out;
  }

 private:
  const JsonMaker& make_;
  Json& unit_;
};

ScsiOutcome persistent_reserve_in(const UnitState& unit, const ScsiCommand& c) {
  if (c.cdb.size() < 10) return illegal(0x24);
  std::vector<std::uint8_t> data;
  switch (c.cdb[1] & 0x1F) {
    case kReadKeys: data = unit.read_keys(); break;
    case kReadReservation: data = unit.read_reservation(); break;
    default: return illegal(0x24);  // INVALID FIELD IN CDB
  }
  const std::uint32_t allocation = (std::uint32_t{c.cdb[7]} << 8) | c.cdb[8];
  data.resize(std::min<std::size_t>({data.size(), allocation, c.transfer_length}));
  ScsiOutcome out = good();
  out.data_in = std::move(data);
  return out;
}

ScsiOutcome persistent_reserve_out(UnitState& unit, std::uint8_t port, const ScsiCommand& c, bool& changed) {
  if (c.cdb.size() < 10) return illegal(0x24);
  const std::uint8_t action = c.cdb[1] & 0x1F;
  const int scope = c.cdb[2] >> 4, type = c.cdb[2] & 15;
  const std::uint32_t length = (std::uint32_t{c.cdb[5]} << 24) | (std::uint32_t{c.cdb[6]} << 16) |
                               (std::uint32_t{c.cdb[7]} << 8) | c.cdb[8];
  if (length != 24 || c.data_in || c.data_out.size() < 24) return illegal(0x1A);  // PARAMETER LIST LENGTH ERROR
  const Key8 key = key_at(c.data_out, 0), action_key = key_at(c.data_out, 8);
  const std::optional<Key8> registered = unit.key_of(port);
  const Key8 zero{};

  if (action == kRegister || action == kRegisterIgnore) {
    // REGISTER checks the reservation key against the nexus's registration (zero when
    // it has none); REGISTER AND IGNORE EXISTING KEY does not.
    if (action == kRegister && key != registered.value_or(zero)) return conflict();
    if (action_key == zero) {
      if (!registered) return good();  // nothing to unregister: no further action
      unit.remove_registration(port);
    } else {
      unit.set_registration(port, action_key);
    }
    unit.bump_generation();
    changed = true;
    return good();
  }
  if (action != kReserve && action != kRelease && action != kClear) return illegal(0x24);
  if (!registered || *registered != key) return conflict();
  switch (action) {
    case kReserve:
      if (scope != 0 || !valid_type(type)) return illegal(0x24);
      if (unit.reserved()) {
        if (!unit.holds(port)) return conflict();
        if (unit.type() != type || unit.scope() != scope) return conflict();
        return good();
      }
      unit.reserve(port, key, type);
      changed = true;
      return good();
    case kRelease:
      if (!unit.reserved() || !unit.holds(port)) return good();  // nothing of this nexus to release
      if (unit.type() != type || unit.scope() != scope) return illegal(0x26, 0x04);  // INVALID RELEASE
      unit.release();
      changed = true;
      return good();
    default:  // CLEAR
      unit.clear();
      unit.bump_generation();
      changed = true;
      return good();
  }
}

}  // namespace

std::vector<std::uint8_t> fixed_sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  std::vector<std::uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;  // additional sense length
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

ScsiOutcome spc3_execute(const JsonMaker& make, Json& unit_json, std::uint8_t port, const ScsiCommand& command,
                         bool& changed) {
  changed = false;
  if (command.cdb.empty()) return illegal(0x20);
  UnitState unit(make, unit_json);
  switch (command.cdb[0]) {
    case kTestUnitReady: return good();
    case kPersistentReserveIn: return persistent_reserve_in(unit, command);
    case kPersistentReserveOut: return persistent_reserve_out(unit, port, command, changed);
    default: return illegal(0x20);  // INVALID COMMAND OPERATION CODE
  }
}

}  // namespace simstack
