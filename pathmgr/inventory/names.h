// The fixed tables that turn driver numbers into the words pathmgr prints and reads.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The 17 names of the driver's state table, indexed from 0.
extern const std::array<const char*, 17> StateNames;

// Policy number 1..7 to its printed name; any other number "Unknown".
const char* policy_name(std::uint32_t policy);
// A typed policy word (at least 3 characters, a case-insensitive prefix of a name)
// to its number; VendorSpecific is not accepted.
std::optional<std::uint32_t> parse_policy_name(std::string_view word);
bool is_failback_word(std::string_view word);  // "failback-on"/"failback-off", any case

// Family-5 "FailBack": 2 is off, anything else on.
const char* failback_name(std::uint32_t failback);
// Family-5 path status from the identifier: 1 Online, 5 Failed, 7 Standby.
const char* path_status_name(long status);

struct AluaStateRow {
  const char* number;
  const char* name;
  bool PrimaryPath;
  bool OptimizedPath;
};
extern const std::array<AluaStateRow, 5> AluaStates;

// Row positions in AluaStates (AluaStates.size() when no row matches): by the decimal
// value of the number text, and by the (PrimaryPath, OptimizedPath) pair (first match,
// so (0, 0) reads as "Unavailable").
std::size_t alua_row_of_number(std::uint32_t number);
std::size_t alua_row_of_flags(bool primary, bool optimized);

// The state of a path from its two flags (first four rows).
const char* alua_state_for_flags(bool primary, bool optimized);
// A target port group state named with all five rows; empty when not in the table.
const char* tpg_state_name(std::uint32_t state);
// ALUA support level 0..3; any other "N/A".
const char* alua_support_name(std::uint32_t level);
