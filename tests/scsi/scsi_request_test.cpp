// ScsiRequest over a scripted storage stack: how names become devices and addresses,
// what one request carries, and how its outcome is classified.
#include "scsi/scsi_request.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

struct Script {
  std::vector<std::string> opened;
  bool open_fails = false;
  bool address_fails = false;
  scsi::ScsiAddress address{4, 1, 7, 2};
  Win32Error error = kERROR_SUCCESS;
  std::uint8_t status = 0;
  std::vector<std::uint8_t> sense;
  std::uint32_t transferred = 0;
  std::vector<std::uint8_t> data_in;  // what the device writes into the data buffer
  std::vector<scsi::PassThroughDirect> sent;
};

class ScriptedDevice : public scsi::Device {
 public:
  explicit ScriptedDevice(Script& s) : s_(s) {}
  Win32Error get_address(scsi::ScsiAddress& out) override {
    if (s_.address_fails) return scsi::kERROR_INVALID_FUNCTION;
    out = s_.address;
    return kERROR_SUCCESS;
  }
  Win32Error pass_through_direct(scsi::PassThroughDirect& r) override {
    s_.sent.push_back(r);
    if (s_.error != kERROR_SUCCESS) return s_.error;
    r.ScsiStatus = s_.status;
    if (r.DataIn) std::copy_n(s_.data_in.begin(), std::min<std::size_t>(s_.data_in.size(), r.DataTransferLength),
                              r.DataBuffer);
    r.DataTransferLength = s_.transferred;
    r.SenseInfoLength = static_cast<std::uint8_t>(s_.sense.size());
    std::copy(s_.sense.begin(), s_.sense.end(), r.Sense);
    return kERROR_SUCCESS;
  }

 private:
  Script& s_;
};

class ScriptedStorage : public scsi::Storage {
 public:
  explicit ScriptedStorage(Script& s) : s_(s) {}
  Win32Error open(const std::string& name, std::unique_ptr<scsi::Device>& out) override {
    s_.opened.push_back(name);
    if (s_.open_fails) return kERROR_FILE_NOT_FOUND;
    out = std::make_unique<ScriptedDevice>(s_);
    return kERROR_SUCCESS;
  }
  Win32Error query_dos_device(const char*, char*, std::uint32_t, std::uint32_t&) override {
    return kERROR_FILE_NOT_FOUND;
  }

 private:
  Script& s_;
};

std::vector<std::uint8_t> sense_of(std::uint8_t key, std::uint8_t asc, std::size_t length = 18) {
  std::vector<std::uint8_t> s(length, 0);
  s[0] = 0x70;
  s[2] = key;
  if (length > 12) s[12] = asc;
  return s;
}

class Request : public ::testing::Test {
 protected:
  Script script_;
  ScriptedStorage storage_{script_};
  std::ostringstream out_;
  ScsiRequest request_{storage_, out_};
};

}  // namespace

TEST_F(Request, AdapterNameAddressesBusTargetLunWithoutAskingTheAdapter) {
  ASSERT_TRUE(request_.Open("\\\\.\\Scsi2:Bus0:ID5:LUN3"));
  EXPECT_EQ(script_.opened, std::vector<std::string>{"\\\\.\\Scsi2:"});
  const std::uint8_t tur[6] = {};
  request_.SetCdb(tur);
  EXPECT_TRUE(request_.Execute());
  ASSERT_EQ(script_.sent.size(), 1u);
  const auto& r = script_.sent[0];
  EXPECT_EQ(std::vector<int>({r.PathId, r.TargetId, r.Lun, r.CdbLength, r.SenseInfoLength}),
            std::vector<int>({0, 5, 3, 6, 24}));
  EXPECT_EQ(r.TimeOutValue, 60u);
}

TEST_F(Request, DriveTakesItsAddressFromTheDeviceOrZeros) {
  ASSERT_TRUE(request_.Open("\\\\.\\PhysicalDrive1"));
  EXPECT_EQ(script_.opened.back(), "\\\\.\\PhysicalDrive1");
  const auto& a = request_.Address();
  EXPECT_EQ(std::vector<int>({a.PortNumber, a.PathId, a.TargetId, a.Lun}), std::vector<int>({4, 1, 7, 2}));
  script_.address_fails = true;
  ASSERT_TRUE(request_.Open("\\\\.\\PhysicalDrive1"));
  const auto& z = request_.Address();
  EXPECT_EQ(std::vector<int>({z.PortNumber, z.PathId, z.TargetId, z.Lun}), std::vector<int>({0, 0, 0, 0}));
}

TEST_F(Request, NamesThatCannotBeOpenedSendNothing) {
  EXPECT_FALSE(request_.Open(std::string(256, 'x')));  // longer than the name field
  EXPECT_TRUE(script_.opened.empty());
  script_.open_fails = true;
  EXPECT_FALSE(request_.Open("\\\\.\\PhysicalDrive9"));
  EXPECT_FALSE(request_.Execute());
  EXPECT_TRUE(script_.sent.empty());
}

