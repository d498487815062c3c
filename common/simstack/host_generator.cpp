#include "simstack/host_generator.h"

#include <cctype>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

namespace simstack {

namespace {

// Raw engine output only: the standard distributions differ between libraries.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : engine_() % n; }
  std::uint64_t u64() { return (std::uint64_t{engine_()} << 32) | engine_(); }

 private:
  std::mt19937 engine_;
};

std::string hex(std::uint64_t value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(value));
  return buf;
}

// Eight hexadecimal digits, none of them 0, different for every device number.
std::string nonzero_digits(std::uint32_t n) {
  std::string out(8, '1');
  for (int i = 7; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = "123456789ABCDEF"[n % 15];
    n /= 15;
  }
  return out;
}

// Family-5 disk serial (the Page83 identifier as MPIO lists it): 32 hexadecimal
// digits whose characters 13 to 20 are `digits` and character 21 is `last`. Every
// byte has a non-zero high digit, so the identifier text keeps two digits per byte.
std::string family5_disk_serial(const std::string& digits, std::uint32_t last) {
  return "6A5B7C6D8E1F2" + digits + hex(last, 1) + "1F2E3D4C5B";
}

struct PathPlan {
  unsigned hba;          // HBA port index
  unsigned ctrl;         // controller port index within the array
  std::uint8_t port, bus, target, lun;
  std::uint64_t id;      // DsmPathId / PathIdentifier / PathId
  unsigned tpg_state;    // ALUA state of the path's target port group
  std::string address() const {
    return hex(port, 2) + hex(bus, 2) + hex(target, 2) + hex(lun, 2);
  }
};

struct DevicePlan {
  unsigned index;
  unsigned array;
  std::string instance;
  std::string serial;       // MPIO_DISK_INFO serial number
  std::string path_serial;  // family 5: serial the path identifier carries
  std::uint32_t policy;
  std::uint32_t failback;
  std::uint32_t alua_support;
  std::uint8_t symmetric;
  std::vector<PathPlan> paths;
};

constexpr std::uint32_t kPolicyCycle[] = {1, 2, 3, 4, 5, 2, 6, 1};

// PrimaryPath and OptimizedPath of an ALUA state.
std::pair<int, int> flags_of_state(unsigned state) {
  switch (state) {
    case 0: return {1, 1};
    case 1: return {1, 0};
    case 2: return {0, 1};
    default: return {0, 0};
  }
}

Json counters(Random& rng) {
  return {{"NumberReads", rng.below(2000000000u)},
          {"NumberWrites", rng.below(2000000000u)},
          {"BytesRead", std::to_string(rng.u64() >> 22)},
          {"BytesWritten", std::to_string(rng.u64() >> 22)}};
}

std::vector<DevicePlan> plan_devices(const HostSpec& spec, Random& rng) {
  std::vector<DevicePlan> out;
  for (unsigned d = 0; d < spec.devices; ++d) {
    DevicePlan dev;
    dev.index = d;
    dev.array = d % spec.arrays;
    const unsigned lun_index = d / spec.arrays;  // position of the LU on its array
    const std::string product = spec.family == 5 ? "ZYR_ARRAY" : "FLEXARRAY" + std::to_string(dev.array);
    const std::string digits = nonzero_digits(d + 1);
    if (spec.family == 5) {
      // Page83 identifier text: characters 13 to 20 are the serial's eight digits and
      // character 21 its last digit, as the driver reports its disks.
      std::uint32_t last = (d % 15) + 1;
      dev.path_serial = digits + "-" + hex(last, 2);
      dev.serial = family5_disk_serial(digits, last);
    } else {
      dev.serial = "60B5E718" + hex(dev.array, 2) + "80" + hex(lun_index, 6) + "0000" + hex(d, 10);  // 32 digits
    }
    dev.instance = "MPIO\\Disk&Ven_ZYR&Prod_" + product + "&Rev_0100\\1&7f6ac24&0&" + digits + "_" + std::to_string(d);
    dev.policy = kPolicyCycle[(d + rng.below(3)) % 8];
    dev.failback = rng.below(4) == 0 ? 2 : 1;
    dev.alua_support = dev.array % 2 == 0 ? 3 : (d % 3 == 0 ? 0 : 1);
    dev.symmetric = dev.alua_support == 0 ? 1 : 0;
    const unsigned owner = d % 2;  // controller that owns the LU
    for (unsigned p = 0; p < spec.paths_per_device; ++p) {
      PathPlan path;
      path.hba = p % spec.hba_ports;
      path.ctrl = (p / spec.hba_ports + d) % spec.controller_ports;
      path.port = static_cast<std::uint8_t>(2 + path.hba);
      path.bus = static_cast<std::uint8_t>(lun_index / 256);
      path.target = static_cast<std::uint8_t>(dev.array * spec.controller_ports + path.ctrl);
      path.lun = static_cast<std::uint8_t>(lun_index % 256);
      if (spec.family == 5) {
        path.id = (std::uint64_t{d + 1} << 16) | (p + 1);  // one id per device path
      } else {
        // MSDSM numbers paths per I_T nexus: devices behind one nexus share the id.
        path.id = 0x77000000ull | (std::uint64_t{path.port} << 16) | (std::uint64_t{path.bus} << 8) | path.target;
      }
      if (dev.alua_support == 0) path.tpg_state = 0;
      else if (path.ctrl % 2 == owner) path.tpg_state = 0;
      else path.tpg_state = rng.below(5) == 0 ? 2 : 1;
      dev.paths.push_back(path);
    }
    out.push_back(std::move(dev));
  }
  return out;
}

