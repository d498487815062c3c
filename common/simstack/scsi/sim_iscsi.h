// Simulated units that stand for real iSCSI logical units: each command goes to the
// target over libiscsi. One session per (unit URL, initiator port) stays logged in for
// the life of the process, as initiator "iqn.2026-12.org.pathmgr:port<P>" with a fixed
// ISID, so each port is one I_T nexus.
#pragma once
#include <string>

#include "simstack/scsi/sim_scsi.h"

namespace simstack {

// Whether this build can reach iSCSI targets at all.
bool iscsi_supported();
// Logs the port in (once) and clears the unit attention a new session raises;
// ERROR_FILE_NOT_FOUND when the target cannot be reached or this build has no iSCSI.
Win32Error iscsi_open(const std::string& url, std::uint8_t port);
// The command on the target; `error` set when it cannot be delivered.
ScsiOutcome iscsi_execute(const std::string& url, std::uint8_t port, const ScsiCommand& command);

}  // namespace simstack
