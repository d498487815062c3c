// Simulated hosts with SCSI logical units for the pgr and unit tests.
#pragma once
#include <string>
#include <vector>

#include "test_support.h"

inline const std::string kParametersKey = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters";

// PhysicalDrive1 reached through ports 2 and 3 (bus 0, target 1, LUN 0);
// PhysicalDrive2 at 2.0.2.0 answering every command with UNIT ATTENTION, power on or
// reset; PhysicalDrive3 that cannot be opened; the reservation parameters (flag 0, key
// "KEY00001"); MS-DOS names for the three drives and a few other devices.
Json scsi_host();
// The journal's SCSI entries.
std::vector<Json> scsi_journal(const std::string& state_path);
// 24-byte parameter list with `key` at `offset` (0 or 8), as hexadecimal text.
std::string parameters_with_key(const std::string& key, int offset);
