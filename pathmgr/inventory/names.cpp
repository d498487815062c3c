#include "inventory/names.h"

#include <cctype>
#include <cstdlib>

const std::array<const char*, 17> StateNames = {
    "Unknown",          "Online",           "Failed",           "Standby",
    "failback-on",      "failback-off",     "FailOver",         "RoundRobin",
    "RoundRobinSubset", "SubsetRoundRobin", "RoundRobinWithSubset", "Round Robin With Subset",
    "Dynlqd",           "Weighted",         "LeastBlocks",      "VendorSpecific",
    "Unknown"};

const std::array<AluaStateRow, 5> AluaStates = {{
    {"0", "Active/Optimized", true, true},
    {"1", "Active/Unoptimized", true, false},
    {"2", "Standby", false, true},
    {"3", "Unavailable", false, false},
    {"16", "Not Used", false, false},
}};

namespace {

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

struct PolicyWord {
  const char* name;
  std::uint32_t number;
};

// Accepted policy words in matching order (first match wins).
constexpr PolicyWord kPolicyWords[] = {
    {"FailOver", 1},           {"RoundRobin", 2},           {"RoundRobinSubset", 3},
    {"SubsetRoundRobin", 3},   {"RoundRobinWithSubset", 3}, {"Round Robin With Subset", 3},
    {"Dynlqd", 4},             {"Weighted", 5},             {"LeastBlocks", 6},
};

}  // namespace

const char* policy_name(std::uint32_t policy) {
  switch (policy) {
    case 1: return StateNames[6];
    case 2: return StateNames[7];
    case 3: return StateNames[8];
    case 4: return StateNames[12];
    case 5: return StateNames[13];
    case 6: return StateNames[14];
    case 7: return StateNames[15];
    default: return StateNames[16];
  }
}

std::optional<std::uint32_t> parse_policy_name(std::string_view word) {
  if (word.size() < 3) return std::nullopt;
  for (const auto& p : kPolicyWords) {
    std::string_view name = p.name;
    if (word.size() <= name.size() && equal_nocase(word, name.substr(0, word.size()))) return p.number;
  }
  return std::nullopt;
}

bool is_failback_word(std::string_view word) {
  return equal_nocase(word, StateNames[4]) || equal_nocase(word, StateNames[5]);
}

const char* failback_name(std::uint32_t failback) { return failback == 2 ? StateNames[5] : StateNames[4]; }

const char* path_status_name(long status) {
  switch (status) {
    case 1: return StateNames[1];
    case 5: return StateNames[2];
    case 7: return StateNames[3];
    default: return StateNames[0];
  }
}

std::size_t alua_row_of_number(std::uint32_t number) {
  for (std::size_t i = 0; i < AluaStates.size(); ++i)
    if (std::strtoul(AluaStates[i].number, nullptr, 10) == number) return i;
  return AluaStates.size();
}

std::size_t alua_row_of_flags(bool primary, bool optimized) {
  for (std::size_t i = 0; i < AluaStates.size(); ++i)
    if (AluaStates[i].PrimaryPath == primary && AluaStates[i].OptimizedPath == optimized) return i;
  return AluaStates.size();
}

const char* alua_state_for_flags(bool primary, bool optimized) {
  std::size_t row = alua_row_of_flags(primary, optimized);  // every pair is in the first four rows
  return row < AluaStates.size() ? AluaStates[row].name : "";
}

const char* tpg_state_name(std::uint32_t state) {
  std::size_t row = alua_row_of_number(state);
  return row < AluaStates.size() ? AluaStates[row].name : "";
}

const char* alua_support_name(std::uint32_t level) {
  switch (level) {
    case 0: return "ALUA Not Supported";
    case 1: return "ALUA Implict Only";
    case 2: return "ALUA Explicit Only";
    case 3: return "ALUA Implict and Explicit";
    default: return "N/A";
  }
}
