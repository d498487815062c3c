// The driver's two reservation parameters in its registry key: whether it uses SCSI-3
// persistent reservations, and the 8-byte reservation key.
#pragma once
#include <array>
#include <cstdint>

#include "session/session.h"

using ReservationKey = std::array<std::uint8_t, 8>;

struct ReservationSettings {
  std::uint32_t use_flag = 0;
  ReservationKey key{};
};

// Values that cannot be read stay zero; each failure prints its line.
ReservationSettings read_reservation_settings(Session& session);
// Writes the flag and, when given, the key; each failure prints its line.
void write_reservation_settings(Session& session, std::uint32_t use_flag, const ReservationKey* key);
// "Persistent Reservation: Enable" and the key, or "Persistent Reservation: Disable".
void show_reservation_settings(Session& session);
