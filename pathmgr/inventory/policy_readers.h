// Readers of the load-balance policy classes: the device list of every command, and
// the search of one device's raw policy by path identifier.
#pragma once
#include <string>
#include <vector>

#include "inventory/policy_block.h"
#include "inventory/records.h"
#include "session/session.h"

// Result of a search that found nothing.
inline constexpr int kPolicyNotFound = 2;

// DSM_QueryLBPolicy_V2. With a non-zero dsm_path_id, the first instance named
// `filter` that has a path with that id gives a copy of its raw policy.
int read_policies_v2(Session& session, std::vector<DeviceRecord>& devices, const std::wstring& filter,
                     std::uint64_t dsm_path_id, PolicyBlock* found_block, std::wstring* found_instance);
// Family-6 device list: policies, then serial numbers from MPIO's disk list by position.
int read_devices_v2(Session& session, std::vector<DeviceRecord>& devices);
// ZYRDSM_QueryLBPolicy (family 5; DSM_QueryLBPolicy in family 6), search by id only.
int read_policies_v1(Session& session, std::vector<DeviceRecord>& devices, std::uint64_t dsm_path_id,
                     PolicyBlock* found_block, std::wstring* found_instance);
// Family-5 reader of the inventory: device records and their raw policies.
int read_policies_v1_full(Session& session, std::vector<DeviceRecord>& devices,
                          std::vector<LegacyPolicyRecord>& legacy);
