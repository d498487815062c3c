// "pgr": the driver's reservation settings, and PERSISTENT RESERVE IN/OUT and TEST UNIT
// READY sent straight to a disk or to a logical unit through its adapter.
#pragma once
#include <string>

#include "scsi/reservation_settings.h"
#include "session/session.h"
#include "session/words.h"

enum class ReservationOperation {
  PgrList = 0,
  PgrRegister = 1,
  PgrUnregister = 2,
  PgrClear = 3,
  PgrReserve = 4,
  PgrRelease = 5,
  PgrTestUnitReady = 6,
};

// The outcome of one SCSI command pgr sent.
struct PgrCommandResult {
  bool ok = false;  // Execute's result
  std::uint8_t status = 0;
  std::uint8_t sense_key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  std::uint32_t bytes = 0;  // transferred
};

// What pgr does, told as it happens, for the machine-readable output. The reports'
// values (the settings, the answers of the reads) go to the observer instead of the
// text; messages and the result lines of the other sub-commands are printed all the same.
class PgrObserver {
 public:
  virtual ~PgrObserver() = default;
  virtual void settings_shown(const ReservationSettings& settings) = 0;
  // READ KEYS (service action 0) or READ RESERVATION (1) on a device: its outcome, the
  // data, and whether the text would dump it (then `result.bytes` of `data` are the answer).
  virtual void reservation_read(const std::string& device_path, std::uint8_t service_action,
                                const PgrCommandResult& result, const std::uint8_t* data, bool dumped) = 0;
  // A PERSISTENT RESERVE OUT or TEST UNIT READY and its result line.
  virtual void command_result(const std::string& device_path, const PgrCommandResult& result) = 0;
};

// The sub-command the words select ("enable" ... "tur"); null when they show the settings.
const char* pgr_subcommand(const Words& words);

// words[0] is "pgr". 0, or 1 when the words cannot be used (nothing is sent then).
int pgr_command(Session& session, const Words& words, PgrObserver* observer = nullptr);

// A drive number (\\.\PhysicalDriveN) or port.bus.target.lun (\\.\ScsiP:BusB:IDT:LUNL,
// numbers not given are 0), and the operation on it; with no device, the operation on
// every disk-like MS-DOS device. 1 (with a line saying why) for a device word that is
// no device; -1 after a walk; else the operation's result.
int resolve_device(Session& session, const std::string* device, ReservationOperation operation,
                   const ReservationKey* key, PgrObserver* observer = nullptr);
// Opens the device, sends the operation's command(s), prints, closes; 0.
int run_reservation_operation(Session& session, const std::string& device_path, ReservationOperation operation,
                              const ReservationKey* key, PgrObserver* observer = nullptr);
