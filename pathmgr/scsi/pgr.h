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

// words[0] is "pgr". 0, or 1 when the words cannot be used (nothing is sent then).
int pgr_command(Session& session, const Words& words);

// A drive number (\\.\PhysicalDriveN) or port.bus.target.lun (\\.\ScsiP:BusB:IDT:LUNL,
// numbers not given are 0), and the operation on it; with no device, the operation on
// every disk-like MS-DOS device. 1 (with a line saying why) for a device word that is
// no device; -1 after a walk; else the operation's result.
int resolve_device(Session& session, const std::string* device, ReservationOperation operation,
                   const ReservationKey* key);
// Opens the device, sends the operation's command(s), prints, closes; 0.
int run_reservation_operation(Session& session, const std::string& device_path, ReservationOperation operation,
                              const ReservationKey* key);
