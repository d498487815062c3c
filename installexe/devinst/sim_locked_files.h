// Files of the simulated Windows folder that a running driver holds open: the state
// file's "windows_locked" member, a list of paths relative to the "windows" folder
// ("system32/drivers/zyrdsm.sys"). Such a file cannot be deleted until the next start.
#pragma once
#include <string>

#include "simstack/state_file/json.h"

namespace devinst {

// `path` is a host path inside `windows_folder` that "windows_locked" lists (compared
// without regard to case, "\" and "/" alike).
bool windows_file_locked(const simstack::Json& doc, const std::string& windows_folder, const std::string& path);

}  // namespace devinst
