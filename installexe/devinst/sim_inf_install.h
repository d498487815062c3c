// What the simulated platform does when an INF section is installed: AddReg, DelReg,
// CopyFiles and DelFiles of an install section, AddService and DelService of a
// services section, acting on a host document's registry and the simulated Windows
// folder.
#pragma once
#include <string>

#include "inf/inf_file.h"
#include "simstack/state_file/json.h"

namespace devinst {

struct SimInfContext {
  const inf::InfFile& inf;
  std::string inf_folder;      // where CopyFiles takes its files from
  std::string drivers_folder;  // system32/drivers of the simulated Windows folder
  std::string windows_folder;  // the simulated Windows folder ("windows_locked" is relative to it)
};

// Both return 0 or a SetupAPI error (ERROR_SECTION_NOT_FOUND for a missing section).
Win32Error sim_install_section(simstack::JsonDocument& doc, const SimInfContext& context, const std::wstring& section);
Win32Error sim_install_services(simstack::JsonDocument& doc, const SimInfContext& context, const std::wstring& section);

constexpr Win32Error kERROR_SECTION_NOT_FOUND = 0xE0000101;

}  // namespace devinst
