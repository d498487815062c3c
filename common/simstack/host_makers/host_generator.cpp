#include "simstack/host_makers/host_generator.h"

#include "simstack/state_file/hex_text.h"
#include "simstack/state_file/json_text.h"
#include "simstack/state_file/state_file.h"

#include <array>
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

// The I/O a path, or a disk (the sums of its paths'), has seen.
struct Counters {
  std::uint64_t reads = 0, writes = 0, bytes_read = 0, bytes_written = 0;
  void operator+=(const Counters& c) {
    reads += c.reads, writes += c.writes, bytes_read += c.bytes_read, bytes_written += c.bytes_written;
  }
};

Counters path_counters(Random& rng) {
  Counters c;
  c.reads = rng.below(2000000000u);
  c.writes = rng.below(2000000000u);
  c.bytes_read = rng.u64() >> 22;
  c.bytes_written = rng.u64() >> 22;
  return c;
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

Json byte_array(const JsonMaker& make, const std::vector<std::uint8_t>& bytes) {
  Json arr = make.array();
  for (unsigned b : bytes) make.push(arr, b);
  return arr;
}

Json text_bytes(const JsonMaker& make, const std::string& text) { return byte_array(make, {text.begin(), text.end()}); }
std::vector<std::uint8_t> hex_bytes(const std::string& text) { return bytes_of_hex(text, "generated host"); }

// The policy paths' flags: ALUA state pairs; under FailOver only the first
// Active/Optimized path stays optimized and active.
Json policy_paths_v2(const JsonMaker& make, const DevicePlan& dev, Random& rng) {
  Json paths = make.array();
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
    const std::uint32_t weight = dev.policy == 5 ? 1 + rng.below(100) : 0;
    make.push(paths, make.object({{"DsmPathId", std::to_string(p.id)}, {"Reserved", "0"}, {"PathWeight", weight},
                                  {"PrimaryPath", primary}, {"OptimizedPath", optimized},
                                  {"PreferredPath", dev.policy == 1 && p.ctrl % 2 == dev.index % 2 ? 1 : 0},
                                  {"FailedPath", 0}, {"TargetPortGroup_State", p.tpg_state},
                                  {"ALUASupport", dev.alua_support}, {"SymmetricLUA", dev.symmetric},
                                  {"TargetPortGroup_Preferred", p.ctrl % 2 == dev.index % 2 ? 1 : 0},
                                  {"TargetPortGroup_Identifier", p.ctrl % 2 + 1}, {"TargetPort_Identifier", p.ctrl + 1},
                                  {"Reserved32", 0}, {"Reserved64", "0"}}));
  }
  return paths;
}

// The version-1 records of the same paths: family 5 has one primary flag for both of
// version 2.
Json policy_paths_v1(const JsonMaker& make, const Json& v2_paths, bool family5) {
  Json paths = make.array();
  for (const auto& p : v2_paths.GetArray()) {
    const std::int64_t primary = *int_member(p, "PrimaryPath") & (family5 ? *int_member(p, "OptimizedPath") : 1);
    make.push(paths, make.object({{"DsmPathId", make.copy(*member(p, "DsmPathId"))}, {"Reserved", "0"},
                                  {"PathWeight", make.copy(*member(p, "PathWeight"))}, {"PrimaryPath", primary}}));
  }
  return paths;
}

// The disk driver's performance record of one disk, as the WMI browser's class 0
// lists it: counters from its paths, times (100-ns units) made up from them.
Json disk_performance(const JsonMaker& make, const std::string& instance, unsigned disk, const Counters& t) {
  Json manager = text_bytes(make, "PartMgr");
  make.push(manager, 0);
  const std::string number = std::to_string(disk);
  return make.object(
      {{"InstanceName", instance}, {"Active", true},
       {"PerfData", make.object({{"BytesRead", std::to_string(t.bytes_read)}, {"BytesWritten", std::to_string(t.bytes_written)},
                                 {"ReadTime", std::to_string(t.reads * 1250)}, {"WriteTime", std::to_string(t.writes * 2100)},
                                 {"IdleTime", std::to_string((t.reads + t.writes) * 9000 + 5000000)},
                                 {"ReadCount", static_cast<std::uint32_t>(t.reads)},
                                 {"WriteCount", static_cast<std::uint32_t>(t.writes)}, {"QueueDepth", 0},
                                 {"SplitCount", static_cast<std::uint32_t>(t.reads / 1000)},
                                 {"QueryTime", "134080416000000000"}, {"StorageDeviceNumber", disk},
                                 {"StorageManagerName", std::move(manager)}})},
       {"DeviceName", "\\Device\\Harddisk" + number + "\\DR" + number}});
}

