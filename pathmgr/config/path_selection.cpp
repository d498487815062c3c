#include "config/path_selection.h"

#include <functional>

#include "config/policy_write.h"
#include "inventory/policy_readers.h"
#include "session/words.h"

namespace {

// Policy number of a family-5 policy name (exact); any other name gives 1.
std::uint32_t policy_number_of(const std::string& name) {
  static const char* const kNames[] = {"FailOver", "RoundRobin", "RoundRobinSubset", "Dynlqd", "Weighted", "LeastBlocks"};
  for (std::uint32_t i = 0; i < 6; ++i)
    if (name == kNames[i]) return i + 1;
  return 1;
}

// The family-5 devices and the first one with a path of this id; prints "Bad PathId!".
int find_device_with_path(Session& s, std::uint64_t id, std::vector<DeviceRecord>& devices, const DeviceRecord*& found) {
  if (int rc = read_policies_v1(s, devices, 0, nullptr, nullptr); rc != 0) return rc;
  for (const auto& d : devices)
    for (const auto& p : d.Paths)
      if (p.DsmPathId == id) {
        found = &d;
        return 0;
      }
  s.out << "Bad PathId!" << std::endl;
  return 1;
}

// Family 6: the first device with the serial that has the path gets `change`, if its
// policy is `required`; the copy is sent and the outcome printed under `label`.
int change_path_v2(Session& s, const std::string& serial, std::uint64_t id, const char* required,
                   const char* wrong_policy_message, const char* label,
                   const std::function<void(DevicePathEntry&)>& change) {
  s.out << "\n";
  std::vector<DeviceRecord> devices;
  if (int rc = read_devices_v2(s, devices); rc != 0) return rc;
  for (const auto& d : devices) {
    if (d.SerialNumber != serial) continue;
    DeviceRecord copy = d;
    for (auto& p : copy.Paths) {
      if (p.DsmPathId != id) continue;
      change(p);
      if (copy.PolicyName != required) {
        s.out << wrong_policy_message << std::endl;
        return 1;
      }
      int rc = exec_set_lb_policy_alua(s, copy);
      s.out << " " << label << (rc == 0 ? ": OK" : " : Failed") << "\n" << std::endl;
      return rc;
    }
  }
  s.out << "Bad Device or PathId!" << std::endl;
  return 1;
}

}  // namespace

int set_path_primary(Session& s, std::uint64_t id, int flag) {
  std::vector<DeviceRecord> devices;
  const DeviceRecord* device = nullptr;
  if (int rc = find_device_with_path(s, id, devices, device); rc != 0) return rc;
  PathList list = device->Paths;
  const std::uint32_t policy = policy_number_of(device->PolicyName);
  for (auto& p : list) {
    if (p.DsmPathId == id) {
      p.PrimaryPath = flag != 0;
    } else if (policy == 1) {
      if (flag == 0) return 0;  // under FailOver a secondary changes nothing
      p.PrimaryPath = false;
    }
  }
  // Fail-back belongs to FailOver: its flag would turn any other policy into FailOver.
  const bool failback_on = device->PolicyName == "FailOver" && device->FailbackName == "failback-on";
  return exec_set_lb_policy_queried(s, list, policy, failback_on);
}

int set_path_weight(Session& s, std::uint64_t id, std::int32_t weight) {
  std::vector<DeviceRecord> devices;
  const DeviceRecord* device = nullptr;
  if (int rc = find_device_with_path(s, id, devices, device); rc != 0) return rc;
  PathList list = device->Paths;
  for (auto& p : list) {
    p.PrimaryPath = false;
    if (p.DsmPathId == id) p.PathWeight = static_cast<std::uint32_t>(weight);
  }
  return exec_set_lb_policy_queried(s, list, policy_number_of(device->PolicyName), false);
}

int set_path_preferred(Session& s, const std::string& serial, std::uint64_t id, const std::string& word) {
  bool preferred;
  if (equals_nocase(word, "false")) preferred = false;
  else if (equals_nocase(word, "true")) preferred = true;
  else {
    s.out << "Invalid argument value." << std::endl;
    return 1;
  }
  return change_path_v2(s, serial, id, "FailOver",
                        "The preferred operation only valid in the Failover-only Load Balance policy.",
                        "Preferred path", [&](DevicePathEntry& p) { p.PreferredPath = preferred; });
}

int set_path_weight_v2(Session& s, const std::string& serial, std::uint64_t id, std::int32_t weight) {
  return change_path_v2(s, serial, id, "Weighted",
                        "The set weight operation only valid in the Weighted-only Load Balance policy.", "Weight path",
                        [&](DevicePathEntry& p) { p.PathWeight = static_cast<std::uint32_t>(weight); });
}
