// "pathinfo <SerialNumber> <PathId> <State>" (family 6): the ALUA state of one path;
// "pathinfo <HbaWwpn> {online|standby|failed}" (family 5): the status of every path
// through one HBA port.
#pragma once
#include <cstdint>
#include <string>

#include "session/session.h"

int set_path_state(Session& session, const std::string& serial, std::uint64_t path_id, const std::string& word);
int set_hba_path_status(Session& session, const std::string& hba, const std::string& word);
