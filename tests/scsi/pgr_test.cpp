// pgr: the reservation settings in the registry, and the exact commands sent to the
// simulated units (read back from the journal) with what is printed for them.
#include "scsi/pgr.h"

#include <gtest/gtest.h>

#include "config/config_hosts.h"
#include "scsi/hex_dump.h"
#include "scsi/scsi_hosts.h"
#include "scsi/scsi_request.h"
#include "scsi/transfer_buffer.h"

namespace {

const std::string kOk = "result: 1 status: 0x0 sense: 0x00 0x00 0x00\n";
const std::string kConflict = "result: 0 status: 0x18 sense: 0x00 0x00 0x00\n";
const std::string kNotSent = "result: 0 status: 0x0 sense: 0x00 0x00 0x00\n";

class Pgr : public ConfigTest {
 protected:
  void SetUp() override { sim_ = &host(scsi_host()); }
  // Runs one pgr command line; returns what it printed.
  std::string run(const Words& words, int expected_rc = 0) {
    sim_->out.str("");
    EXPECT_EQ(pgr_command(sim_->session, words), expected_rc) << words.size();
    return sim_->output();
  }
  std::vector<Json> journal() { return scsi_journal(path_); }
  Json stored(const char* name) { return read_json(path_)["registry"][kParametersKey][name]; }
  SimSession* sim_ = nullptr;
};

Json entry(const std::string& device, Json address, const std::string& cdb, const std::string& data_out,
           int status = 0) {
  return {{"kind", "scsi"}, {"device", device},     {"address", std::move(address)}, {"cdb", cdb},
          {"data_out", data_out}, {"status", status}, {"sense", ""}};
}

}  // namespace

