// A SCSI request's outcome from whatever a device answers (status, sense bytes and
// their count, the transfer length left over), and the reservation answers of a
// simulated unit to any command: the classification never reads past the sense, the
// derived lengths stay within their buffers, hex_dump prints every byte, and the
// decoded reservation answers hold only what came.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_check.h"
#include "scsi/hex_dump.h"
#include "scsi/reservation_data.h"
#include "scsi/scsi_request.h"
#include "simstack/scsi/spc3_unit.h"

namespace {

// Bytes handed out in turn; zeros once they run out.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  std::size_t left() const { return size_ - at_; }
  const std::uint8_t* rest() const { return data_ + at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A device whose every answer comes from the fuzzer's bytes.
class AnsweringDevice : public scsi::Device {
 public:
  explicit AnsweringDevice(Bytes& bytes) : bytes_(bytes) {}
  Win32Error get_address(scsi::ScsiAddress& out) override {
    out.PortNumber = bytes_.next();
    return bytes_.next() % 2 == 0 ? kERROR_SUCCESS : kERROR_INVALID_PARAMETER;
  }
  Win32Error pass_through_direct(scsi::PassThroughDirect& request) override {
    request.ScsiStatus = bytes_.next();
    request.SenseInfoLength = bytes_.next();
    for (auto& b : request.Sense) b = bytes_.next();
    const std::uint32_t left = bytes_.next() | (std::uint32_t{bytes_.next()} << 8);
    request.DataTransferLength = left;
    return bytes_.next() % 8 == 0 ? scsi::kERROR_INVALID_FUNCTION : kERROR_SUCCESS;
  }

 private:
  Bytes& bytes_;
};

class AnsweringStorage : public scsi::Storage {
 public:
  explicit AnsweringStorage(Bytes& bytes) : bytes_(bytes) {}
  Win32Error open(const std::string&, std::unique_ptr<scsi::Device>& out) override {
    out = std::make_unique<AnsweringDevice>(bytes_);
    return kERROR_SUCCESS;
  }
  Win32Error query_dos_device(const char*, char*, std::uint32_t, std::uint32_t&) override { return kERROR_FILE_NOT_FOUND; }

 private:
  Bytes& bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  std::ostringstream out;
  AnsweringStorage storage(bytes);
  {
    ScsiRequest request(storage, out);
    request.Open(bytes.next() % 2 == 0 ? "\\\\.\\PhysicalDrive1" : "\\\\.\\Scsi2:Bus0:ID1:LUN0");
    std::uint8_t cdb[16];
    for (auto& b : cdb) b = bytes.next();
    request.SetCdb(cdb);
    std::uint8_t buffer[64] = {};
    request.SetDataIn(buffer, bytes.next() % (sizeof buffer + 1));
    request.Execute();
    FUZZ_EXPECT(request.SenseLength() <= scsi::kSenseRoom);
    FUZZ_EXPECT(request.BytesTransferred() <= sizeof buffer);
    std::ostringstream dump;
    hex_dump(dump, buffer, request.BytesTransferred());
    const std::size_t n = request.BytesTransferred();
    FUZZ_EXPECT(dump.str().size() == (n == 0 ? 0 : (n + 15) / 16 * 16 * 3 + n + (n + 15) / 16));
    // The answer read as READ KEYS and as READ RESERVATION: only from the bytes that came.
    if (const auto keys = decode_read_keys(buffer, n)) FUZZ_EXPECT(8 + keys->keys.size() * 8 <= n);
    if (const auto reservation = decode_read_reservation(buffer, n)) FUZZ_EXPECT(!reservation->holder || n >= 24);
  }

  // The reservation answers of a unit to the rest of the input, taken as commands.
  simstack::JsonDocument state;
  const simstack::JsonMaker make(state);
  simstack::Json unit = make.object({{"registrations", make.array()}, {"generation", 0}});
  while (bytes.left() >= 12) {
    simstack::ScsiCommand command;
    const std::uint8_t port = bytes.next() % 4;
    for (int i = 0; i < 10; ++i) command.cdb.push_back(bytes.next());
    command.data_in = (command.cdb[0] & 1) == 0;
    command.transfer_length = bytes.next();
    if (!command.data_in)
      for (int i = 0; i < 24 && bytes.left() > 0; ++i) command.data_out.push_back(bytes.next());
    bool changed = false;
    simstack::ScsiOutcome outcome = simstack::spc3_execute(make, unit, port, command, changed);
    FUZZ_EXPECT(outcome.data_in.size() <= command.transfer_length);
    FUZZ_EXPECT(outcome.sense.size() <= scsi::kSenseRoom);
  }
  return 0;
}
