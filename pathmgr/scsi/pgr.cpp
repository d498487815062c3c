#include "scsi/pgr.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "scsi/hex_dump.h"
#include "scsi/scsi_request.h"
#include "scsi/transfer_buffer.h"

namespace {

constexpr std::size_t kMaxDevicePath = 259;
constexpr std::uint32_t kDataRoom = 4096;
constexpr std::uint32_t kDosNamesRoom = 131072;
constexpr std::uint32_t kDosNamesLimit = 16u << 20;  // a name list grows at most to this
constexpr std::uint32_t kDosTargetRoom = 260;
constexpr std::size_t kParameterListLength = 24;

using Op = ReservationOperation;

const char* const kSubcommands[] = {"enable", "disable", "list", "register", "unregister", "clear", "reserve",
                                    "release", "tur"};
enum Subcommand { kEnable, kDisable, kList, kRegister, kUnregister, kClear, kReserve, kRelease, kTur, kNone };

Subcommand subcommand_of(const std::string& word) {
  for (int i = kEnable; i < kNone; ++i)
    if (word.size() <= std::strlen(kSubcommands[i]) && is_prefix_nocase(word, kSubcommands[i]))
      return static_cast<Subcommand>(i);
  return kNone;
}

bool key_of(const std::string& word, ReservationKey& key) {
  if (word.size() != key.size()) return false;
  std::memcpy(key.data(), word.data(), key.size());
  return true;
}

bool all_digits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

int not_a_device(Session& s, const std::string& word) {
  s.out << "Not a device: \"" << word << "\" (give a drive number, or port.bus.target.lun with numbers from 0 to 255)"
        << std::endl;
  return 1;
}

int path_too_long(Session& s, const std::string& path) {
  s.out << "Device path longer than " << kMaxDevicePath << " characters, not used: " << path << std::endl;
  return 1;
}

// port.bus.target.lun: up to four numbers of 0 to 255, the missing ones 0.
bool adapter_path(const std::string& word, std::string& path) {
  int numbers[4] = {};
  std::size_t start = 0;
  for (int i = 0;; ++i) {
    const std::size_t dot = word.find('.', start);
    const std::string field = word.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (i == 4 || !all_digits(field) || field.size() > 3 || std::stoi(field) > 255) return false;
    numbers[i] = std::stoi(field);
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "\\\\.\\Scsi%d:Bus%d:ID%d:LUN%d", numbers[0], numbers[1], numbers[2], numbers[3]);
  path = buf;
  return true;
}

// MS-DOS device names whose target is a disk, CD-ROM, tape, scanner or printer.
bool disk_like(const std::string& name, const std::string& target) {
  auto has = [&](const char* part) { return target.find(part) != std::string::npos; };
  return name.find("PhysicalDrive") != std::string::npos &&
         ((has("Harddisk") && has("Partition0")) || has("CdRom") || has("Tape") || (has("Harddisk") && has("\\DR")) ||
          has("Scanner") || has("Printer"));
}

int walk_dos_devices(Session& s, Op operation, const ReservationKey* key, PgrObserver* observer) {
  std::vector<char> names(kDosNamesRoom);
  std::uint32_t chars = 0;
  for (;;) {
    Win32Error rc = s.scsi->query_dos_device(nullptr, names.data(), static_cast<std::uint32_t>(names.size()), chars);
    if (rc == kERROR_SUCCESS) break;
    if (rc != scsi::kERROR_INSUFFICIENT_BUFFER || names.size() >= kDosNamesLimit) return 0;
    names.resize(names.size() * 2);
  }
  names.resize(chars);
  names.push_back('\0');  // the list ends even when the system's answer did not
  for (std::size_t pos = 0; pos < chars && names[pos] != '\0'; pos += std::strlen(&names[pos]) + 1) {
    const std::string name(&names[pos]);
    char target[kDosTargetRoom + 1] = {};
    std::uint32_t n = 0;
    if (s.scsi->query_dos_device(name.c_str(), target, kDosTargetRoom, n) != kERROR_SUCCESS) continue;
    if (!disk_like(name, target)) continue;
    const std::string path = "\\\\.\\" + name;
    if (path.size() > kMaxDevicePath) {
      path_too_long(s, path);
      continue;
    }
    run_reservation_operation(s, path, operation, key, observer);
  }
  return -1;
}

PgrCommandResult result_of(const ScsiRequest& request, bool ok) {
  return {ok, request.ScsiStatus(), request.SenseKey(), request.AdditionalSenseCode(),
          request.AdditionalSenseCodeQualifier(), request.BytesTransferred()};
}

void print_result(Session& s, const ScsiRequest& request, bool ok) {
  char line[96];
  std::snprintf(line, sizeof line, "result: %d status: 0x%x sense: 0x%02x 0x%02x 0x%02x", ok ? 1 : 0,
                request.ScsiStatus(), request.SenseKey(), request.AdditionalSenseCode(),
                request.AdditionalSenseCodeQualifier());
  s.out << line << std::endl;
}

// READ KEYS, then READ RESERVATION into the same buffer; a dump for each answer of 1 to
// 4095 bytes.
void list_reservations(Session& s, ScsiRequest& request, const std::string& path, PgrObserver* observer) {
  scsi::TransferBuffer data(kDataRoom);
  const std::pair<std::uint8_t, const char*> reads[] = {{0x00, " registered keys:"}, {0x01, " reservations:"}};
  for (const auto& [action, title] : reads) {
    const std::uint8_t cdb[10] = {0x5E, action, 0, 0, 0, 0, 0, 0x10, 0x00, 0};
    request.SetCdb(cdb);
    request.SetDataIn(data.data(), kDataRoom);
    const bool ok = request.Execute();
    const std::uint32_t n = request.BytesTransferred();
    const bool dumped = ok && n >= 1 && n < kDataRoom;
    if (observer != nullptr) {
      observer->reservation_read(path, action, result_of(request, ok), data.data(), dumped);
      continue;
    }
    if (!dumped) continue;
    s.out << path << title << std::endl;
    hex_dump(s.out, data.data(), n);
  }
}

}  // namespace

