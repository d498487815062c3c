#include "browser/class_tables.h"

namespace {

constexpr const wchar_t* kDescriptor[] = {L"InstanceName", L"NumberPdos", L"PdoInformation"};
constexpr const wchar_t* kPdoInformation[] = {L"ScsiAddress",    L"DeviceState",      L"PathIdentifier",
                                              L"IdentifierType", L"IdentifierLength", L"Identifier"};
constexpr const wchar_t* kScsiAddress[] = {L"PortNumber", L"ScsiPathId", L"TargetId", L"Lun"};
constexpr const wchar_t* kDiskInfo[] = {L"InstanceName", L"NumberDrives", L"DriveInfo"};
constexpr const wchar_t* kDriveInfo[] = {L"NumberPaths", L"Name", L"SerialNumber", L"DsmName"};
constexpr const wchar_t* kPathInformation[] = {L"InstanceName", L"NumberPaths", L"PathList"};
constexpr const wchar_t* kAdapterInformation[] = {L"PathId", L"BusNumber", L"DeviceNumber", L"FunctionNumber",
                                                  L"AdapterName"};
constexpr const wchar_t* kControllerConfiguration[] = {L"InstanceName", L"NumberControllers", L"ControllerInfo"};
constexpr const wchar_t* kControllerInfo[] = {L"IdentifierType", L"IdentifierLength", L"Identifier",
                                              L"ControllerState", L"AssociatedDsm"};
constexpr const wchar_t* kTimersCounters[] = {L"InstanceName",    L"PathVerifyEnabled", L"PathVerificationPeriod",
                                              L"PDORemovePeriod", L"RetryCount",        L"RetryInterval"};

struct EmbeddedClass {
  const wchar_t* name;
  PropertyPrinter printer;
};

constexpr EmbeddedClass kEmbedded[] = {
    {L"PDO_INFORMATION", kPdoInformation},
    {L"PDOSCSI_ADDR", kScsiAddress},
    {L"SCSI_ADDR", kScsiAddress},
    {L"MPIO_DRIVE_INFO", kDriveInfo},
    {L"MPIO_ADAPTER_INFORMATION", kAdapterInformation},
    {L"MPIO_CONTROLLER_INFO", kControllerInfo},
};

}  // namespace

const std::array<MpiolistClass, 6>& mpiolist_classes() {
  static const std::array<MpiolistClass, 6> table = {{
      {"0", L"MsDiskDriver_Performance", {}},
      {"1", L"MPIO_DISK_INFO", kDiskInfo},
      {"2", L"MPIO_PATH_INFORMATION", kPathInformation},
      {"3", L"MPIO_CONTROLLER_CONFIGURATION", kControllerConfiguration},
      {"4", L"MPIO_TIMERS_COUNTERS", kTimersCounters},
      {"5", L"MPIO_GET_DESCRIPTOR", kDescriptor},
  }};
  return table;
}

PropertyPrinter embedded_printer(std::wstring_view class_name) {
  for (const auto& e : kEmbedded)
    if (class_name == e.name) return e.printer;
  return {};
}
