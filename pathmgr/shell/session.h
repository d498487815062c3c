// What one pathmgr process knows once it has started: where output goes, the OS
// family of the host, and the WMI connection.
#pragma once
#include <ostream>

#include "wmi/wmi_seam.h"

struct Session {
  std::ostream& out;
  unsigned major_version;           // dwMajorVersion of the version record
  wmi::Backend* backend = nullptr;  // for further namespaces (ROOT\CIMV2)
  wmi::Services* wmi = nullptr;     // the ROOT\WMI connection

  // Family 5: major version 5 or less (Windows Server 2003 generation).
  bool family5() const { return major_version <= 5; }
};
