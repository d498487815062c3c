#include "scsi/sim_storage.h"

#include <algorithm>
#include <cstring>

#include "simstack/scsi/sim_scsi.h"

namespace scsi {

namespace {

class SimDevice : public Device {
 public:
  SimDevice(simstack::SimHost& host, std::string name, simstack::ScsiOpened opened)
      : host_(host), name_(std::move(name)), opened_(opened) {}

  Win32Error get_address(ScsiAddress& out) override {
    if (opened_.adapter) return kERROR_INVALID_FUNCTION;  // an adapter has no address of its own
    const auto& a = opened_.address;
    out = ScsiAddress{a[0], a[1], a[2], a[3]};
    return kERROR_SUCCESS;
  }

  Win32Error pass_through_direct(PassThroughDirect& r) override {
    if (r.CdbLength == 0 || r.CdbLength > sizeof r.Cdb || (r.DataTransferLength != 0 && r.DataBuffer == nullptr))
      return kERROR_INVALID_PARAMETER;
    simstack::ScsiCommand command;
    command.device = name_;
    // Through an adapter the request names bus, target and LUN; a disk is its own address.
    command.address = opened_.adapter ? simstack::ScsiAddressBytes{opened_.address[0], r.PathId, r.TargetId, r.Lun}
                                      : opened_.address;
    command.cdb.assign(r.Cdb, r.Cdb + r.CdbLength);
    command.data_in = r.DataIn != 0;
    command.data_address = reinterpret_cast<std::uintptr_t>(r.DataBuffer);
    if (command.data_in) command.transfer_length = r.DataTransferLength;
    else command.data_out.assign(r.DataBuffer, r.DataBuffer + r.DataTransferLength);
    simstack::ScsiOutcome outcome = simstack::run_scsi_command(host_, command);
    if (outcome.error != kERROR_SUCCESS) return outcome.error;
    r.ScsiStatus = outcome.status;
    if (command.data_in) {
      std::copy(outcome.data_in.begin(), outcome.data_in.end(), r.DataBuffer);
      r.DataTransferLength = static_cast<std::uint32_t>(outcome.data_in.size());
    } else if (outcome.status != 0) {
      r.DataTransferLength = 0;
    }
    const std::size_t sense = std::min<std::size_t>({outcome.sense.size(), r.SenseInfoLength, kSenseRoom});
    std::copy_n(outcome.sense.begin(), sense, r.Sense);
    r.SenseInfoLength = static_cast<std::uint8_t>(sense);
    return kERROR_SUCCESS;
  }

 private:
  simstack::SimHost& host_;
  std::string name_;
  simstack::ScsiOpened opened_;
};

class SimStorage : public Storage {
 public:
  explicit SimStorage(simstack::SimHost& host) : host_(host) {}

  Win32Error open(const std::string& name, std::unique_ptr<Device>& out) override {
    simstack::ScsiOpened opened;
    if (Win32Error e = simstack::open_scsi_device(host_, name, opened); e != kERROR_SUCCESS) return e;
    out = std::make_unique<SimDevice>(host_, name, opened);
    return kERROR_SUCCESS;
  }

  Win32Error query_dos_device(const char* name, char* buffer, std::uint32_t size, std::uint32_t& chars) override {
    chars = 0;
    std::string list;
    auto devices = simstack::dos_devices(*host_.document(), host_.path());
    for (const auto& [device, target] : devices) {
      if (name == nullptr) list += device + '\0';
      else if (simstack::equal_nocase(device, name)) list = target + '\0';
    }
    if (name != nullptr && list.empty()) return kERROR_FILE_NOT_FOUND;
    list += '\0';
    if (list.size() > size) return kERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, list.data(), list.size());
    chars = static_cast<std::uint32_t>(list.size());
    return kERROR_SUCCESS;
  }

 private:
  simstack::SimHost& host_;
};

}  // namespace

std::unique_ptr<Storage> make_sim_storage(simstack::SimHost& host) { return std::make_unique<SimStorage>(host); }

}  // namespace scsi
