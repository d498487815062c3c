#pragma once
#include <cstdint>
#include <string>

#include "session/session.h"

// "pathinfo" with no filter (kind empty), "sn" or "hba" (family 5): a block per path.
int pathinfo_list(Session& session, const std::string& filter_kind, const std::string& filter_value);
// "pathinfo <PathId>": serial number, SCSI address and physical drive of the path.
int pathinfo_detail(Session& session, std::uint64_t path_id);