// Serials and port names carry the company identifier 0B5E71, made up: its first byte
// has the group bit set, so no maker can hold it.
std::string hba_wwpn(unsigned hba) { return "21000B5E71" + hex(0x3C5A00 + hba, 6); }
std::string ctrl_wwpn(unsigned array, unsigned ctrl) { return "50B5E7180" + hex(array, 1) + hex(0x100000 + ctrl, 6); }

Json bytes_of_hex(const std::string& text) {
  Json arr = Json::array();
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) arr.push_back(std::stoi(text.substr(i, 2), nullptr, 16));
  return arr;
}

Json text_bytes(const std::string& text) {
  Json arr = Json::array();
  for (unsigned char c : text) arr.push_back(c);
  return arr;
}

// The policy paths' flags: ALUA state pairs; under FailOver only the first
// Active/Optimized path stays optimized and active.
Json policy_paths_v2(const DevicePlan& dev, Random& rng) {
  Json paths = Json::array();
  bool have_active = false;
  for (const auto& p : dev.paths) {
    auto [primary, optimized] = flags_of_state(p.tpg_state);
    if (dev.policy == 1 && primary && optimized) {
      if (have_active) {
        if (dev.symmetric) primary = 0;
        else optimized = 0;
      }
      have_active = true;
    }
    paths.push_back({{"DsmPathId", std::to_string(p.id)}, {"Reserved", "0"},
                     {"PathWeight", dev.policy == 5 ? 1 + rng.below(100) : 0},
                     {"PrimaryPath", primary}, {"OptimizedPath", optimized},
                     {"PreferredPath", dev.policy == 1 && p.ctrl % 2 == dev.index % 2 ? 1 : 0},
                     {"FailedPath", 0}, {"TargetPortGroup_State", p.tpg_state}, {"ALUASupport", dev.alua_support},
                     {"SymmetricLUA", dev.symmetric}, {"TargetPortGroup_Preferred", p.ctrl % 2 == dev.index % 2 ? 1 : 0},
                     {"TargetPortGroup_Identifier", p.ctrl % 2 + 1}, {"TargetPort_Identifier", p.ctrl + 1},
                     {"Reserved32", 0}, {"Reserved64", "0"}});
  }
  return paths;
}

// The I/O a disk has seen: the sums of its paths' counters.
struct DiskTotals {
  std::uint64_t reads = 0, writes = 0, bytes_read = 0, bytes_written = 0;
  void add(const Json& path_counters) {
    reads += path_counters["NumberReads"].get<std::uint64_t>();
    writes += path_counters["NumberWrites"].get<std::uint64_t>();
    bytes_read += std::stoull(path_counters["BytesRead"].get<std::string>());
    bytes_written += std::stoull(path_counters["BytesWritten"].get<std::string>());
  }
};

