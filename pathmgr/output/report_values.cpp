#include "output/report_values.h"

#include <cstring>

#include "inventory/names.h"

void device_members(JsonText& json, std::size_t position, const DeviceRecord& device) {
  json.key("device");
  json.number(static_cast<std::uint64_t>(position));
  json.key("instance_name");
  if (device.InstanceName.empty()) json.null();
  else json.wide(device.InstanceName);
}

void policy_members(JsonText& json, const DeviceRecord& device) {
  json.key("policy");
  json.utf8(device.PolicyName);
  json.key("policy_number");
  if (device.InstanceName.empty()) json.null();
  else json.number(device.LoadBalancePolicy);
}

void serial_member(JsonText& json, const std::string* serial) {
  json.key("serial_number");
  if (serial == nullptr) json.null();
  else json.narrowed(*serial);
}

void state_members(JsonText& json, bool family5, const std::string& state) {
  json.key("state");
  if (state.empty()) json.null();
  else json.utf8(state);
  std::int64_t number = -1;
  if (family5) {
    for (std::uint32_t status : {1u, 5u, 7u})
      if (state == path_status_name(status)) number = status;
  } else {
    for (std::size_t row = 0; row < 4; ++row)
      if (state == AluaStates[row].name) number = static_cast<std::int64_t>(row);
  }
  json.key("state_number");
  if (number < 0) json.null();
  else json.number(number);
}

void drive_member(JsonText& json, const std::wstring& drive) {
  json.key("physical_drive");
  if (drive == L"N/A") json.null();
  else json.wide(drive);
}

void name_or_null(JsonText& json, const char* name) {
  if (name == nullptr || *name == '\0' || std::strcmp(name, "N/A") == 0) json.null();
  else json.utf8(name);
}
