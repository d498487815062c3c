#include "reports/report_hosts.h"

namespace {

Json pdo(int port, int bus, int target, int lun, const std::string& id) {
  return {{"ScsiAddress", {{"PortNumber", port}, {"ScsiPathId", bus}, {"TargetId", target}, {"Lun", lun}}},
          {"PathIdentifier", id}};
}

Json disk_info(std::vector<std::tuple<std::string, int, std::string>> disks) {
  Json list = Json::array();
  for (auto& [sn, n, dsm] : disks) list.push_back({{"SerialNumber", sn}, {"NumberPaths", n}, {"DsmName", dsm}, {"Name", "x"}});
  return Json::array({{{"InstanceName", "MPIO_DISK_INFO_0"}, {"DriveInfo", list}}});
}

const char* kA = "MPIO\\Disk&Ven_A&Prod_B\\1&2&0&001";

}  // namespace

Json family6_report_host() {
  Json doc = empty_host(6);
  Json& w = doc["wmi"]["ROOT\\WMI"]["instances"];
  w["DSM_QueryLBPolicy_V2"] = Json::array({
      {{"InstanceName", kA},
       {"LoadBalancePolicy",
        {{"Version", 1}, {"LoadBalancePolicy", 2}, {"DSMPathCount", 2},
         {"DSM_Paths", Json::array({{{"DsmPathId", "31"}, {"PathWeight", 0}, {"PrimaryPath", 1}, {"OptimizedPath", 1},
                                     {"PreferredPath", 1}, {"FailedPath", 0}, {"ALUASupport", 3}, {"SymmetricLUA", 0},
                                     {"TargetPortGroup_State", 16}, {"TargetPortGroup_Preferred", 1},
                                     {"TargetPortGroup_Identifier", 2}, {"TargetPort_Identifier", 5}},
                                    {{"DsmPathId", "4886718345"}, {"PathWeight", 7}, {"PrimaryPath", 0}, {"OptimizedPath", 1},
                                     {"FailedPath", 1}, {"ALUASupport", 0}, {"SymmetricLUA", 1}, {"TargetPortGroup_State", 0}}})}}}},
      {{"InstanceName", "MPIO\\Disk&Ven_B\\2"},
       {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", 1}, {"DSMPathCount", 1},
                              {"DSM_Paths", Json::array({{{"DsmPathId", "32"}, {"PrimaryPath", 1}, {"OptimizedPath", 1}}})}}}},
      {{"InstanceName", "MPIO\\Disk&Ven_D\\9"},
       {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", 1}, {"DSMPathCount", 1},
                              {"DSM_Paths", Json::array({{{"DsmPathId", "33"}, {"ALUASupport", 1}, {"TargetPortGroup_State", 5}}})}}}},
  });
  w["MSDSM_DEVICE_PERF"] = Json::array({
      {{"InstanceName", kA},
       {"PerfInfo", Json::array({{{"PathId", "31"}, {"NumberReads", 4294967295u}, {"NumberWrites", 1}, {"BytesRead", "1000"}, {"BytesWritten", "2000"}},
                                 {{"PathId", "4886718345"}, {"NumberReads", 10}, {"NumberWrites", 5},
                                  {"BytesRead", "18446744073709551615"}, {"BytesWritten", "0"}}})}},
      {{"InstanceName", "MPIO\\Disk&Ven_D\\9"}, {"PerfInfo", Json::array({{{"PathId", "33"}}})}},
  });
  w["MPIO_GET_DESCRIPTOR"] = Json::array({
      {{"InstanceName", kA}, {"PdoInformation", Json::array({pdo(2, 0, 1, 5, "31"), pdo(3, 0, 1, 5, "4886718345")})}},
      {{"InstanceName", "MPIO\\Disk&Ven_B\\2"}, {"PdoInformation", Json::array({pdo(2, 0, 9, 9, "32")})}},
      {{"InstanceName", "MPIO\\Disk&Ven_D\\9"}, {"PdoInformation", Json::array({pdo(2, 0, 10, 10, "33")})}},
  });
  w["MPIO_DISK_INFO"] = disk_info({{"SN-A", 2, "Microsoft DSM"}, {"SN-B", 1, "Microsoft DSM"},
                                   {"SN-D", 1, "Microsoft DSM"}, {"SN-C", 2, "Microsoft DSM"}});
  doc["wmi"]["ROOT\\CIMV2"]["instances"]["Win32_DiskDrive"] = Json::array({
      {{"DeviceID", "\\\\.\\PHYSICALDRIVE0"}, {"PNPDeviceID", "SCSI\\DISK&VEN_LOCAL\\0"}},
      {{"DeviceID", "\\\\.\\PHYSICALDRIVE1234567890123"}, {"PNPDeviceID", "MPIO\\DISK&VEN_A&PROD_B\\1&2&0&001_EXTRA"}},
      {{"DeviceID", "\\\\.\\PHYSICALDRIVE2"}, {"PNPDeviceID", "mpio\\disk&ven_a"}},
  });
  return doc;
}