// MPIO's paths: one adapter record per path identifier, naming the PCI function of
// the path's HBA port.
Json path_information(const JsonMaker& make, const std::vector<DevicePlan>& devices) {
  std::unordered_set<std::uint64_t> seen;
  Json list = make.array();
  for (const auto& dev : devices)
    for (const auto& p : dev.paths)
      if (seen.insert(p.id).second)
        make.push(list, make.object({{"PathId", std::to_string(p.id)}, {"BusNumber", 0x0A + p.hba / 2},
                                     {"DeviceNumber", 0}, {"FunctionNumber", p.hba % 2},
                                     {"AdapterName", "ZYR FC HBA Port " + std::to_string(p.hba)}}));
  const unsigned count = list.Size();
  return make.array({make.object({{"InstanceName", "Root\\MPIO\\0000_0"}, {"Active", true}, {"NumberPaths", count},
                                  {"PathList", std::move(list)}})});
}

// The array controllers MPIO knows: controllers A and B of each array, identified by
// their node name.
Json controller_configuration(const JsonMaker& make, const HostSpec& spec, const char* dsm) {
  Json list = make.array();
  for (unsigned a = 0; a < spec.arrays; ++a)
    for (unsigned c = 0; c < 2; ++c)
      make.push(list, make.object({{"IdentifierType", 1}, {"IdentifierLength", 8},
                                   {"Identifier", byte_array(make, hex_bytes(ctrl_wwpn(a, c)))},
                                   {"ControllerState", 1}, {"AssociatedDsm", dsm}}));
  const unsigned count = list.Size();
  return make.array({make.object({{"InstanceName", "Root\\MPIO\\0000_0"}, {"Active", true},
                                  {"NumberControllers", count}, {"ControllerInfo", std::move(list)}})});
}

// Moves the members of `from` into `into`: objects merged with those already there,
// arrays appended to them, any other value put in place.
void merge(const JsonMaker& make, Json& into, Json& from) {
  for (auto m = from.MemberBegin(); m != from.MemberEnd(); ++m) {
    Json* there = member(into, name_of(m));
    if (there != nullptr && there->IsObject() && m->value.IsObject()) {
      merge(make, *there, m->value);
    } else if (there != nullptr && there->IsArray() && m->value.IsArray()) {
      for (auto& e : m->value.GetArray()) there->PushBack(e, make.allocator());
    } else {
      make.put(into, name_of(m), std::move(m->value));
    }
  }
}

// The parts of a host that no spec changes: the boot disk, the registered DSMs, the
// driver's registry key, the methods and timers instances, the first event.
const JsonDocument& host_template() {
  static const JsonDocument doc = parse_embedded(host_template_text(), "host_template.json");
  return doc;
}

}  // namespace

