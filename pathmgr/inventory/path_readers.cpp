#include "inventory/path_readers.h"

#include <cstdlib>

#include "inventory/names.h"
#include "text/hex_digits.h"
#include "text/text_convert.h"
#include "wmi/wmi_access.h"

namespace {

using wmi::Object;
using wmi::Value;
using wmi::wmi_get;

std::vector<std::uint8_t> byte_array(const Object& object, std::wstring_view name) {
  std::vector<std::uint8_t> bytes;
  Value v = wmi_get(object, name);
  if (!v.is_array()) return bytes;
  bytes.reserve(v.elements.size());
  for (const auto& e : v.elements) bytes.push_back(e.as_u8());
  return bytes;
}

// Calls `each` for every non-null embedded object of an array property.
template <class F>
void for_each_element(const Object& object, std::wstring_view name, F&& each) {
  Value array = wmi_get(object, name);
  for (const auto& e : array.elements)
    if (e.object) each(*e.object);
}

// Characters [from, from+count) of `text`, or what of them exists.
std::string chars(const std::string& text, std::size_t from, std::size_t count) {
  return from < text.size() ? text.substr(from, count) : std::string();
}

}  // namespace

std::string scsi_address_text(std::uint8_t port, std::uint8_t bus, std::uint8_t target, std::uint8_t lun) {
  std::string text;
  text.reserve(8);
  for (std::uint8_t part : {port, bus, target, lun}) append_hex(text, part, 2);
  return text;
}

void decode_path_identifier(const std::vector<std::uint8_t>& identifier, PathRecord& record) {
  std::string hex;
  hex.reserve(identifier.size() * 2);
  for (std::uint8_t b : identifier) append_hex(hex, b, 2);
  record.ScsiAddress = chars(hex, 0, 8);
  record.HbaWWPN = chars(hex, 8, 16);
  record.CtrlPortWWPN = chars(hex, 24, 16);
  record.SerialNumber = chars(hex, 40, 8) + "-" + chars(hex, 48, 2);
  // The status byte's two hexadecimal digits are read as a decimal number.
  record.State = path_status_name(std::strtol(chars(hex, 50, 2).c_str(), nullptr, 10));
}

std::string page83_id(const std::vector<std::uint8_t>& page83) {
  std::string text;
  for (std::size_t i = 8; i < 24 && i < page83.size(); ++i) append_hex(text, page83[i], 1);  // no padding
  return text;
}

int read_path_perf(Session& s, std::vector<PathRecord>& paths) {
  const bool f5 = s.family5();
  return s.wmi->enumerate(f5 ? L"ZYRDSM_PERFINFO" : L"MSDSM_DEVICE_PERF", [&](Object& instance) {
    std::wstring name = wmi::wmi_get_text(instance, L"InstanceName");
    for_each_element(instance, L"PerfInfo", [&](const Object& e) {
      PathRecord r;
      r.InstanceName = name;
      r.BytesRead = wmi_get(e, L"BytesRead").as_u64_text();
      r.BytesWritten = wmi_get(e, L"BytesWritten").as_u64_text();
      r.NumberReads = wmi_get(e, L"NumberReads").as_u32();
      r.NumberWrites = wmi_get(e, L"NumberWrites").as_u32();
      if (f5) {
        r.PendingIOs = wmi_get(e, L"pendingIOs").as_u32();
        decode_path_identifier(byte_array(e, L"Identifier"), r);
        r.Page83Id = page83_id(byte_array(e, L"Page83"));
      } else {
        r.PathId = wmi_get(e, L"PathId").as_u64_text();
      }
      paths.push_back(std::move(r));
    });
    return true;
  });
}

int read_descriptors(Session& s, std::vector<DescriptorRecord>& descriptors) {
  HResult hr = s.wmi->enumerate(L"MPIO_GET_DESCRIPTOR", [&](Object& instance) {
    std::wstring name = wmi::wmi_get_text(instance, L"InstanceName");
    for_each_element(instance, L"PdoInformation", [&](const Object& e) {
      DescriptorRecord d;
      d.InstanceName = name;
      d.PathIdentifier = wmi_get(e, L"PathIdentifier").as_u64_text();
      Value address = wmi_get(e, L"ScsiAddress");
      if (address.object) {
        d.Lun = wmi_get(*address.object, L"Lun").as_u8();
        d.PortNumber = wmi_get(*address.object, L"PortNumber").as_u8();
        d.ScsiPathId = wmi_get(*address.object, L"ScsiPathId").as_u8();
        d.TargetId = wmi_get(*address.object, L"TargetId").as_u8();
      }
      d.ScsiAddress = scsi_address_text(d.PortNumber, d.ScsiPathId, d.TargetId, d.Lun);
      descriptors.push_back(std::move(d));
    });
    return true;
  });
  return hr_failed(hr) ? 1 : 0;
}

int read_disk_info(Session& s, std::vector<DiskInfoRecord>& disks) {
  HResult hr = s.wmi->enumerate(L"MPIO_DISK_INFO", [&](Object& instance) {
    for_each_element(instance, L"DriveInfo", [&](const Object& e) {
      DiskInfoRecord d;
      d.SerialNumber = narrow_low_bytes(wmi::wmi_get_text(e, L"SerialNumber"));
      d.DsmName = wmi::wmi_get_text(e, L"DsmName");
      d.Name = wmi::wmi_get_text(e, L"Name");
      d.NumberPaths = wmi_get(e, L"NumberPaths").as_i32();
      disks.push_back(std::move(d));
    });
    return true;
  });
  return hr_failed(hr) ? 1 : 0;
}