TEST_F(Pgr, EveryOperationSendsItsCdbAndParameterList) {
  const std::string drive = "\\\\.\\PhysicalDrive1";
  const Json at2 = {2, 0, 1, 0};
  struct Case {
    Words words;
    std::string cdb;
    std::string data_out;
  };
  const Case cases[] = {
      {{"pgr", "register", "1", "ABCDEFGH"}, "5F060600000000001800", parameters_with_key("ABCDEFGH", 8)},
      {{"pgr", "reserve", "1", "ABCDEFGH"}, "5F010600000000001800", parameters_with_key("ABCDEFGH", 0)},
      {{"pgr", "release", "1", "ABCDEFGH"}, "5F020600000000001800", parameters_with_key("ABCDEFGH", 0)},
      {{"pgr", "unregister", "1", "ABCDEFGH"}, "5F060600000000001800", parameters_with_key("ABCDEFGH", 0)},
      {{"pgr", "register", "1", "ABCDEFGH"}, "5F060600000000001800", parameters_with_key("ABCDEFGH", 8)},
      {{"pgr", "clear", "1", "ABCDEFGH"}, "5F030000000000001800", parameters_with_key("ABCDEFGH", 0)},
      {{"pgr", "tur", "1"}, "000000000000", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(run(c.words), kOk) << c.words[1];
  // Nothing is left registered: each answer is its 8-byte header, generation 4.
  const std::string empty = "00 00 00 04 00 00 00 00 " + std::string(8 * 3, ' ') + "........\n";
  EXPECT_EQ(run({"pgr", "list", "1"}),
            drive + " registered keys:\n" + empty + drive + " reservations:\n" + empty);
  auto sent = journal();
  ASSERT_EQ(sent.size(), std::size(cases) + 2);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(sent[i], entry(drive, at2, cases[i].cdb, cases[i].data_out)) << cases[i].words[1];
  EXPECT_EQ(sent[7]["cdb"], "5E000000000000100000");
  EXPECT_EQ(sent[8]["cdb"], "5E010000000000100000");
}

TEST_F(Pgr, AdapterPathsFromDottedDevices) {
  const std::pair<const char*, Json> cases[] = {
      {"2.0.1.0", {2, 0, 1, 0}}, {"3.0.1", {3, 0, 1, 0}}, {"2.0.1.0", {2, 0, 1, 0}}};
  run({"pgr", "register", "2.0.1.0", "ABCDEFGH"});
  for (const auto& [device, address] : cases) EXPECT_EQ(run({"pgr", "reserve", device, "ABCDEFGH"}), std::string(
      address[0] == 3 ? kConflict : kOk)) << device;
  auto sent = journal();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[1], entry("\\\\.\\Scsi2:", {2, 0, 1, 0}, "5F010600000000001800", parameters_with_key("ABCDEFGH", 0)));
  EXPECT_EQ(sent[2]["device"], "\\\\.\\Scsi3:");
  EXPECT_EQ(sent[2]["address"], Json({3, 0, 1, 0}));
  EXPECT_EQ(sent[2]["status"], 0x18);  // port 3 is not registered
  // Port 2 has no unit at target 4: the request fails and reaches no unit.
  EXPECT_EQ(run({"pgr", "tur", "2.0.4"}), kNotSent);
  EXPECT_EQ(journal().back()["error"], "0x00000079");
}

TEST_F(Pgr, ReservationsBetweenPortsFollowSpc3) {
  const std::string drive = "\\\\.\\PhysicalDrive1";
  auto list = [&] { return run({"pgr", "list", "1"}); };
  auto header = [](int generation, int length) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "00 00 00 %02X 00 00 00 %02X ", generation, length);
    return std::string(buf);
  };
  const std::string a8 = "41 41 41 41 41 41 41 41 ", b8 = "42 42 42 42 42 42 42 42 ", pad(8 * 3, ' ');
  EXPECT_EQ(run({"pgr", "register", "2.0.1.0", "AAAAAAAA"}), kOk);
  EXPECT_EQ(run({"pgr", "register", "3.0.1.0", "BBBBBBBB"}), kOk);
  EXPECT_EQ(run({"pgr", "reserve", "2.0.1.0", "AAAAAAAA"}), kOk);
  EXPECT_EQ(run({"pgr", "reserve", "2.0.1.0", "AAAAAAAA"}), kOk);  // the holder again: no change
  EXPECT_EQ(run({"pgr", "reserve", "3.0.1.0", "BBBBBBBB"}), kConflict);  // held by port 2
  EXPECT_EQ(run({"pgr", "clear", "3.0.1.0", "AAAAAAAA"}), kConflict);    // not port 3's key
  EXPECT_EQ(run({"pgr", "release", "3.0.1.0", "BBBBBBBB"}), kOk);        // not the holder: nothing released
  EXPECT_EQ(list(), drive + " registered keys:\n" + header(2, 16) + a8 + "........AAAAAAAA\n" + b8 + pad +
                        "BBBBBBBB\n" + drive + " reservations:\n" + header(2, 16) + a8 + "........AAAAAAAA\n" +
                        "00 00 00 00 00 06 00 00 " + pad + "........\n");
  // The holder registers anew, ignoring its old key: the reservation is held under the
  // new key, which RELEASE takes and READ RESERVATION shows.
  const std::string c8 = "43 43 43 43 43 43 43 43 ";
  EXPECT_EQ(run({"pgr", "register", "2.0.1.0", "CCCCCCCC"}), kOk);
  EXPECT_EQ(run({"pgr", "release", "2.0.1.0", "AAAAAAAA"}), kConflict);
  EXPECT_NE(list().find(drive + " reservations:\n" + header(3, 16) + c8 + "........CCCCCCCC\n"), std::string::npos)
      << list();
  EXPECT_EQ(read_json(path_)["scsi"][0]["reservation"]["key"], "4343434343434343");
  EXPECT_EQ(run({"pgr", "register", "2.0.1.0", "AAAAAAAA"}), kOk);
  // The holder unregisters: its reservation goes with it.
  EXPECT_EQ(run({"pgr", "unregister", "2.0.1.0", "AAAAAAAA"}), kOk);
  EXPECT_EQ(run({"pgr", "unregister", "2.0.1.0", "AAAAAAAA"}), kOk);  // not registered: no change
  EXPECT_EQ(list(), drive + " registered keys:\n" + header(5, 8) + b8 + "........BBBBBBBB\n" + drive + " reservations:\n" +
                        header(5, 0) + pad + "........\n");
  // Reserve and release change no generation; CLEAR drops everything and counts one.
  EXPECT_EQ(run({"pgr", "reserve", "3.0.1.0", "BBBBBBBB"}), kOk);
  EXPECT_EQ(run({"pgr", "release", "3.0.1.0", "BBBBBBBB"}), kOk);
  EXPECT_EQ(run({"pgr", "reserve", "3.0.1.0", "BBBBBBBB"}), kOk);
  EXPECT_EQ(run({"pgr", "clear", "2.0.1.0", "AAAAAAAA"}), kConflict);  // port 2 is no longer registered
  EXPECT_EQ(run({"pgr", "clear", "3.0.1.0", "BBBBBBBB"}), kOk);
  EXPECT_EQ(list(), drive + " registered keys:\n" + header(6, 0) + pad + "........\n" + drive + " reservations:\n" +
                        header(6, 0) + pad + "........\n");
  const Json unit = read_json(path_)["scsi"][0];
  EXPECT_EQ(unit["registrations"], Json::array());
  EXPECT_FALSE(unit.contains("reservation"));
  EXPECT_EQ(unit["generation"], 6);
}