JsonDocument generate_host(const HostSpec& spec) {
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

  JsonDocument doc;
  const JsonMaker make(doc);
  doc.SetObject();
  make.put(doc, "format", kFormat);
  for (const char* part : {"common", f5 ? "5" : "6"}) {
    Json fixed = make.copy(*member(host_template(), part));
    merge(make, doc, fixed);
  }

  Json perf = make.array(), descriptors = make.array(), policies = make.array(), policies_v1 = make.array();
  Json drives = make.array(), unique_ids = make.array(), methods = make.array(), methods_v2 = make.array();
  Json disk_drives = make.array(), scsi = make.array(), dosdevices = make.object(), disk_perf = make.array();
  for (const auto& dev : devices) {
    Json perf_info = make.array(), pdos = make.array();
    Counters totals;
    for (const auto& p : dev.paths) {
      const Counters c = path_counters(rng);
      totals += c;
      Json element = make.object({{"NumberReads", c.reads}, {"NumberWrites", c.writes},
                                  {"BytesRead", std::to_string(c.bytes_read)},
                                  {"BytesWritten", std::to_string(c.bytes_written)}});
      if (f5) {
        std::uint32_t status = p.tpg_state == 2 ? 7 : (rng.below(40) == 0 ? 5 : 1);
        std::string identifier = p.address() + hba_wwpn(p.hba) + ctrl_wwpn(dev.array, p.ctrl) +
                                 dev.path_serial.substr(0, 8) + dev.path_serial.substr(9, 2) + hex(status, 2);
        std::vector<std::uint8_t> page83 = {0, 0x83, 0, 0x14, 1, 3, 0, 0x10}, serial = hex_bytes(dev.serial);
        page83.insert(page83.end(), serial.begin(), serial.end());
        Json more = make.object(
            {{"pendingIOs", rng.below(16)}, {"PathId", std::to_string(p.id)}, {"PortNumber", p.port},
             {"ScsiPathId", p.bus}, {"TargetId", p.target}, {"Lun", p.lun},
             {"Identifier", byte_array(make, hex_bytes(identifier))}, {"Page80", text_bytes(make, dev.path_serial)},
             {"Page83", byte_array(make, page83)}, {"PageD0", byte_array(make, {0, 0xD0, 0, 4, 1, 0, 0, 0})},
             {"LMEI", byte_array(make, {static_cast<std::uint8_t>(dev.array), static_cast<std::uint8_t>(dev.index % 256)})},
             {"vendorid", text_bytes(make, "ZYR     ")}, {"productid", text_bytes(make, "ZYR_ARRAY       ")}});
        merge(make, element, more);
      } else {
        make.put(element, "PathId", std::to_string(p.id));
      }
      make.push(perf_info, std::move(element));
      make.push(pdos, make.object({{"ScsiAddress", make.object({{"PortNumber", p.port}, {"ScsiPathId", p.bus},
                                                                {"TargetId", p.target}, {"Lun", p.lun}})},
                                   {"DeviceState", 1}, {"PathIdentifier", std::to_string(p.id)}, {"IdentifierType", 0},
                                   {"IdentifierLength", 0}, {"Identifier", make.array()}}));
    }
    const std::size_t path_count = dev.paths.size();
    Json perf_instance = make.object({{"InstanceName", dev.instance}, {"Active", true}});
    if (f5) make.put(perf_instance, "NumberDevices", spec.devices);
    else make.put(perf_instance, "NumberPaths", path_count);
    make.put(perf_instance, "PerfInfo", std::move(perf_info));
    make.push(perf, std::move(perf_instance));
    make.push(descriptors, make.object({{"InstanceName", dev.instance}, {"Active", true}, {"NumberPdos", path_count},
                                        {"DeviceName", "MPIO Disk" + std::to_string(dev.index)},
                                        {"PdoInformation", std::move(pdos)}}));

    Json v2_paths = policy_paths_v2(make, dev, rng);
    Json v1_paths = policy_paths_v1(make, v2_paths, f5);
    // The device's policy record: family 5 the driver's own (with fail-back), family 6
    // MPIO's version 2 and its version-1 view.
    auto policy = [&](std::uint32_t version, Json paths) {
      Json record = make.object({{"Version", version}, {"LoadBalancePolicy", dev.policy}, {"DSMPathCount", path_count}});
      if (f5) make.put(record, "FailBack", dev.failback);
      make.put(record, "Reserved", 0);
      make.put(record, "DSM_Paths", std::move(paths));
      return make.object({{"InstanceName", dev.instance}, {"Active", true}, {"LoadBalancePolicy", std::move(record)}});
    };
    if (f5) {
      make.push(policies, policy(0x00060530, std::move(v1_paths)));
    } else {
      make.push(policies, policy(1, std::move(v2_paths)));
      make.push(policies_v1, policy(1, std::move(v1_paths)));
    }
    make.push(drives, make.object({{"NumberPaths", path_count}, {"Name", "MPIO Disk" + std::to_string(dev.index)},
                                   {"SerialNumber", dev.serial}, {"DsmName", f5 ? "ZYRDSM" : "Microsoft DSM"}}));
    make.push(unique_ids, make.object({{"InstanceName", dev.instance}, {"Active", true},
                                       {"DsmUniqueId", std::to_string(rng.u64())}}));
    make.push(methods, make.object({{"InstanceName", dev.instance}, {"Active", true}}));
    make.push(methods_v2, make.object({{"InstanceName", dev.instance}, {"Active", true}}));

    const unsigned drive = dev.index + 1;
    make.push(disk_perf, disk_performance(make, dev.instance, drive, totals));
    std::string upper = dev.instance;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    make.push(disk_drives, make.object({{"DeviceID", "\\\\.\\PHYSICALDRIVE" + std::to_string(drive)}, {"PNPDeviceID", upper},
                                        {"Caption", "ZYR Multi-Path Disk Device"}, {"Model", "ZYR Multi-Path Disk Device"},
                                        {"Index", drive}, {"InterfaceType", "SCSI"}, {"SerialNumber", dev.serial},
                                        {"Size", std::to_string(std::uint64_t{1} << (34 + dev.index % 4))}}));
    const auto& first = dev.paths.front();
    make.push(scsi, make.object({{"names", make.array({"\\\\.\\PhysicalDrive" + std::to_string(drive)})},
                                 {"address", make.array({first.port, first.bus, first.target, first.lun})},
                                 {"registrations", make.array()}, {"generation", 0}}));
    make.put(dosdevices, "PhysicalDrive" + std::to_string(drive),
             "\\Device\\Harddisk" + std::to_string(drive) + "\\DR" + std::to_string(drive));
  }
  for (unsigned k = 0; f5 && k < spec.pathless_disks; ++k) {
    // A driver disk whose paths are all gone: listed by MPIO, no path record.
    std::string digits = nonzero_digits(spec.devices + k + 1);
    std::string serial = family5_disk_serial(digits, 7);
    make.push(drives, make.object({{"NumberPaths", 0}, {"Name", "MPIO Disk" + std::to_string(spec.devices + k)},
                                   {"SerialNumber", serial}, {"DsmName", "ZYRDSM"}}));
  }

  Json wmi = make.object();
  if (f5) {
    make.put(wmi, "ZYRDSM_PERFINFO", std::move(perf));
    make.put(wmi, "ZYRDSM_QueryLBPolicy", std::move(policies));
    make.put(wmi, "ZYRDSM_WMI_METHODS", std::move(methods));
    Json lb = make.array(), fb = make.array(), res = make.array();
    for (const auto& dev : devices) {
      make.push(lb, dev.policy);
      make.push(fb, dev.failback);
      make.push(res, 0);
    }
    make.put(wmi, "ZYRDSM_CONFIGINFO",
             make.array({make.object({{"InstanceName", "ZYRDSM_0"}, {"Active", true}, {"NumberFOGroups", 2},
                                      {"NumberMPGroups", spec.devices}, {"LoadBalancePolicy", std::move(lb)},
                                      {"FailBack", std::move(fb)}, {"ReservationList", std::move(res)}})}));
  } else {
    make.put(wmi, "MSDSM_DEVICE_PERF", std::move(perf));
    make.put(wmi, "DSM_QueryLBPolicy_V2", std::move(policies));
    make.put(wmi, "DSM_QueryLBPolicy", std::move(policies_v1));
    make.put(wmi, "DSM_LB_Operations", std::move(methods));
    make.put(wmi, "MSDSM_WMI_METHODS", std::move(methods_v2));
  }
  make.put(wmi, "MPIO_GET_DESCRIPTOR", std::move(descriptors));
  const unsigned drive_count = drives.Size();
  make.put(wmi, "MPIO_DISK_INFO", make.array({make.object({{"InstanceName", "MPIO_DISK_INFO_0"}, {"Active", true},
                                                           {"NumberDrives", drive_count}, {"DriveInfo", std::move(drives)}})}));
  make.put(wmi, "DSM_QueryUniqueId", std::move(unique_ids));
  make.put(wmi, "MSDiskDriver_Performance", std::move(disk_perf));
  make.put(wmi, "MPIO_PATH_INFORMATION", path_information(make, devices));
  make.put(wmi, "MPIO_CONTROLLER_CONFIGURATION", controller_configuration(make, spec, f5 ? "ZYRDSM" : "Microsoft DSM"));

  // The generated lists after the template's: the boot disk stays the first disk.
  Json generated = make.object({{"wmi", make.object({{"ROOT\\WMI", make.object({{"instances", std::move(wmi)}})},
                                                     {"ROOT\\CIMV2", make.object({{"instances", make.object({{"Win32_DiskDrive", std::move(disk_drives)}})}})}})},
                                {"scsi", std::move(scsi)}, {"dosdevices", std::move(dosdevices)}});
  merge(make, doc, generated);
  return doc;
}

}  // namespace simstack
