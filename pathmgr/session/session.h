// What one pathmgr process knows once it has started: where output goes, the OS
// family of the host, the WMI connection, and how to show the command help. Every
// subsystem works through it; none reaches into the command shell.
#pragma once
#include <ostream>

#include "registry/registry.h"
#include "session/command_outcome.h"
#include "scsi/scsi_seam.h"
#include "wmi/wmi_seam.h"

// Prints the full command help of one family; returns 0.
using HelpPrinter = int (*)(std::ostream& out, bool family5);

struct Session {
  std::ostream& out;
  unsigned major_version;           // dwMajorVersion of the version record
  wmi::Backend* backend = nullptr;  // for further namespaces (ROOT\CIMV2)
  wmi::Services* wmi = nullptr;     // the ROOT\WMI connection
  HelpPrinter help = nullptr;       // set by the command shell
  registry::Registry* registry = nullptr;  // HKEY_LOCAL_MACHINE
  scsi::Storage* scsi = nullptr;           // disks and adapters, MS-DOS device names
  CommandOutcome* outcome = nullptr;       // noted while the machine-readable output asks

  // Family 5: major version 5 or less (Windows Server 2003 generation).
  bool family5() const { return major_version <= 5; }
};

// The full help text, as a command prints it after arguments it cannot use; 0.
inline int print_command_help(Session& session) {
  if (session.outcome != nullptr) session.outcome->help_shown = true;
  return session.help != nullptr ? session.help(session.out, session.family5()) : 0;
}

// A step the command's text reports as failed while its result stays a success.
inline void note_reported_failure(Session& session) {
  if (session.outcome != nullptr) session.outcome->failure_reported = true;
}