TEST_F(Pgr, FaultsOfUnits) {
  // Every command of drive 2 answers UNIT ATTENTION, power on or reset: the notice ends its line.
  EXPECT_EQ(run({"pgr", "t", "2"}),
            "\\\\.\\PhysicalDrive2: device reset\nresult: 0 status: 0x2 sense: 0x06 0x29 0x00\n");
  EXPECT_EQ(run({"pgr", "list", "2"}), "\\\\.\\PhysicalDrive2: device reset\n\\\\.\\PhysicalDrive2: device reset\n");
  // Drive 3 and drive 8 cannot be opened: a result line and nothing sent.
  const std::size_t sent = journal().size();
  EXPECT_EQ(run({"pgr", "tur", "3"}), kNotSent);
  EXPECT_EQ(run({"pgr", "register", "8", "ABCDEFGH"}), kNotSent);
  EXPECT_EQ(run({"pgr", "list", "8"}), "");
  EXPECT_EQ(journal().size(), sent);
}

TEST_F(Pgr, ListWithoutDeviceWalksTheDiskLikeMsDosNames) {
  run({"pgr", "register", "1", "ABCDEFGH"});
  const std::string out = run({"pgr", "list"});
  // PhysicalDrive3 cannot be opened, PhysicalDrive7 is no disk, CdRom0 has no PhysicalDrive
  // in its name, PhysicalDrive2 answers with a reset.
  EXPECT_EQ(out, "\\\\.\\PhysicalDrive1 registered keys:\n00 00 00 01 00 00 00 08 41 42 43 44 45 46 47 48 "
                 "........ABCDEFGH\n\\\\.\\PhysicalDrive1 reservations:\n00 00 00 01 00 00 00 00 " +
                     std::string(24, ' ') + "........\n\\\\.\\PhysicalDrive2: device reset\n"
                     "\\\\.\\PhysicalDrive2: device reset\n");
  std::vector<std::string> devices;
  for (const auto& e : journal()) devices.push_back(e["device"]);
  EXPECT_EQ(devices, (std::vector<std::string>{"\\\\.\\PhysicalDrive1", "\\\\.\\PhysicalDrive1", "\\\\.\\PhysicalDrive1",
                                               "\\\\.\\PhysicalDrive2", "\\\\.\\PhysicalDrive2"}));
}

TEST_F(Pgr, SubcommandsByPrefix) {
  const std::pair<Words, std::string> cases[] = {
      {{"pgr", "re", "1", "ABCDEFGH"}, "5F0606"}, {{"pgr", "RES", "1", "ABCDEFGH"}, "5F0106"},
      {{"pgr", "rel", "1", "ABCDEFGH"}, "5F0206"}, {{"pgr", "c", "1", "ABCDEFGH"}, "5F0300"},
      {{"pgr", "un", "1", "ABCDEFGH"}, "5F0606"},  {{"pgr", "t", "1"}, "000000"}};
  for (const auto& [words, cdb] : cases) {
    EXPECT_EQ(run(words), kOk) << words[1];
    EXPECT_EQ(journal().back()["cdb"].get<std::string>().substr(0, 6), cdb) << words[1];
  }
}