namespace {

Json identifier(const std::string& address_hex, const std::string& hba, const std::string& ctrl, const std::string& serial,
                int status) {
  std::string hex = address_hex + hba + ctrl + serial;
  Json bytes = Json::array();
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
  bytes.push_back(status);
  return bytes;
}

Json page83(const std::string& id_hex) {
  Json bytes = Json::array({0, 0x83, 0, 0x14, 1, 3, 0, 0x10});
  for (std::size_t i = 0; i + 1 < id_hex.size(); i += 2) bytes.push_back(std::stoi(id_hex.substr(i, 2), nullptr, 16));
  return bytes;
}

}  // namespace

Json family5_report_host() {
  Json doc = empty_host(5);
  Json& w = doc["wmi"]["ROOT\\WMI"]["instances"];
  const std::string a83 = "6A5B7C6D8E1F21A2B3C4D71122334455";
  const std::string b83 = "6A5B7C6D8E1F25E6F7A8B31122334455";
  w["ZYRDSM_QueryLBPolicy"] = Json::array({
      {{"InstanceName", "MPIO\\Disk&Ven_ZYR\\A"},
       {"LoadBalancePolicy", {{"Version", 394544}, {"LoadBalancePolicy", 1}, {"DSMPathCount", 2}, {"FailBack", 2},
                              {"DSM_Paths", Json::array({{{"DsmPathId", "257"}, {"PathWeight", 3}, {"PrimaryPath", 1}},
                                                         {{"DsmPathId", "258"}, {"PathWeight", 0}, {"PrimaryPath", 0}}})}}}},
      {{"InstanceName", "MPIO\\Disk&Ven_ZYR\\B"},
       {"LoadBalancePolicy", {{"Version", 394544}, {"LoadBalancePolicy", 2}, {"DSMPathCount", 1}, {"FailBack", 1},
                              {"DSM_Paths", Json::array({{{"DsmPathId", "513"}, {"PathWeight", 0}, {"PrimaryPath", 1}}})}}}},
  });
  w["ZYRDSM_PERFINFO"] = Json::array({
      {{"InstanceName", "MPIO\\Disk&Ven_ZYR\\A"},
       {"PerfInfo", Json::array({{{"NumberReads", 20}, {"NumberWrites", 10}, {"BytesRead", "512"}, {"BytesWritten", "1024"},
                                  {"pendingIOs", 4},
                                  {"Identifier", identifier("02000105", "21000B5E713C5A01", "50B5E71801100001", "1A2B3C4D07", 1)},
                                  {"Page83", page83(a83)}},
                                 {{"pendingIOs", 0},
                                  {"Identifier", identifier("03000105", "21000B5E713C5A02", "50B5E71801100002", "1A2B3C4D07", 7)},
                                  {"Page83", page83(a83)}}})}},
      {{"InstanceName", "MPIO\\Disk&Ven_ZYR\\B"},
       {"PerfInfo", Json::array({{{"NumberReads", 3}, {"NumberWrites", 4}, {"pendingIOs", 1},
                                  {"Identifier", identifier("02000206", "21000B5E713C5A02", "50B5E71801100003", "5E6F7A8B03", 5)},
                                  {"Page83", page83(b83)}}})}},
  });
  w["MPIO_GET_DESCRIPTOR"] = Json::array({
      {{"InstanceName", "MPIO\\Disk&Ven_ZYR\\A"}, {"PdoInformation", Json::array({pdo(2, 0, 1, 5, "257"), pdo(3, 0, 1, 5, "258")})}},
      {{"InstanceName", "MPIO\\Disk&Ven_ZYR\\B"}, {"PdoInformation", Json::array({pdo(2, 0, 2, 6, "513")})}},
  });
  w["MPIO_DISK_INFO"] = disk_info({{a83, 2, "ZYRDSM"}, {b83, 1, "ZYRDSM"},
                                   {"6A5B7C6D8E1F2ABCDEFAB79988776655", 2, "ZYRDSM"}, {"OTHERDSMDISK", 1, "Microsoft DSM"}});
  doc["wmi"]["ROOT\\CIMV2"]["instances"]["Win32_DiskDrive"] = Json::array({
      {{"DeviceID", "\\\\.\\PHYSICALDRIVE9"}, {"PNPDeviceID", ""}},
      {{"DeviceID", "\\\\.\\PHYSICALDRIVE1"}, {"PNPDeviceID", "MPIO\\DISK&VEN_ZYR\\A"}},
  });
  return doc;
}
