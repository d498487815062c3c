#include "scsi/scsi_hosts.h"

Json scsi_host() {
  Json doc = empty_host(6);
  doc["scsi"] = Json::array({
      {{"names", {"\\\\.\\PhysicalDrive1"}}, {"address", Json::array({{2, 0, 1, 0}, {3, 0, 1, 0}})}},
      {{"names", {"\\\\.\\PhysicalDrive2"}},
       {"address", {2, 0, 2, 0}},
       {"fault", {{"status", 2}, {"sense", "70000600000000000000000029000000"}}}},
      {{"names", {"\\\\.\\PhysicalDrive3"}}, {"address", {2, 0, 3, 0}}, {"fault", {{"open", true}}}},
  });
  doc["registry"][kParametersKey] = {{"DsmUsePersistentReservation", {{"type", "REG_DWORD"}, {"data", 0}}},
                                     {"DsmPersistentReservationKey", {{"type", "REG_BINARY"}, {"data", "4B45593030303031"}}}};
  doc["dosdevices"] = Json::array({{"C:", "\\Device\\HarddiskVolume1"},
                                   {"PhysicalDrive3", "\\Device\\Harddisk3\\DR3"},
                                   {"PhysicalDrive1", "\\Device\\Harddisk1\\DR1"},
                                   {"PhysicalDrive7", "\\Device\\Floppy0"},
                                   {"CdRom0", "\\Device\\CdRom0"},
                                   {"PhysicalDrive2", "\\Device\\Harddisk2\\Partition0"}});
  return doc;
}

std::vector<Json> scsi_journal(const std::string& state_path) {
  std::vector<Json> out;
  for (const auto& e : read_json(state_path).value("journal", Json::array()))
    if (e["kind"] == "scsi") out.push_back(e);
  return out;
}

std::string parameters_with_key(const std::string& key, int offset) {
  std::string hex(48, '0');
  static const char kDigits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < key.size(); ++i) {
    const auto c = static_cast<unsigned char>(key[i]);
    hex[2 * (offset + i)] = kDigits[c >> 4];
    hex[2 * (offset + i) + 1] = kDigits[c & 15];
  }
  return hex;
}
