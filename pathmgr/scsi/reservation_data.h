// The answers of PERSISTENT RESERVE IN (SPC-3) decoded: READ KEYS and READ
// RESERVATION. The lengths an answer states are not trusted: only the bytes that
// came are read, and an answer that states more says so.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "scsi/reservation_settings.h"

struct RegisteredKeys {
  std::uint32_t generation = 0;
  std::uint32_t additional_length = 0;  // as the answer states it
  std::vector<ReservationKey> keys;     // the whole keys that came
  bool truncated = false;               // the stated length runs past the bytes that came
};

struct ReservationHolder {
  ReservationKey key{};
  std::uint8_t scope = 0;  // 0: the logical unit
  std::uint8_t type = 0;   // 1, 3, 5, 6, 7, 8
};

struct CurrentReservation {
  std::uint32_t generation = 0;
  std::uint32_t additional_length = 0;
  std::optional<ReservationHolder> holder;  // none when nothing is reserved
  bool truncated = false;
};

// Null for an answer shorter than its 8-byte header.
std::optional<RegisteredKeys> decode_read_keys(const std::uint8_t* data, std::size_t length);
std::optional<CurrentReservation> decode_read_reservation(const std::uint8_t* data, std::size_t length);

// The name of a persistent reservation type ("Exclusive Access, Registrants Only");
// null for a type SPC-3 does not define.
const char* reservation_type_name(std::uint8_t type);
