// The in-memory picture of the multipath configuration: one record per path, per
// MPIO path descriptor, per MPIO disk and per device, as the driver stack reports them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One element of the PerfInfo array of the driver's performance class.
struct PathRecord {
  std::wstring InstanceName;
  std::uint64_t BytesRead = 0;
  std::uint64_t BytesWritten = 0;
  std::uint32_t NumberReads = 0;
  std::uint32_t NumberWrites = 0;
  std::uint64_t PathId = 0;        // family 6
  std::uint32_t PendingIOs = 0;    // family 5
  std::string ScsiAddress;
  std::string HbaWWPN;             // family 5
  std::string CtrlPortWWPN;        // family 5
  std::string SerialNumber;
  std::string State;
  std::string Page83Id;            // family 5
};

// One element of the PdoInformation array of MPIO_GET_DESCRIPTOR.
struct DescriptorRecord {
  std::wstring InstanceName;
  std::string ScsiAddress;
  std::uint64_t PathIdentifier = 0;
  std::uint8_t PortNumber = 0;
  std::uint8_t ScsiPathId = 0;
  std::uint8_t TargetId = 0;
  std::uint8_t Lun = 0;
};

// One element of the DriveInfo array of MPIO_DISK_INFO.
struct DiskInfoRecord {
  std::wstring DsmName;
  std::wstring Name;
  std::int32_t NumberPaths = 0;
  std::string SerialNumber;
};

// One element of the policy's DSM_Paths array.
struct DevicePathEntry {
  std::uint64_t DsmPathId = 0;
  std::uint32_t PathWeight = 0;
  bool PrimaryPath = false;
  bool OptimizedPath = false;
  bool PreferredPath = false;
  bool FailedPath = false;
  std::uint32_t ALUASupport = 0;
  std::uint8_t SymmetricLUA = 0;
  std::uint32_t TargetPortGroup_State = 0;
  std::uint8_t TargetPortGroup_Preferred = 0;
  std::uint16_t TargetPortGroup_Identifier = 0;
  std::uint32_t TargetPort_Identifier = 0;
};

// One device: its policy instance (or an MPIO disk without one).
struct DeviceRecord {
  std::wstring InstanceName;
  std::string SerialNumber;
  std::string PolicyName;
  std::uint32_t Version = 0;
  std::uint32_t LoadBalancePolicy = 0;
  std::int32_t NumberPaths = 0;
  std::string FailbackName;
  std::vector<DevicePathEntry> Paths;
};

// Family-5 path slot (24 bytes in the driver's layout).
struct LegacyPathSlot {
  std::uint64_t DsmPathId = 0;
  std::uint64_t Reserved = 0;
  std::uint32_t PathWeight = 0;
  std::uint32_t PrimaryPath = 0;
};

inline constexpr std::size_t kLegacyPathSlots = 128;

// The raw family-5 policy of one device, as the configuration commands resend it.
// Slots holds at least 128 zeroed slots and grows for a device with more paths, so
// no path of a policy is ever dropped from what is written back.
struct LegacyPolicyRecord {
  std::wstring InstanceName;
  std::uint32_t Version = 1;
  std::uint32_t LoadBalancePolicy = 0;
  std::uint32_t DSMPathCount = 0;
  std::uint32_t Zero = 0;
  std::vector<LegacyPathSlot> Slots = std::vector<LegacyPathSlot>(kLegacyPathSlots);
  std::wstring InstanceNameValue;  // the InstanceName value as read from WMI
};

// Everything one command knows of the host, built afresh by each command.
struct Inventory {
  std::vector<PathRecord> paths;
  std::vector<DescriptorRecord> descriptors;
  std::vector<DeviceRecord> devices;
  std::vector<LegacyPolicyRecord> legacy_policies;  // family 5 only
};
