// A simulated logical unit's answer to one command: TEST UNIT READY, and the SPC-3
// persistent reservations (READ KEYS, READ RESERVATION; REGISTER, REGISTER AND IGNORE
// EXISTING KEY, RESERVE, RELEASE, CLEAR) over the unit's state in the host file.
#pragma once
#include "simstack/scsi/sim_scsi.h"

namespace simstack {

// Status values and the fixed-format sense of CHECK CONDITION.
constexpr std::uint8_t kStatusGood = 0x00;
constexpr std::uint8_t kStatusCheckCondition = 0x02;
constexpr std::uint8_t kStatusReservationConflict = 0x18;
std::vector<std::uint8_t> fixed_sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);

// `unit` holds "registrations", "reservation" and "generation" (changed with `make`);
// `port` is the initiator port the command came through. Sets `changed` when the state
// changed.
ScsiOutcome spc3_execute(const JsonMaker& make, Json& unit, std::uint8_t port, const ScsiCommand& command,
                         bool& changed);

}  // namespace simstack