TEST_F(Pgr, SettingsShownEnabledAndDisabled) {
  const std::string disabled = "Persistent Reservation: Disable\n";
  EXPECT_EQ(run({"pgr"}), disabled);
  EXPECT_EQ(run({"pgr", "bogus"}), disabled);
  EXPECT_EQ(run({"pgr", "enable", "ABCDEFGH"}), "");
  EXPECT_EQ(run({"pgr"}), "Persistent Reservation: Enable\n                   Key: ABCDEFGH\n");
  EXPECT_EQ(stored("DsmUsePersistentReservation"), (Json{{"type", "REG_DWORD"}, {"data", 1}}));
  EXPECT_EQ(stored("DsmPersistentReservationKey"), (Json{{"type", "REG_BINARY"}, {"data", "4142434445464748"}}));
  EXPECT_EQ(run({"pgr", "d"}), "");
  EXPECT_EQ(run({"pgr", "x"}), disabled);
  EXPECT_EQ(run({"pgr", "e"}), "");  // no key: only the flag
  EXPECT_EQ(run({"pgr"}), "Persistent Reservation: Enable\n                   Key: ABCDEFGH\n");
  run({"pgr", "d"});
  EXPECT_EQ(run({"pgr", ""}), "");  // an empty word is a prefix of every sub-command: enable
  EXPECT_EQ(stored("DsmUsePersistentReservation")["data"], 1);
}

TEST_F(Pgr, EnableWithAKeyOfOtherLengthKeepsTheStoredKeyAndFails) {
  for (const char* key : {"ABCDEFG", "ABCDEFGHI"}) {
    run({"pgr", "disable"});
    EXPECT_EQ(run({"pgr", "enable", key}, 1), "The key must be exactly 8 characters: the stored key was left unchanged.\n");
    EXPECT_EQ(stored("DsmUsePersistentReservation")["data"], 1) << key;
    EXPECT_EQ(stored("DsmPersistentReservationKey")["data"], "4B45593030303031") << key;
  }
}

TEST_F(Pgr, RegistryFailuresPrintTheirLines) {
  Json no_values = scsi_host();
  no_values["registry"][kParametersKey] = Json::object();
  Json denied = scsi_host();
  denied["faults"]["registry_open"] = Json::array({kParametersKey});
  Json read_only = scsi_host();
  read_only["faults"]["registry_write"] = Json::array({kParametersKey});
  const std::string disabled = "Persistent Reservation: Disable\n";
  struct Case {
    const Json& doc;
    Words words;
    std::string out;
  };
  const Case cases[] = {
      {no_values, {"pgr"}, "Could not read the registry DsmUsePersistentReservation\n"
                           "Could not read the registry DsmPersistentReservationKey\n" + disabled},
      {denied, {"pgr"}, "Could not open the registry key DsmParameters\n" + disabled},
      {denied, {"pgr", "enable", "ABCDEFGH"}, "Could not open the registry key DsmParameters\n"},
      {read_only, {"pgr", "enable", "ABCDEFGH"}, "Could not set the registry DsmUsePersistentReservation\n"
                                                 "Could not set the registry DsmPersistentReservationKey\n"},
  };
  for (const auto& c : cases) {
    SimSession& s = host(c.doc);
    EXPECT_EQ(pgr_command(s.session, c.words), 0);
    EXPECT_EQ(s.output(), c.out);
  }
}

TEST_F(Pgr, WordsThatCannotBeUsedSendNothingAndFail) {
  const std::string needs = " needs a device and a key of exactly 8 characters: pgr ";
  const std::pair<Words, std::string> cases[] = {
      {{"pgr", "register"}, "pgr register" + needs + "register <device> <key>\n"},
      {{"pgr", "unregister", "1"}, "pgr unregister" + needs + "unregister <device> <key>\n"},
      {{"pgr", "clear", "1", "SHORT"}, "pgr clear" + needs + "clear <device> <key>\n"},
      {{"pgr", "reserve", "1", "NINECHARS"}, "pgr reserve" + needs + "reserve <device> <key>\n"},
      {{"pgr", "rel", "1", ""}, "pgr release" + needs + "release <device> <key>\n"},
      {{"pgr", "tur"}, "pgr tur needs a device: a drive number or port.bus.target.lun.\n"},
      {{"pgr", "tur", "one"}, "Not a device: \"one\" (give a drive number, or port.bus.target.lun with numbers from 0 to 255)\n"},
      {{"pgr", "list", "2.x"}, "Not a device: \"2.x\" (give a drive number, or port.bus.target.lun with numbers from 0 to 255)\n"},
      {{"pgr", "list", "2..1"}, "Not a device: \"2..1\" (give a drive number, or port.bus.target.lun with numbers from 0 to 255)\n"},
      {{"pgr", "tur", "1.2.3.4.5"}, "Not a device: \"1.2.3.4.5\" (give a drive number, or port.bus.target.lun with numbers from 0 to 255)\n"},
      {{"pgr", "tur", "256.0.0.0"}, "Not a device: \"256.0.0.0\" (give a drive number, or port.bus.target.lun with numbers from 0 to 255)\n"},
      {{"pgr", "tur", "-1"}, "Not a device: \"-1\" (give a drive number, or port.bus.target.lun with numbers from 0 to 255)\n"},
      {{"pgr", "tur", std::string(250, '1')},
       "Device path longer than 259 characters, not used: \\\\.\\PhysicalDrive" + std::string(250, '1') + "\n"},
  };
  for (const auto& [words, out] : cases) EXPECT_EQ(run(words, 1), out) << words.back();
  EXPECT_TRUE(journal().empty());
}

