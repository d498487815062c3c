// kernel32's storage I/O behind the SCSI seam.
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>
#include <cstring>

#include "scsi/scsi_seam.h"

namespace scsi {

namespace {

// The request as the port driver takes it: the header, then the sense space after a
// filler that keeps it on a 4-byte boundary. The header's size (and so the sense
// offset) is the one of the build's word size.
struct PassThroughWithSense {
  SCSI_PASS_THROUGH_DIRECT header;
  ULONG filler;
  UCHAR sense[kSenseRoom];
};

#if defined(_WIN64)
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 56, "64-bit SCSI_PASS_THROUGH_DIRECT header");
static_assert(offsetof(PassThroughWithSense, sense) == 60, "64-bit sense offset");
static_assert(sizeof(PassThroughWithSense) == 88, "64-bit request size");
#else
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44, "32-bit SCSI_PASS_THROUGH_DIRECT header");
static_assert(offsetof(PassThroughWithSense, sense) == 48, "32-bit sense offset");
static_assert(sizeof(PassThroughWithSense) == 72, "32-bit request size");
#endif
static_assert(sizeof(SCSI_ADDRESS) == 8, "SCSI_ADDRESS");

class WinDevice : public Device {
 public:
  explicit WinDevice(HANDLE handle) : handle_(handle) {}
  ~WinDevice() override { CloseHandle(handle_); }
  WinDevice(const WinDevice&) = delete;
  WinDevice& operator=(const WinDevice&) = delete;

  Win32Error get_address(ScsiAddress& out) override {
    SCSI_ADDRESS address{};
    address.Length = sizeof address;
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address, &returned, nullptr))
      return GetLastError();
    if (returned == 0) return kERROR_INVALID_FUNCTION;
    out = ScsiAddress{address.PortNumber, address.PathId, address.TargetId, address.Lun};
    return kERROR_SUCCESS;
  }

  Win32Error pass_through_direct(PassThroughDirect& r) override {
    PassThroughWithSense buffer;
    std::memset(&buffer, 0, sizeof buffer);
    SCSI_PASS_THROUGH_DIRECT& h = buffer.header;
    h.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    h.PathId = r.PathId;
    h.TargetId = r.TargetId;
    h.Lun = r.Lun;
    h.CdbLength = r.CdbLength;
    h.SenseInfoLength = r.SenseInfoLength > kSenseRoom ? kSenseRoom : r.SenseInfoLength;
    h.DataIn = r.DataIn ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
    h.DataTransferLength = r.DataTransferLength;
    h.TimeOutValue = r.TimeOutValue;
    h.DataBuffer = r.DataBuffer;
    h.SenseInfoOffset = offsetof(PassThroughWithSense, sense);
    std::memcpy(h.Cdb, r.Cdb, sizeof h.Cdb);
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, IOCTL_SCSI_PASS_THROUGH_DIRECT, &buffer, sizeof buffer, &buffer, sizeof buffer,
                         &returned, nullptr))
      return GetLastError();
    r.ScsiStatus = h.ScsiStatus;
    r.DataTransferLength = h.DataTransferLength;
    r.SenseInfoLength = h.SenseInfoLength > kSenseRoom ? kSenseRoom : h.SenseInfoLength;
    std::memcpy(r.Sense, buffer.sense, r.SenseInfoLength);
    return kERROR_SUCCESS;
  }

 private:
  HANDLE handle_;
};

class WinStorage : public Storage {
 public:
  Win32Error open(const std::string& name, std::unique_ptr<Device>& out) override {
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    out = std::make_unique<WinDevice>(h);
    return kERROR_SUCCESS;
  }

  Win32Error query_dos_device(const char* name, char* buffer, std::uint32_t size, std::uint32_t& chars) override {
    DWORD n = QueryDosDeviceA(name, buffer, size);
    chars = n;
    return n == 0 ? GetLastError() : kERROR_SUCCESS;
  }
};

}  // namespace

std::unique_ptr<Storage> make_windows_storage() { return std::make_unique<WinStorage>(); }

}  // namespace scsi
