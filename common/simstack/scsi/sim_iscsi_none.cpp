// A build without libiscsi: iSCSI units cannot be opened.
#include "simstack/scsi/sim_iscsi.h"

namespace simstack {

bool iscsi_supported() { return false; }
Win32Error iscsi_open(const std::string&, std::uint8_t) { return kERROR_FILE_NOT_FOUND; }
ScsiOutcome iscsi_execute(const std::string&, std::uint8_t, const ScsiCommand&) {
  ScsiOutcome out;
  out.error = kERROR_FILE_NOT_FOUND;
  return out;
}

}  // namespace simstack
