// The storage I/O seam: devices opened by name (CreateFileA), their SCSI address
// (IOCTL_SCSI_GET_ADDRESS), one pass-through-direct request (IOCTL_SCSI_PASS_THROUGH_DIRECT)
// and the MS-DOS device names (QueryDosDeviceA). kernel32 on Windows; the simulated
// logical units of the state file elsewhere.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "win32_error.h"

namespace scsi {

constexpr Win32Error kERROR_INVALID_FUNCTION = 1;
constexpr Win32Error kERROR_INSUFFICIENT_BUFFER = 122;
constexpr Win32Error kERROR_SEM_TIMEOUT = 121;
constexpr Win32Error kERROR_NOT_SUPPORTED = 50;

constexpr std::uint32_t kSenseRoom = 24;

// SCSI_ADDRESS.
struct ScsiAddress {
  std::uint8_t PortNumber = 0;
  std::uint8_t PathId = 0;
  std::uint8_t TargetId = 0;
  std::uint8_t Lun = 0;
};

// The members of SCSI_PASS_THROUGH_DIRECT with its sense space. In: the address, CDB,
// direction, transfer length, buffer, timeout and sense room. Out: ScsiStatus, the
// length actually transferred, SenseInfoLength and that many bytes of Sense.
struct PassThroughDirect {
  std::uint8_t ScsiStatus = 0;
  std::uint8_t PathId = 0;
  std::uint8_t TargetId = 0;
  std::uint8_t Lun = 0;
  std::uint8_t CdbLength = 0;
  std::uint8_t SenseInfoLength = kSenseRoom;
  std::uint8_t DataIn = 0;  // 1: from the device into DataBuffer
  std::uint32_t DataTransferLength = 0;
  std::uint32_t TimeOutValue = 0;
  std::uint8_t* DataBuffer = nullptr;
  std::uint8_t Cdb[16] = {};
  std::uint8_t Sense[kSenseRoom] = {};
};

// One open device (a disk or an adapter); closed when the object goes.
class Device {
 public:
  virtual ~Device() = default;
  virtual Win32Error get_address(ScsiAddress& out) = 0;
  virtual Win32Error pass_through_direct(PassThroughDirect& request) = 0;
};

class Storage {
 public:
  virtual ~Storage() = default;
  // CreateFileA for reading and writing, shared, of an existing device.
  virtual Win32Error open(const std::string& name, std::unique_ptr<Device>& out) = 0;
  // QueryDosDeviceA: with no name (null) the list of all MS-DOS device names, with a
  // name its targets; each string ends with a zero and the list with one more. `chars`
  // receives the characters stored. ERROR_INSUFFICIENT_BUFFER when `size` is too small,
  // ERROR_FILE_NOT_FOUND for an unknown name.
  virtual Win32Error query_dos_device(const char* name, char* buffer, std::uint32_t size, std::uint32_t& chars) = 0;
};

// The storage stack of this machine (Windows only).
std::unique_ptr<Storage> make_windows_storage();

}  // namespace scsi
