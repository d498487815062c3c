// Members that several report documents share: a device's identity, its policy, a
// path's state, serial numbers and drives, written the same way wherever they appear.
#pragma once
#include <cstdint>
#include <string>

#include "inventory/records.h"
#include "output/json_text.h"

// "device": its position in the list; "instance_name": its MPIO instance (null for a
// disk that has no policy instance).
void device_members(JsonText& json, std::size_t position, const DeviceRecord& device);
// "policy" (the name the text shows) and "policy_number" (null for a disk without a
// policy instance).
void policy_members(JsonText& json, const DeviceRecord& device);
// "serial_number": the text, or null where the text shows "N/A".
void serial_member(JsonText& json, const std::string* serial);
// "state" and "state_number": family 6 the ALUA state (0 to 3), family 5 the path
// status (1, 5, 7); null where the state is empty or "Unknown".
void state_members(JsonText& json, bool family5, const std::string& state);
// "physical_drive": the drive's DeviceID, or null for "N/A".
void drive_member(JsonText& json, const std::wstring& drive);
// A name the text shows, or null for the "N/A" and empty names of the tables.
void name_or_null(JsonText& json, const char* name);
