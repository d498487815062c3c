// primary, secondary, preferred and weight: one path of a device changed inside its
// policy, and the whole policy written back.
#pragma once
#include <cstdint>
#include <string>

#include "session/session.h"

int set_path_primary(Session& session, std::uint64_t path_id, int flag);
int set_path_weight(Session& session, std::uint64_t path_id, std::int32_t weight);
int set_path_preferred(Session& session, const std::string& serial, std::uint64_t path_id, const std::string& word);
int set_path_weight_v2(Session& session, const std::string& serial, std::uint64_t path_id, std::int32_t weight);