// The disk driver's performance record of one disk, as the WMI browser's class 0
// lists it: counters from its paths, times (100-ns units) made up from them.
Json disk_performance(const std::string& instance, unsigned disk, const DiskTotals& t) {
  Json manager = Json::array();
  for (char c : std::string("PartMgr")) manager.push_back(static_cast<unsigned>(c));
  manager.push_back(0);
  const std::string number = std::to_string(disk);
  return {{"InstanceName", instance},
          {"Active", true},
          {"PerfData", {{"BytesRead", std::to_string(t.bytes_read)}, {"BytesWritten", std::to_string(t.bytes_written)},
                        {"ReadTime", std::to_string(t.reads * 1250)}, {"WriteTime", std::to_string(t.writes * 2100)},
                        {"IdleTime", std::to_string((t.reads + t.writes) * 9000 + 5000000)},
                        {"ReadCount", static_cast<std::uint32_t>(t.reads)},
                        {"WriteCount", static_cast<std::uint32_t>(t.writes)}, {"QueueDepth", 0},
                        {"SplitCount", static_cast<std::uint32_t>(t.reads / 1000)},
                        {"QueryTime", "134080416000000000"}, {"StorageDeviceNumber", disk},
                        {"StorageManagerName", manager}}},
          {"DeviceName", "\\Device\\Harddisk" + number + "\\DR" + number}};
}

// MPIO's paths: one adapter record per path identifier, naming the PCI function of
// the path's HBA port.
Json path_information(const std::vector<DevicePlan>& devices) {
  std::unordered_set<std::uint64_t> seen;
  Json list = Json::array();
  for (const auto& dev : devices)
    for (const auto& p : dev.paths)
      if (seen.insert(p.id).second)
        list.push_back({{"PathId", std::to_string(p.id)}, {"BusNumber", 0x0A + p.hba / 2}, {"DeviceNumber", 0},
                        {"FunctionNumber", p.hba % 2}, {"AdapterName", "ZYR FC HBA Port " + std::to_string(p.hba)}});
  return Json::array({{{"InstanceName", "Root\\MPIO\\0000_0"}, {"Active", true}, {"NumberPaths", list.size()},
                       {"PathList", std::move(list)}}});
}

// The array controllers MPIO knows: controllers A and B of each array, identified by
// their node name.
Json controller_configuration(const HostSpec& spec, const char* dsm) {
  Json list = Json::array();
  for (unsigned a = 0; a < spec.arrays; ++a)
    for (unsigned c = 0; c < 2; ++c)
      list.push_back({{"IdentifierType", 1}, {"IdentifierLength", 8}, {"Identifier", bytes_of_hex(ctrl_wwpn(a, c))},
                      {"ControllerState", 1}, {"AssociatedDsm", dsm}});
  return Json::array({{{"InstanceName", "Root\\MPIO\\0000_0"}, {"Active", true},
                       {"NumberControllers", list.size()}, {"ControllerInfo", std::move(list)}}});
}

Json registered_dsms(unsigned family) {
  auto dsm = [](const char* name, std::uint64_t context, Json version) {
    return Json{{"DsmName", name}, {"DsmContext", std::to_string(context)},
                {"DsmVersion", {{"MajorVersion", version[0]}, {"MinorVersion", version[1]},
                                {"ProductBuild", version[2]}, {"QfeNumber", version[3]}}},
                {"DsmCounters", {{"PathVerifyEnabled", 0}, {"PathVerificationPeriod", 30}, {"PDORemovePeriod", 20},
                                 {"RetryCount", 3}, {"RetryInterval", 1}, {"Reserved32", 0}, {"Reserved64", "0"}}}};
  };
  Json list = Json::array();
  if (family == 6) list.push_back(dsm("Microsoft DSM", 0x8A3F1C40ull, {6, 1, 7601, 17514}));
  list.push_back(dsm("ZYRDSM", 0x8A3F2E80ull, {2, 4, 0, 20}));
  return Json::array({{{"InstanceName", "Root\\MPIO\\0000_0"}, {"NumberDSMs", list.size()}, {"DsmParameters", list}}});
}

}  // namespace