TEST(HexDump, TwentyBytesMakeAFullRowAndAPaddedOne) {
  const std::string bytes = std::string("0123456789ABCDEF") + " \x7F~!";
  std::ostringstream out;
  hex_dump(out, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  EXPECT_EQ(out.str(), "30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 0123456789ABCDEF\n"
                       "20 7F 7E 21 " + std::string(12 * 3, ' ') + "..~!\n");
}

TEST(PgrThroughTheShell, OneShotAndPrompt) {
  TempDir dir;
  const std::string path = write_json(dir.file("s.json"), scsi_host());
  auto registered = run_pathmgr({"pgr", "register", "2.0.1.0", "ABCDEFGH"}, path);
  EXPECT_EQ(registered.exit_code, 0);
  EXPECT_EQ(registered.out, kOk);
  auto refused = run_pathmgr({"pgr", "reserve", "1"}, path);
  EXPECT_NE(refused.exit_code, 0);
  EXPECT_EQ(refused.out, "pgr reserve needs a device and a key of exactly 8 characters: pgr reserve <device> <key>\n"
                         "command failed!\n");
  auto prompt = run_pathmgr({}, path, "pgr tur 1\ndebug pgr res 2.0.1 ABCDEFGH\n");
  EXPECT_EQ(prompt.out, "pathmgr> " + kOk + "pathmgr> " + kOk + "pathmgr> \n");
}

// An adapter whose AlignmentMask is 4095 takes only page-aligned data buffers: every
// command pgr sends meets it, through the disk and through the adapter; a buffer off
// the boundary is refused with ERROR_INVALID_PARAMETER and changes nothing.
TEST_F(Pgr, DataBuffersMeetTheAdapterAlignment) {
  Json doc = read_json(path_);
  doc["scsi"][0]["alignment"] = 4095;
  write_json(path_, doc);
  for (const char* device : {"1", "2.0.1.0"}) {
    EXPECT_EQ(run({"pgr", "register", device, "ABCDEFGH"}), kOk) << device;
    EXPECT_EQ(run({"pgr", "reserve", device, "ABCDEFGH"}), kOk) << device;
    EXPECT_NE(run({"pgr", "list", device}).find(" reservations:\n"), std::string::npos) << device;
    EXPECT_EQ(run({"pgr", "release", device, "ABCDEFGH"}), kOk) << device;
    EXPECT_EQ(run({"pgr", "tur", device}), kOk) << device;
  }
  const Json before = read_json(path_)["scsi"][0];
  scsi::TransferBuffer page(4096 + 24);
  ScsiRequest request(*sim_->session.scsi, sim_->out);
  ASSERT_TRUE(request.Open("\\\\.\\PhysicalDrive1"));
  const std::uint8_t cdb[10] = {0x5F, 0x06, 0x06, 0, 0, 0, 0, 0, 24, 0};
  request.SetCdb(cdb);
  for (std::size_t offset : {8u, 512u}) {
    request.SetDataOut(page.data() + offset, 24);
    EXPECT_FALSE(request.Execute()) << offset;
    EXPECT_EQ(journal().back()["error"], "0x00000057") << offset;
  }
  EXPECT_EQ(read_json(path_)["scsi"][0], before);
}