TEST_F(Request, CdbLengthFollowsTheGroup) {
  const std::pair<std::uint8_t, int> groups[] = {{0x00, 6},  {0x28, 10}, {0x5E, 10}, {0x7F, 0},
                                                 {0x88, 16}, {0xA0, 12}, {0xC0, 0},  {0xE0, 0}};
  for (const auto& [code, length] : groups) EXPECT_EQ(ScsiRequest::cdb_length_of(code), length) << int(code);
  ASSERT_TRUE(request_.Open("\\\\.\\PhysicalDrive1"));
  const std::uint8_t vendor[16] = {0xC1, 1, 2};
  request_.SetCdb(vendor);
  request_.Execute();
  EXPECT_EQ(script_.sent.back().CdbLength, 0);
}

TEST_F(Request, OutcomeClassification) {
  struct Case {
    const char* what;
    std::uint8_t status;
    std::vector<std::uint8_t> sense;
    Win32Error error;
    bool success;
    std::string notice;
  };
  const std::string reset = "\\\\.\\PhysicalDrive1: device reset\n";
  const Case cases[] = {
      {"good", 0, {}, kERROR_SUCCESS, true, ""},
      {"check condition, 13 sense bytes", 2, sense_of(1, 0, 13), kERROR_SUCCESS, false, ""},
      {"recovered error", 2, sense_of(1, 0x17), kERROR_SUCCESS, true, ""},
      {"unit attention, reset", 2, sense_of(6, 0x29), kERROR_SUCCESS, false, reset},
      {"not ready, reset", 2, sense_of(2, 0x29), kERROR_SUCCESS, false, reset},
      {"unit attention, other", 2, sense_of(6, 0x2A), kERROR_SUCCESS, false, ""},
      {"illegal request", 2, sense_of(5, 0x24), kERROR_SUCCESS, false, ""},
      {"reservation conflict", 0x18, {}, kERROR_SUCCESS, false, ""},
      {"system refused the request", 0, {}, scsi::kERROR_NOT_SUPPORTED, false, ""},
  };
  for (const auto& c : cases) {
    script_.status = c.status;
    script_.sense = c.sense;
    script_.error = c.error;
    out_.str("");
    ASSERT_TRUE(request_.Open("\\\\.\\PhysicalDrive1"));
    const std::uint8_t tur[6] = {};
    request_.SetCdb(tur);
    EXPECT_EQ(request_.Execute(), c.success) << c.what;
    EXPECT_EQ(out_.str(), c.notice) << c.what;
    EXPECT_EQ(request_.ScsiStatus(), c.error == kERROR_SUCCESS ? c.status : 0) << c.what;
  }
}

TEST_F(Request, OutcomeFieldsAndRequestSense) {
  ASSERT_TRUE(request_.Open("\\\\.\\PhysicalDrive1"));
  std::uint8_t data[100] = {};
  const std::uint8_t read_keys[10] = {0x5E, 0, 0, 0, 0, 0, 0, 0, 100, 0};
  request_.SetCdb(read_keys);
  request_.SetDataIn(data, sizeof data);
  script_.transferred = 16;
  script_.status = 2;
  script_.sense = sense_of(5, 0x24);
  script_.sense[13] = 7;
  EXPECT_FALSE(request_.Execute());
  EXPECT_EQ(request_.BytesTransferred(), 16u);
  EXPECT_EQ(request_.SenseLength(), 18);
  EXPECT_EQ(std::vector<int>({request_.SenseKey(), request_.AdditionalSenseCode(),
                              request_.AdditionalSenseCodeQualifier()}),
            std::vector<int>({5, 0x24, 7}));
  EXPECT_EQ(script_.sent.back().DataIn, 1);
  EXPECT_EQ(script_.sent.back().DataBuffer, data);
  // REQUEST SENSE with no buffer reads into the request's own sense buffer, through a
  // page-aligned buffer as every adapter takes it.
  ASSERT_TRUE(request_.Open("\\\\.\\PhysicalDrive1"));
  const std::uint8_t request_sense[6] = {0x03, 0, 0, 0, 24, 0};
  request_.SetCdb(request_sense);
  script_.status = 0;
  script_.sense.clear();
  script_.transferred = 18;
  script_.data_in = sense_of(6, 0x29);
  EXPECT_TRUE(request_.Execute());
  EXPECT_EQ(script_.sent.back().DataTransferLength, 24u);
  EXPECT_EQ(script_.sent.back().DataIn, 1);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(script_.sent.back().DataBuffer) % scsi::TransferBuffer::kAlignment, 0u);
  EXPECT_EQ(request_.SenseKey(), 6);
  EXPECT_EQ(request_.AdditionalSenseCode(), 0x29);
}
