#include "simstack/host_makers/install_host.h"

#include <cstdio>
#include <string>

namespace simstack {

namespace {

constexpr const char* kAdapterClass = "{4D36E97B-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kDiskClass = "{4D36E967-E325-11CE-BFC1-08002BE10318}";

std::string numbered(const char* format, unsigned n) {
  char buf[128];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

// A started device, as the device tree lists it.
Json device(const JsonMaker& make, const std::string& instance, const char* device_class, Json hardware_ids,
            const std::string& enumerator, const char* driver) {
  return make.object({{"instance_id", instance}, {"class", device_class}, {"hardware_ids", std::move(hardware_ids)},
                      {"enumerator", enumerator}, {"started", true}, {"config_flags", 0}, {"driver", driver},
                      {"reboot", false}});
}

// A disk as the SCSI bus (or MPIO, with "MPIO" as bus) presents it: the vendor and
// product padded to 8 and 16 characters with underscores, then the revision.
Json disk(const JsonMaker& make, const std::string& bus, const std::string& vendor, const std::string& product,
          const std::string& instance) {
  std::string v = vendor, p = product;
  v.resize(8, '_');
  p.resize(16, '_');
  return device(make, instance, kDiskClass,
                make.array({bus + "\\Disk" + v + p + "0100", bus + "\\Disk" + v + p, bus + "\\Disk" + v,
                            bus + "\\" + v + p + "0", v + p + "0", "GenDisk"}),
                bus, "disk.inf");
}

}  // namespace

void add_install_devices(JsonDocument& host, const InstallHostSpec& spec) {
  JsonMaker make(host);
  Json devices = make.array();
  for (unsigned a = 0; a < spec.adapters; ++a)
    make.push(devices, device(make, numbered("PCI\\VEN_FFFE&DEV_0A01&SUBSYS_00000000&REV_01\\3&2B8E0B4B&0&%02X", a),
                              kAdapterClass,
                              make.array({"PCI\\VEN_FFFE&DEV_0A01&SUBSYS_00000000&REV_01", "PCI\\VEN_FFFE&DEV_0A01"}),
                              "PCI", "oem1.inf"));
  if (spec.family <= 5)
    make.push(devices, device(make, "ROOT\\MPIO\\0000", kAdapterClass, make.array({"Detected\\MPIO"}), "ROOT", "mpio.inf"));
  for (unsigned d = 0; d < spec.module_disks; ++d) {
    make.push(devices, disk(make, "SCSI", "ZYR", "FLEXARRAY",
                            numbered("SCSI\\DISK&VEN_ZYR&PROD_FLEXARRAY&REV_0100\\5&1A2B3C4D&0&%06X", d + 0x100)));
    if (spec.family >= 6)  // the system's MPIO already gathers the paths of each unit into one disk
      make.push(devices, disk(make, "MPIO", "ZYR", "FLEXARRAY",
                              numbered("MPIO\\DISK&VEN_ZYR&PROD_FLEXARRAY&REV_0100\\1&7F6AC24&0&%04X", d)));
  }
  for (unsigned d = 0; d < spec.other_disks; ++d)
    make.push(devices, disk(make, "SCSI", "QVX", "LOCALDISK",
                            numbered("SCSI\\DISK&VEN_QVX&PROD_LOCALDISK&REV_0100\\5&3C4D5E6F&0&%06X", d)));
  make.put(host, "devices", std::move(devices));
  make.put(host, "windows", "windows");
  Json& reg = make.child(host, "registry", make.object());
  if (!reg.IsObject()) reg.SetObject();
  make.put(reg, "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\" + std::string(kAdapterClass), make.object());
  if (spec.family >= 6)
    make.put(reg, "HKLM\\SYSTEM\\CurrentControlSet\\Control\\MPDEV",
             make.object({{"MPIOSupportedDeviceList", make.object({{"type", "REG_MULTI_SZ"}, {"data", make.array()}})}}));
  make.put(host, "os", spec.family <= 5 ? make.object({{"major", 5}, {"minor", 2}}) : make.object({{"major", 6}, {"minor", 0}}));
}

}  // namespace simstack
