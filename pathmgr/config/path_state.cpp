#include "config/path_state.h"

#include <algorithm>
#include <unordered_map>

#include "config/policy_write.h"
#include "inventory/names.h"
#include "inventory/path_readers.h"
#include "inventory/policy_readers.h"
#include "session/words.h"
#include "wmi/wmi_access.h"

namespace {

constexpr std::size_t kNoRow = AluaStates.size();

std::size_t row_of_word(const std::string& word) {
  for (std::size_t i = 0; i < AluaStates.size(); ++i)
    if (equals_nocase(word, AluaStates[i].number) || equals_nocase(word, AluaStates[i].name)) return i;
  return kNoRow;
}

void set_row(DevicePathEntry& p, std::size_t row) {
  p.PrimaryPath = AluaStates[row].PrimaryPath;
  p.OptimizedPath = AluaStates[row].OptimizedPath;
}

std::optional<std::int32_t> path_status_of(const std::string& word) {
  if (equals_nocase(word, "Online")) return 1;
  if (equals_nocase(word, "Failed")) return 5;
  if (equals_nocase(word, "Standby")) return 7;
  return std::nullopt;
}

}  // namespace

int set_path_state(Session& s, const std::string& serial, std::uint64_t id, const std::string& word) {
  s.out << "\n";
  const std::size_t new_row = row_of_word(word);
  if (new_row == kNoRow) {
    s.out << "Invalid new state.\n      State: \n      0: Active/Optimized\n      1: Active/Unoptimized\n"
             "      2: Standby\n      3: Unavailable\n"
          << std::endl;
    return 1;
  }
  std::vector<DeviceRecord> devices;
  if (int rc = read_devices_v2(s, devices); rc != 0) return rc;
  for (const auto& d : devices) {
    if (d.SerialNumber != serial) continue;
    DeviceRecord copy = d;
    auto found = std::find_if(copy.Paths.begin(), copy.Paths.end(), [&](const DevicePathEntry& p) { return p.DsmPathId == id; });
    if (found == copy.Paths.end()) continue;
    const std::size_t target = static_cast<std::size_t>(found - copy.Paths.begin());
    DevicePathEntry& path = copy.Paths[target];
    const std::size_t current_row = alua_row_of_flags(path.PrimaryPath, path.OptimizedPath);
    set_row(path, new_row);
    if (new_row >= 3 && path.TargetPortGroup_State < 3) {
      s.out << "Invalid to set the specified path as " << word << std::endl;
      return 1;
    }
    if (new_row == current_row) {
      s.out << "New path state same with old state." << std::endl;
      return 0;
    }
    if (copy.LoadBalancePolicy == 1 && copy.Paths.size() >= 2) {
      if (new_row == 0) {
        for (std::size_t i = 0; i < copy.Paths.size(); ++i)
          if (i != target) set_row(copy.Paths[i], copy.Paths[i].SymmetricLUA != 0 ? 2 : 1);
      } else {
        // The other path of the best target port group state takes over (earliest on a tie).
        std::size_t best = copy.Paths.size();
        for (std::size_t i = 0; i < copy.Paths.size(); ++i)
          if (i != target && (best == copy.Paths.size() ||
                              copy.Paths[i].TargetPortGroup_State < copy.Paths[best].TargetPortGroup_State))
            best = i;
        set_row(copy.Paths[best], 0);
      }
    }
    int rc = exec_set_lb_policy_alua(s, copy);
    if (rc == kWBEM_E_INVALID_PARAMETER) s.out << "Invalid new path state." << std::endl;
    s.out << " Set path state: " << (rc == 0 ? "OK" : "Failed") << "\n" << std::endl;
    return rc;
  }
  s.out << "Bad Device or PathId!" << std::endl;
  return 1;
}

int set_hba_path_status(Session& s, const std::string& hba, const std::string& word) {
  auto status = path_status_of(word);
  if (!status) return print_command_help(s);
  std::vector<DeviceRecord> devices;
  std::vector<PathRecord> paths;
  std::vector<DescriptorRecord> descriptors;
  if (int rc = read_policies_v1(s, devices, 0, nullptr, nullptr); rc != 0) return rc;
  if (int rc = read_path_perf(s, paths); rc != 0) return rc;
  if (int rc = read_descriptors(s, descriptors); rc != 0) return rc;
  if (devices.empty()) return 0;

  std::unordered_map<std::string, std::vector<std::uint64_t>> ids_by_address;
  for (const auto& d : descriptors) ids_by_address[d.ScsiAddress].push_back(d.PathIdentifier);
  std::vector<std::uint64_t> ids;
  for (const auto& r : paths) {
    if (r.HbaWWPN != hba) continue;
    if (auto it = ids_by_address.find(r.ScsiAddress); it != ids_by_address.end())
      ids.insert(ids.end(), it->second.begin(), it->second.end());
  }
  if (ids.empty()) return print_command_help(s);

  HResult hr = s.wmi->enumerate(L"DSM_LB_Operations", [](wmi::Object&) { return true; });
  if (hr_failed(hr)) return hr;
  std::optional<std::wstring> instance;
  hr = s.wmi->enumerate(L"ZYRDSM_WMI_METHODS", [&](wmi::Object& o) {
    instance = wmi::wmi_get_text(o, L"InstanceName");
    return false;  // the first instance takes the call
  });
  if (hr_failed(hr)) return hr;
  if (!instance) return report_no_method_instance(s, "ZYRDSM_WMI_METHODS");

  wmi::ObjectPtr in, record, status_class;
  if (hr_failed(hr = wmi::spawn_method_params(*s.wmi, L"ZYRDSM_WMI_METHODS", L"ZyrDsmSetPathStatus", in)) || !in)
    return hr_failed(hr) ? hr : 1;
  if (hr_failed(hr = wmi::spawn_object(*s.wmi, L"DSM_Set_Path_Status", record))) return hr;
  if (hr_failed(hr = record->put(L"Version", wmi::Value::i4(1)))) return hr;
  if (hr_failed(hr = record->put(L"DSMPathStatusCount", wmi::Value::i4(static_cast<std::int32_t>(ids.size()))))) return hr;
  if (hr_failed(hr = s.wmi->get_class(L"MPIO_DSM_PathStatus", status_class))) return hr;
  std::vector<wmi::Value> elements;
  for (std::uint64_t id : ids) {
    wmi::ObjectPtr element;
    if (hr_failed(hr = status_class->spawn_instance(element))) return hr;
    if (hr_failed(hr = element->put(L"PathId", wmi::Value::bstr(wmi::u64_to_decimal_text(id)))) ||
        hr_failed(hr = element->put(L"Reserved", wmi::Value::i4(0))) ||
        hr_failed(hr = element->put(L"PathStatus", wmi::Value::i4(*status))))
      return hr;
    elements.push_back(wmi::Value::unknown(element));
  }
  if (hr_failed(hr = record->put(L"DSM_PathStatus", wmi::Value::array(wmi::VT_UNKNOWN, std::move(elements))))) return hr;
  if (hr_failed(hr = in->put(L"setPathStatus", wmi::Value::unknown(record)))) return hr;
  hr = wmi::wmi_call(*s.wmi, wmi::wmi_object_path(L"ZYRDSM_WMI_METHODS", *instance), L"ZyrDsmSetPathStatus", in.get());
  if (hr_failed(hr)) {
    s.out << "Set Path Status Failed " << std::endl << hr << std::endl;
    return 1;
  }
  return 0;
}
