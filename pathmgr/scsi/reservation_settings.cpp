#include "scsi/reservation_settings.h"

#include <algorithm>
#include <cstring>

#include "registry/dsm_parameters.h"

namespace {

constexpr const wchar_t* kUseFlag = L"DsmUsePersistentReservation";
constexpr const wchar_t* kKey = L"DsmPersistentReservationKey";

std::unique_ptr<registry::Key> open_key(Session& s, registry::Access access) {
  std::unique_ptr<registry::Key> key;
  if (s.registry == nullptr || s.registry->open(registry::kDsmParametersKey, access, key) != kERROR_SUCCESS) {
    s.out << "Could not open the registry key DsmParameters" << std::endl;
    return nullptr;
  }
  return key;
}

}  // namespace

ReservationSettings read_reservation_settings(Session& s) {
  ReservationSettings settings;
  auto key = open_key(s, registry::Access::Read);
  if (!key) return settings;
  std::uint8_t flag[4] = {};
  std::uint32_t size = sizeof flag;
  if (key->query(kUseFlag, nullptr, flag, &size) != kERROR_SUCCESS)
    s.out << "Could not read the registry DsmUsePersistentReservation" << std::endl;
  else
    std::memcpy(&settings.use_flag, flag, sizeof flag);
  ReservationKey bytes{};
  size = static_cast<std::uint32_t>(bytes.size());
  if (key->query(kKey, nullptr, bytes.data(), &size) != kERROR_SUCCESS)
    s.out << "Could not read the registry DsmPersistentReservationKey" << std::endl;
  else
    settings.key = bytes;
  return settings;
}

void write_reservation_settings(Session& s, std::uint32_t use_flag, const ReservationKey* reservation_key) {
  auto key = open_key(s, registry::Access::Full);
  if (!key) {
    note_reported_failure(s);
    return;
  }
  std::uint8_t flag[4];
  std::memcpy(flag, &use_flag, sizeof flag);
  if (key->set(kUseFlag, registry::kREG_DWORD, flag, sizeof flag) != kERROR_SUCCESS) {
    s.out << "Could not set the registry DsmUsePersistentReservation" << std::endl;
    note_reported_failure(s);
  }
  if (reservation_key != nullptr &&
      key->set(kKey, registry::kREG_BINARY, reservation_key->data(), static_cast<std::uint32_t>(reservation_key->size())) !=
          kERROR_SUCCESS) {
    s.out << "Could not set the registry DsmPersistentReservationKey" << std::endl;
    note_reported_failure(s);
  }
}

void show_reservation_settings(Session& s) {
  const ReservationSettings settings = read_reservation_settings(s);
  if (settings.use_flag == 0) {
    s.out << "Persistent Reservation: Disable" << std::endl;
    return;
  }
  const auto end = std::find(settings.key.begin(), settings.key.end(), 0);
  s.out << "Persistent Reservation: Enable" << std::endl
        << "                   Key: " << std::string(settings.key.begin(), end) << std::endl;
}