Json generate_host(const HostSpec& spec) {
  if (spec.family != 5 && spec.family != 6) throw std::invalid_argument("family must be 5 or 6");
  if (spec.arrays == 0 || spec.hba_ports == 0 || spec.controller_ports == 0 || spec.paths_per_device == 0)
    throw std::invalid_argument("arrays, HBA ports, controller ports and paths must be at least 1");
  if (spec.hba_ports > 250 || spec.arrays * spec.controller_ports > 256)
    throw std::invalid_argument("too many ports for SCSI addresses");
  if (spec.devices / spec.arrays >= 256 * 256) throw std::invalid_argument("too many devices per array");
  if (spec.paths_per_device > 255 || spec.devices > 60000) throw std::invalid_argument("host too large");

  Random rng(spec.seed);
  const auto devices = plan_devices(spec, rng);
  const bool f5 = spec.family == 5;

  Json doc = Json::object();
  doc["format"] = kFormat;
  doc["os"] = f5 ? Json{{"major", 5}, {"minor", 2}, {"build", 3790}} : Json{{"major", 6}, {"minor", 1}, {"build", 7601}};
  Json& wmi = doc["wmi"]["ROOT\\WMI"]["instances"];

  Json perf = Json::array(), descriptors = Json::array(), policies = Json::array(), policies_v1 = Json::array();
  Json drives = Json::array(), unique_ids = Json::array(), methods = Json::array();
  Json disk_drives = Json::array(), scsi = Json::array(), dosdevices = Json::object(), disk_perf = Json::array();
  disk_perf.push_back(disk_performance("SCSI\\Disk&Ven_LOCAL&Prod_BOOT\\4&1d2c3b4a&0&000000_0", 0,
                                       DiskTotals{184220, 96113, 3018211328ull, 1574719488ull}));
  disk_drives.push_back({{"DeviceID", "\\\\.\\PHYSICALDRIVE0"}, {"PNPDeviceID", "SCSI\\DISK&VEN_LOCAL&PROD_BOOT\\4&1D2C3B4A&0&000000"},
                         {"Caption", "Local boot disk"}, {"Model", "LOCAL BOOT"}, {"Index", 0}, {"InterfaceType", "SCSI"}});
  dosdevices["PhysicalDrive0"] = "\\Device\\Harddisk0\\DR0";

  for (const auto& dev : devices) {
    Json perf_info = Json::array(), pdos = Json::array();
    DiskTotals totals;
    for (const auto& p : dev.paths) {
      Json element = counters(rng);
      totals.add(element);
      if (f5) {
        std::uint32_t status = p.tpg_state == 2 ? 7 : (rng.below(40) == 0 ? 5 : 1);
        std::string identifier = p.address() + hba_wwpn(p.hba) + ctrl_wwpn(dev.array, p.ctrl) +
                                 dev.path_serial.substr(0, 8) + dev.path_serial.substr(9, 2) + hex(status, 2);
        element["pendingIOs"] = rng.below(16);
        element["PathId"] = std::to_string(p.id);
        element["PortNumber"] = p.port;
        element["ScsiPathId"] = p.bus;
        element["TargetId"] = p.target;
        element["Lun"] = p.lun;
        element["Identifier"] = bytes_of_hex(identifier);
        element["Page80"] = text_bytes(dev.path_serial);
        Json page83 = Json::array({0, 0x83, 0, 0x14, 1, 3, 0, 0x10});
        for (const auto& b : bytes_of_hex(dev.serial)) page83.push_back(b);
        element["Page83"] = page83;
        element["PageD0"] = Json::array({0, 0xD0, 0, 4, 1, 0, 0, 0});
        element["LMEI"] = Json::array({dev.array, dev.index % 256});
        element["vendorid"] = text_bytes("ZYR     ");
        element["productid"] = text_bytes("ZYR_ARRAY       ");
      } else {
        element["PathId"] = std::to_string(p.id);
      }
      perf_info.push_back(std::move(element));
      pdos.push_back({{"ScsiAddress", {{"PortNumber", p.port}, {"ScsiPathId", p.bus}, {"TargetId", p.target}, {"Lun", p.lun}}},
                      {"DeviceState", 1}, {"PathIdentifier", std::to_string(p.id)}, {"IdentifierType", 0},
                      {"IdentifierLength", 0}, {"Identifier", Json::array()}});
    }
    Json perf_instance = {{"InstanceName", dev.instance}, {"Active", true}};
    if (f5) perf_instance["NumberDevices"] = spec.devices;
    else perf_instance["NumberPaths"] = dev.paths.size();
    perf_instance["PerfInfo"] = std::move(perf_info);
    perf.push_back(std::move(perf_instance));
    descriptors.push_back({{"InstanceName", dev.instance}, {"Active", true}, {"NumberPdos", dev.paths.size()},
                           {"DeviceName", "MPIO Disk" + std::to_string(dev.index)}, {"PdoInformation", std::move(pdos)}});

    Json v2_paths = policy_paths_v2(dev, rng);
    Json v1_paths = Json::array();
    for (const auto& p : v2_paths)
      v1_paths.push_back({{"DsmPathId", p["DsmPathId"]}, {"Reserved", "0"}, {"PathWeight", p["PathWeight"]},
                          {"PrimaryPath", f5 ? (p["PrimaryPath"].get<int>() & p["OptimizedPath"].get<int>()) : p["PrimaryPath"].get<int>()}});
    if (f5) {
      policies.push_back({{"InstanceName", dev.instance}, {"Active", true},
                          {"LoadBalancePolicy", {{"Version", 0x00060530}, {"LoadBalancePolicy", dev.policy},
                                                 {"DSMPathCount", dev.paths.size()}, {"FailBack", dev.failback},
                                                 {"Reserved", 0}, {"DSM_Paths", v1_paths}}}});
    } else {
      policies.push_back({{"InstanceName", dev.instance}, {"Active", true},
                          {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", dev.policy},
                                                 {"DSMPathCount", dev.paths.size()}, {"Reserved", 0}, {"DSM_Paths", v2_paths}}}});
      policies_v1.push_back({{"InstanceName", dev.instance}, {"Active", true},
                             {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", dev.policy},
                                                    {"DSMPathCount", dev.paths.size()}, {"Reserved", 0}, {"DSM_Paths", v1_paths}}}});
    }
    drives.push_back({{"NumberPaths", dev.paths.size()}, {"Name", "MPIO Disk" + std::to_string(dev.index)},
                      {"SerialNumber", dev.serial}, {"DsmName", f5 ? "ZYRDSM" : "Microsoft DSM"}});
    unique_ids.push_back({{"InstanceName", dev.instance}, {"Active", true}, {"DsmUniqueId", std::to_string(rng.u64())}});
    methods.push_back({{"InstanceName", dev.instance}, {"Active", true}});

    const unsigned drive = dev.index + 1;
    disk_perf.push_back(disk_performance(dev.instance, drive, totals));
    std::string upper = dev.instance;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    disk_drives.push_back({{"DeviceID", "\\\\.\\PHYSICALDRIVE" + std::to_string(drive)}, {"PNPDeviceID", upper},
                           {"Caption", "ZYR Multi-Path Disk Device"}, {"Model", "ZYR Multi-Path Disk Device"},
                           {"Index", drive}, {"InterfaceType", "SCSI"}, {"SerialNumber", dev.serial},
                           {"Size", std::to_string(std::uint64_t{1} << (34 + dev.index % 4))}});
    const auto& first = dev.paths.front();
    scsi.push_back({{"names", Json::array({"\\\\.\\PhysicalDrive" + std::to_string(drive)})},
                    {"address", Json::array({first.port, first.bus, first.target, first.lun})},
                    {"registrations", Json::array()}, {"generation", 0}});
    dosdevices["PhysicalDrive" + std::to_string(drive)] =
        "\\Device\\Harddisk" + std::to_string(drive) + "\\DR" + std::to_string(drive);
  }
  for (unsigned k = 0; f5 && k < spec.pathless_disks; ++k) {
    // A driver disk whose paths are all gone: listed by MPIO, no path record.
    std::string digits = nonzero_digits(spec.devices + k + 1);
    std::string serial = family5_disk_serial(digits, 7);
    drives.push_back({{"NumberPaths", 0}, {"Name", "MPIO Disk" + std::to_string(spec.devices + k)},
                      {"SerialNumber", serial}, {"DsmName", "ZYRDSM"}});
  }

  if (f5) {
    wmi["ZYRDSM_PERFINFO"] = std::move(perf);
    wmi["ZYRDSM_QueryLBPolicy"] = std::move(policies);
    wmi["ZYRDSM_WMI_METHODS"] = std::move(methods);
    Json lb = Json::array(), fb = Json::array(), res = Json::array();
    for (const auto& dev : devices) {
      lb.push_back(dev.policy);
      fb.push_back(dev.failback);
      res.push_back(0);
    }
    wmi["ZYRDSM_CONFIGINFO"] = Json::array({{{"InstanceName", "ZYRDSM_0"}, {"Active", true}, {"NumberFOGroups", 2},
                                             {"NumberMPGroups", spec.devices}, {"LoadBalancePolicy", lb},
                                             {"FailBack", fb}, {"ReservationList", res}}});
  } else {
    wmi["MSDSM_DEVICE_PERF"] = std::move(perf);
    wmi["DSM_QueryLBPolicy_V2"] = std::move(policies);
    wmi["DSM_QueryLBPolicy"] = std::move(policies_v1);
    wmi["DSM_LB_Operations"] = methods;
    wmi["MSDSM_WMI_METHODS"] = std::move(methods);
    Json supported = Json::array();
    for (std::uint32_t p : {1, 2, 3, 4, 5, 6}) supported.push_back({{"Version", 1}, {"LoadBalancePolicy", p}});
    wmi["DSM_QuerySupportedLBPolicies_V2"] = Json::array({{{"InstanceName", "Root\\MPIO\\0000_0"}, {"Active", true},
                                                           {"SupportedLBPoliciesCount", 6},
                                                           {"Supported_LB_Policies", supported}}});
  }
  wmi["MPIO_GET_DESCRIPTOR"] = std::move(descriptors);
  wmi["MPIO_DISK_INFO"] = Json::array({{{"InstanceName", "MPIO_DISK_INFO_0"}, {"Active", true},
                                        {"NumberDrives", drives.size()}, {"DriveInfo", std::move(drives)}}});
  wmi["DSM_QueryUniqueId"] = std::move(unique_ids);
  wmi["MPIO_REGISTERED_DSM"] = registered_dsms(spec.family);
  wmi["MPIO_WMI_METHODS"] = Json::array({{{"InstanceName", "Root\\MPIO\\0000_0"}, {"Active", true}}});
  wmi["MSDiskDriver_Performance"] = std::move(disk_perf);
  wmi["MPIO_PATH_INFORMATION"] = path_information(devices);
  wmi["MPIO_CONTROLLER_CONFIGURATION"] = controller_configuration(spec, f5 ? "ZYRDSM" : "Microsoft DSM");
  wmi["MPIO_TIMERS_COUNTERS"] = Json::array({{{"InstanceName", "Root\\MPIO\\0000_0"}, {"Active", true},
                                              {"PathVerificationPeriod", 30}, {"PathVerifyEnabled", false},
                                              {"RetryCount", 3}, {"RetryInterval", 1}, {"PDORemovePeriod", 20}}});
  doc["wmi"]["ROOT\\CIMV2"]["instances"]["Win32_DiskDrive"] = std::move(disk_drives);

  auto dword = [](std::uint32_t v) { return Json{{"type", "REG_DWORD"}, {"data", v}}; };
  doc["registry"]["HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters"] = {
      {"DbgPrintLevel", dword(1)},     {"DsmUsePersistentReservation", dword(1)},
      {"SkipiSCSIDevice", dword(0)},   {"SkipSASDevice", dword(0)},
      {"RetriesGetVPDPage", dword(3)}, {"DsmOptionsFlag", dword(0)},
      {"DsmPersistentReservationKey", {{"type", "REG_BINARY"}, {"data", "5A59524B45593031"}}}};
  doc["scsi"] = std::move(scsi);
  doc["dosdevices"] = std::move(dosdevices);
  doc["events"] = Json::array(
      {{{"InstanceName", "MPIO_EventEntry_0"}, {"Active", true}, {"TimeStamp", "134080416000000000"}, {"Severity", 4},
        {"Component", "ZYRDSM"}, {"EventDescription", "Path verification completed on all paths."}}});
  return doc;
}

}  // namespace simstack
