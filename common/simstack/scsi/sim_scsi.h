// The SCSI logical units of the simulated host (the state file's "scsi" member) and
// its MS-DOS device names ("dosdevices"). A unit answers to each of its names and,
// through the adapter of each of its addresses, to that bus, target and LUN. It keeps
// SPC-3 persistent-reservation state per initiator port (the port of the address a
// command came through), or stands for a real iSCSI logical unit ("iscsi" URL).
// Every command is journaled.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "simstack/state_file/sim_host.h"
#include "win32_error.h"

namespace simstack {

using ScsiAddressBytes = std::array<std::uint8_t, 4>;  // port, bus, target, LUN

// What opening a name reaches: a unit (its first address) or an adapter (its port).
struct ScsiOpened {
  bool adapter = false;
  ScsiAddressBytes address{};
};

// The adapter of a name "\\.\ScsiP:" (any case), if it is one.
std::optional<std::uint8_t> adapter_port_of(const std::string& name);
// ERROR_FILE_NOT_FOUND when no unit has that name or adapter port; a unit with
// "fault.open", or an iSCSI unit that cannot be reached, cannot be opened either.
Win32Error open_scsi_device(SimHost& host, const std::string& name, ScsiOpened& out);

struct ScsiCommand {
  std::string device;  // the name it was opened by
  ScsiAddressBytes address{};
  std::vector<std::uint8_t> cdb;
  bool data_in = false;
  std::vector<std::uint8_t> data_out;
  std::uint32_t transfer_length = 0;  // room for data in
  std::uintptr_t data_address = 0;    // where the data buffer is, for the unit's "alignment"
};

struct ScsiOutcome {
  Win32Error error = kERROR_SUCCESS;  // the request did not reach a unit
  std::uint8_t status = 0;
  std::vector<std::uint8_t> data_in;  // at most transfer_length bytes
  std::vector<std::uint8_t> sense;
};

// Runs one command on the unit at its address, under the host's exclusive lock, and
// journals it. A unit with "alignment" (an adapter's AlignmentMask) refuses a data
// buffer whose address has any of those bits set: ERROR_INVALID_PARAMETER, nothing done.
ScsiOutcome run_scsi_command(SimHost& host, const ScsiCommand& command);

// The "dosdevices" member as (name, target) pairs, in the order the file gives them: an
// object of names and targets, or a list of [name, target] pairs.
std::vector<std::pair<std::string, std::string>> dos_devices(const Json& doc, const std::string& path);

}  // namespace simstack