int run_reservation_operation(Session& s, const std::string& path, Op operation, const ReservationKey* key,
                              PgrObserver* observer) {
  ScsiRequest request(*s.scsi, s.out);
  request.Open(path);
  if (operation == Op::PgrList) {
    list_reservations(s, request, path, observer);
    request.Close();
    return 0;
  }
  scsi::TransferBuffer parameter_list(kParameterListLength);
  std::uint8_t* parameters = parameter_list.data();
  const ReservationKey zero{};
  const ReservationKey& k = key != nullptr ? *key : zero;
  std::uint8_t cdb[10] = {0x5F, 0, 0, 0, 0, 0, 0, 0, kParameterListLength, 0};
  switch (operation) {
    case Op::PgrRegister:  // REGISTER AND IGNORE EXISTING KEY: the key is the new registration
      cdb[1] = 0x06, cdb[2] = 0x06;
      std::memcpy(parameters + 8, k.data(), k.size());
      break;
    case Op::PgrUnregister:  // the same with a zero new key: the registration goes
      cdb[1] = 0x06, cdb[2] = 0x06;
      std::memcpy(parameters, k.data(), k.size());
      break;
    case Op::PgrClear: cdb[1] = 0x03; break;
    case Op::PgrReserve: cdb[1] = 0x01, cdb[2] = 0x06; break;
    case Op::PgrRelease: cdb[1] = 0x02, cdb[2] = 0x06; break;
    default: break;
  }
  if (operation == Op::PgrClear || operation == Op::PgrReserve || operation == Op::PgrRelease)
    std::memcpy(parameters, k.data(), k.size());
  if (operation == Op::PgrTestUnitReady) {
    const std::uint8_t tur[6] = {};
    request.SetCdb(tur);
  } else {
    request.SetCdb(cdb);
    request.SetDataOut(parameters, kParameterListLength);
  }
  const bool ok = request.Execute();
  if (observer != nullptr) observer->command_result(path, result_of(request, ok));
  print_result(s, request, ok);
  request.Close();
  return 0;
}

int resolve_device(Session& s, const std::string* device, Op operation, const ReservationKey* key,
                   PgrObserver* observer) {
  if (s.scsi == nullptr) {
    s.out << "SCSI requests are not available on this host" << std::endl;
    return 1;
  }
  if (device == nullptr) return walk_dos_devices(s, operation, key, observer);
  std::string path;
  if (device->find('.') != std::string::npos) {
    if (!adapter_path(*device, path)) return not_a_device(s, *device);
  } else {
    if (!all_digits(*device)) return not_a_device(s, *device);
    path = "\\\\.\\PhysicalDrive" + *device;
  }
  if (path.size() > kMaxDevicePath) return path_too_long(s, path);
  return run_reservation_operation(s, path, operation, key, observer);
}

const char* pgr_subcommand(const Words& words) {
  const Subcommand sub = words.size() < 2 ? kNone : subcommand_of(words[1]);
  return sub == kNone ? nullptr : kSubcommands[sub];
}

int pgr_command(Session& s, const Words& words, PgrObserver* observer) {
  const Subcommand sub = words.size() < 2 ? kNone : subcommand_of(words[1]);
  const std::string* third = words.size() > 2 ? &words[2] : nullptr;
  const std::string* fourth = words.size() > 3 ? &words[3] : nullptr;
  ReservationKey key{};
  switch (sub) {
    case kNone:
      if (observer != nullptr) observer->settings_shown(read_reservation_settings(s));
      else show_reservation_settings(s);
      return 0;
    case kEnable: {
      const bool usable = third != nullptr && key_of(*third, key);
      write_reservation_settings(s, 1, usable ? &key : nullptr);
      if (third == nullptr || usable) return 0;
      s.out << "The key must be exactly 8 characters: the stored key was left unchanged." << std::endl;
      return 1;
    }
    case kDisable: write_reservation_settings(s, 0, nullptr); return 0;
    case kList: return std::max(resolve_device(s, third, Op::PgrList, nullptr, observer), 0);
    case kTur:
      if (third == nullptr) {
        s.out << "pgr tur needs a device: a drive number or port.bus.target.lun." << std::endl;
        return 1;
      }
      return std::max(resolve_device(s, third, Op::PgrTestUnitReady, nullptr, observer), 0);
    default: {
      static const Op kOps[] = {Op::PgrRegister, Op::PgrUnregister, Op::PgrClear, Op::PgrReserve, Op::PgrRelease};
      if (third == nullptr || fourth == nullptr || !key_of(*fourth, key)) {
        s.out << "pgr " << kSubcommands[sub] << " needs a device and a key of exactly 8 characters: pgr "
              << kSubcommands[sub] << " <device> <key>" << std::endl;
        return 1;
      }
      return std::max(resolve_device(s, third, kOps[sub - kRegister], &key, observer), 0);
    }
  }
}
