#include "scsi/scsi_request.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr std::uint8_t kRequestSense = 0x03;
constexpr std::uint8_t kCheckConditionBit = 0x02;
constexpr std::uint8_t kRecoveredError = 1, kNotReady = 2, kUnitAttention = 6;
constexpr std::uint8_t kPowerOnOrReset = 0x29;
constexpr std::uint8_t kLastFixedSenseByte = 13;  // the qualifier: shorter sense has no codes

// A "%d" of the adapter pattern: optional sign and digits; nothing when none.
std::optional<int> number_at(const std::string& text, std::size_t& pos) {
  std::size_t p = pos;
  bool negative = p < text.size() && (text[p] == '-' || text[p] == '+') && text[p++] == '-';
  long long value = 0;
  std::size_t digits = 0;
  for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p, ++digits)
    value = std::min<long long>(value * 10 + (text[p] - '0'), 1LL << 31);
  if (digits == 0) return std::nullopt;
  pos = p;
  return static_cast<int>(negative ? -value : std::min<long long>(value, 0x7FFFFFFF));
}

// "\\.\Scsi%d:Bus%d:ID%d:LUN%d": the numbers that match, in order; the others stay 0.
std::array<int, 4> adapter_address(const std::string& name) {
  static const char* const kLiterals[] = {"\\\\.\\Scsi", ":Bus", ":ID", ":LUN"};
  std::array<int, 4> numbers{};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t n = std::strlen(kLiterals[i]);
    if (name.compare(pos, n, kLiterals[i]) != 0) break;
    pos += n;
    auto value = number_at(name, pos);
    if (!value) break;
    numbers[i] = *value;
  }
  return numbers;
}

}  // namespace

std::uint8_t ScsiRequest::cdb_length_of(std::uint8_t operation_code) {
  static const std::uint8_t kByGroup[8] = {6, 10, 10, 0, 16, 12, 0, 0};
  return kByGroup[operation_code >> 5];
}

bool ScsiRequest::Open(const std::string& name) {
  Close();
  data_in_ = false;
  timeout_ = kDefaultTimeout;
  std::memset(cdb_, 0, sizeof cdb_);
  cdb_length_ = 0;
  data_ = nullptr;
  data_length_ = 0;
  scsi_status_ = 0;
  residual_ = 0;
  std::memset(sense_, 0, sizeof sense_);
  sense_residual_ = 0;
  address_ = {};
  address_from_name_ = false;
  name_.clear();
  if (name.size() > kMaxNameLength) return false;  // longer than the name field: never opened
  name_ = name;

  std::string open_name = name;
  if (name.find("\\\\.\\Scsi") != std::string::npos) {
    auto a = adapter_address(name);
    address_ = scsi::ScsiAddress{static_cast<std::uint8_t>(a[0]), static_cast<std::uint8_t>(a[1]),
                                 static_cast<std::uint8_t>(a[2]), static_cast<std::uint8_t>(a[3])};
    address_from_name_ = true;
    open_name = "\\\\.\\Scsi" + std::to_string(a[0]) + ":";
  }
  if (storage_.open(open_name, device_) != kERROR_SUCCESS) device_.reset();
  if (!address_from_name_ && device_) {
    scsi::ScsiAddress asked;
    if (device_->get_address(asked) == kERROR_SUCCESS) address_ = asked;
  }
  return IsOpen();
}

void ScsiRequest::SetCdb(std::span<const std::uint8_t> cdb) {
  if (cdb.empty()) return;
  cdb_length_ = cdb_length_of(cdb[0]);
  std::memset(cdb_, 0, sizeof cdb_);
  std::copy_n(cdb.begin(), std::min<std::size_t>(cdb_length_, cdb.size()), cdb_);
  if (cdb[0] == kRequestSense && data_ == nullptr) SetDataIn(own_sense_.data(), scsi::kSenseRoom);
}

void ScsiRequest::SetDataIn(std::uint8_t* buffer, std::uint32_t length) {
  data_ = buffer;
  data_length_ = length;
  data_in_ = true;
}

void ScsiRequest::SetDataOut(std::uint8_t* buffer, std::uint32_t length) {
  data_ = buffer;
  data_length_ = length;
  data_in_ = false;
}

bool ScsiRequest::Execute() {
  if (!device_) return false;
  scsi::PassThroughDirect r;
  r.PathId = address_.PathId;
  r.TargetId = address_.TargetId;
  r.Lun = address_.Lun;
  r.CdbLength = cdb_length_;
  r.SenseInfoLength = scsi::kSenseRoom;
  r.DataIn = data_in_ ? 1 : 0;
  r.DataTransferLength = data_length_;
  r.TimeOutValue = timeout_;
  r.DataBuffer = data_;
  std::memcpy(r.Cdb, cdb_, sizeof cdb_);
  const bool into_sense = data_ == own_sense_.data();
  if (into_sense) std::memcpy(own_sense_.data(), sense_, scsi::kSenseRoom);
  // A request the system refused comes back as it went: nothing transferred short,
  // status 0 and the room for sense unchanged.
  const bool sent = device_->pass_through_direct(r) == kERROR_SUCCESS;
  if (into_sense) std::memcpy(sense_, own_sense_.data(), scsi::kSenseRoom);

  residual_ = data_length_ - r.DataTransferLength;
  scsi_status_ = r.ScsiStatus;
  const std::uint8_t returned = std::min<std::uint8_t>(r.SenseInfoLength, scsi::kSenseRoom);
  sense_residual_ = static_cast<std::uint8_t>(scsi::kSenseRoom - returned);
  std::memcpy(sense_, r.Sense, returned);

  if (sent && scsi_status_ == 0) return true;
  if ((scsi_status_ & kCheckConditionBit) == 0) return false;
  if (SenseLength() <= kLastFixedSenseByte) return false;
  const std::uint8_t key = SenseKey();
  if (key == kRecoveredError) return true;
  if ((key == kNotReady || key == kUnitAttention) && AdditionalSenseCode() == kPowerOnOrReset)
    out_ << name_ << ": device reset" << std::endl;
  return false;
}

void ScsiRequest::Close() { device_.reset(); }

std::uint32_t ScsiRequest::BytesTransferred() const { return std::min(data_length_, data_length_ - residual_); }

std::uint8_t ScsiRequest::SenseLength() const {
  return static_cast<std::uint8_t>(std::min<int>(scsi::kSenseRoom - sense_residual_, scsi::kSenseRoom));
}
