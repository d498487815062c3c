// The SCSI seam over the simulated host's logical units and MS-DOS device names.
#pragma once
#include <memory>

#include "scsi/scsi_seam.h"
#include "simstack/state_file/sim_host.h"

namespace scsi {
std::unique_ptr<Storage> make_sim_storage(simstack::SimHost& host);
}
