#include "config/device_policy.h"

#include <limits>
#include <optional>
#include <unordered_set>

#include "config/policy_write.h"
#include "inventory/names.h"
#include "inventory/path_readers.h"
#include "session/words.h"

namespace {

bool is_word_accepted(const std::string& word) { return is_failback_word(word) || parse_policy_name(word).has_value(); }

// Family 6: the device's record with the new policy and the path flags its ALUA
// states give; under FailOver only the first Active/Optimized path stays so.
int set_policy_family6(Session& s, const Inventory& inv, const std::string& serial, std::uint32_t policy,
                       LbOperationsInstances* cache) {
  const DeviceRecord* found = nullptr;
  for (const auto& d : inv.devices)
    if (d.SerialNumber == serial) {
      found = &d;
      break;
    }
  if (found == nullptr) return 1;
  DeviceRecord copy = *found;
  copy.LoadBalancePolicy = policy;
  for (auto& p : copy.Paths)
    if (std::size_t row = alua_row_of_number(p.TargetPortGroup_State); row < AluaStates.size()) {
      p.PrimaryPath = AluaStates[row].PrimaryPath;
      p.OptimizedPath = AluaStates[row].OptimizedPath;
    }
  if (policy == 1 && copy.Paths.size() >= 2) {
    bool kept = false;
    for (auto& p : copy.Paths) {
      if (!(p.PrimaryPath && p.OptimizedPath)) continue;
      if (!kept) {
        kept = true;
        continue;
      }
      if (p.SymmetricLUA != 0) p.PrimaryPath = false;  // Standby
      else p.OptimizedPath = false;                    // Active/Unoptimized
    }
  }
  return exec_set_lb_policy_alua(s, copy, cache);
}

// Family 5: every policy path whose record has the serial, in inventory order; under
// FailOver the path through the least-used HBA port becomes primary first.
PathList family5_paths(Inventory& inv, const InventoryIndex& index, const std::string& serial,
                       std::optional<std::uint64_t> make_primary) {
  PathList list;
  for (const auto& [d, p] : index.device_paths_with_serial(serial)) {
    DevicePathEntry& entry = inv.devices[d].Paths[p];
    if (make_primary && entry.DsmPathId == *make_primary) entry.PrimaryPath = true;
    list.push_back(entry);
  }
  return list;
}

int set_policy_family5(Session& s, Inventory& inv, const InventoryIndex& index, const std::string& serial,
                       std::uint32_t policy) {
  const auto& hbas = index.hba_counts();
  if (hbas.empty()) return 1;
  std::size_t least = 0;
  for (std::size_t i = 1; i < hbas.size(); ++i)
    if (hbas[i].second < hbas[least].second) least = i;  // a tie keeps the earlier port
  const PathRecord* record = index.first_record(hbas[least].first, serial);
  const DescriptorRecord* descriptor = index.first_descriptor(record != nullptr ? record->ScsiAddress : std::string());
  const std::uint64_t chosen = descriptor != nullptr ? descriptor->PathIdentifier : std::numeric_limits<std::uint64_t>::max();
  PathList list = family5_paths(inv, index, serial, policy == 1 ? std::optional<std::uint64_t>(chosen) : std::nullopt);
  if (list.empty()) return 1;
  return exec_set_lb_policy(s, index, list, policy, false);
}

}  // namespace

int set_device_policy(Session& s, Inventory& inv, const InventoryIndex& index, const std::string& serial,
                      const std::string& word, LbOperationsInstances* cache) {
  if (is_failback_word(word)) return set_device_failback(s, inv, index, serial, word);
  auto policy = parse_policy_name(word);
  if (!policy) return print_command_help(s);
  return s.family5() ? set_policy_family5(s, inv, index, serial, *policy)
                     : set_policy_family6(s, inv, serial, *policy, cache);
}

int set_device_policy(Session& s, Inventory& inv, const std::string& serial, const std::string& word) {
  InventoryIndex index(s.family5(), inv);
  return set_device_policy(s, inv, index, serial, word);
}

int set_device_failback(Session& s, Inventory& inv, const InventoryIndex& index, const std::string& serial,
                        const std::string& word) {
  bool on;
  if (equals_nocase(word, "failback-on")) on = true;
  else if (equals_nocase(word, "failback-off")) on = false;
  else return print_command_help(s);
  std::optional<std::uint64_t> id;
  for (std::size_t r : index.records_with_serial(serial))
    if (const DescriptorRecord* d = index.first_descriptor(inv.paths[r].ScsiAddress)) id = d->PathIdentifier;
  if (!id) return 1;
  PolicyBlock block;
  std::wstring instance;
  if (int rc = find_policy_by_path(index, *id, block, instance); rc != 0) return rc == 2 ? 1 : rc;
  if (block.load_balance_policy() != 1) {
    note_reported_failure(s);  // nothing is sent
    s.out << "  not fail-over: " << serial << std::endl;
    return 0;
  }
  return exec_set_lb_policy(s, index, family5_paths(inv, index, serial, std::nullopt), 1, on);
}

int set_device_failback(Session& s, Inventory& inv, const std::string& serial, const std::string& word) {
  InventoryIndex index(s.family5(), inv);
  return set_device_failback(s, inv, index, serial, word);
}

int set_all_devices_policy(Session& s, Inventory& inv, const std::string& word, const DeviceResultNote& note) {
  if (!is_word_accepted(word)) return print_command_help(s);
  InventoryIndex index(s.family5(), inv);
  LbOperationsInstances cache;
  int result = 1;
  auto set_one = [&](const std::string& serial) {
    int rc = 1;
    for (int attempt = 0; attempt < 3 && rc != 0; ++attempt)
      rc = set_device_policy(s, inv, index, serial, word, &cache);
    s.out << serial << (rc == 0 ? " is set." : " Failed.") << std::endl;
    if (note) note(serial, rc);
    if (result != 0) result = rc;
  };
  if (!s.family5()) {
    for (const auto& d : inv.devices) set_one(d.SerialNumber);
    return result;
  }
  std::vector<PathRecord> fresh;
  read_path_perf(s, fresh);
  std::unordered_set<std::string> handled;
  for (const auto& r : fresh)
    if (handled.insert(r.SerialNumber).second) set_one(r.SerialNumber);
  return result;
}
