// One SCSI command at a time on one open disk or adapter, issued as a pass-through-direct
// request through the storage seam, its outcome classified from status and sense.
#pragma once
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "scsi/scsi_seam.h"
#include "scsi/transfer_buffer.h"

class ScsiRequest {
 public:
  static constexpr std::size_t kMaxNameLength = 255;
  static constexpr std::uint32_t kDefaultTimeout = 60;  // seconds

  // `out` receives the "device reset" notice.
  ScsiRequest(scsi::Storage& storage, std::ostream& out) : storage_(storage), out_(out) {}
  ~ScsiRequest() { Close(); }
  ScsiRequest(const ScsiRequest&) = delete;
  ScsiRequest& operator=(const ScsiRequest&) = delete;

  // "\\.\ScsiP:BusB:IDT:LUNL" opens adapter P and addresses bus B, target T, LUN L
  // (numbers not given are 0); any other name is opened as is and asked for its
  // address. A name longer than 255 characters is not opened. True when open.
  bool Open(const std::string& name);
  // Copies as many bytes as the operation code's group gives (cdb[0]).
  void SetCdb(std::span<const std::uint8_t> cdb);
  void SetDataIn(std::uint8_t* buffer, std::uint32_t length);
  void SetDataOut(std::uint8_t* buffer, std::uint32_t length);
  // Issues the request once; true for success.
  bool Execute();
  void Close();

  bool IsOpen() const { return device_ != nullptr; }
  const scsi::ScsiAddress& Address() const { return address_; }
  std::uint8_t CdbLength() const { return cdb_length_; }
  std::uint32_t BytesTransferred() const;
  std::uint8_t SenseLength() const;
  std::uint8_t ScsiStatus() const { return scsi_status_; }
  std::uint8_t SenseKey() const { return sense_[2] & 0x0F; }
  std::uint8_t AdditionalSenseCode() const { return sense_[12]; }
  std::uint8_t AdditionalSenseCodeQualifier() const { return sense_[13]; }

  // CDB length of an operation code: 6, 10, 16 or 12 bytes by group; 0 for groups 3, 6, 7.
  static std::uint8_t cdb_length_of(std::uint8_t operation_code);

 private:
  scsi::Storage& storage_;
  std::ostream& out_;
  std::unique_ptr<scsi::Device> device_;
  bool data_in_ = false;
  std::uint32_t timeout_ = kDefaultTimeout;
  std::uint8_t cdb_[16] = {};
  std::uint8_t cdb_length_ = 0;
  std::uint8_t* data_ = nullptr;
  std::uint32_t data_length_ = 0;
  std::uint8_t scsi_status_ = 0;
  std::uint32_t residual_ = 0;
  std::uint8_t sense_[scsi::kSenseRoom] = {};
  // REQUEST SENSE without a buffer of the caller's reads into the sense buffer through
  // this aligned copy of it.
  scsi::TransferBuffer own_sense_{scsi::kSenseRoom};
  std::uint8_t sense_residual_ = 0;
  std::string name_;
  scsi::ScsiAddress address_;
  bool address_from_name_ = false;
};
