// "dsminfo" and "dsminfo set": the timer and retry settings MPIO keeps for every
// registered DSM, shown, and changed for one DSM with MPIO's SetDSMCounters.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "session/session.h"
#include "session/words.h"

// One element of MPIO_REGISTERED_DSM.DsmParameters.
struct RegisteredDsm {
  std::wstring DsmName;
  std::uint64_t DsmContext = 0;
  std::string Version;  // "Major.Minor.Build.Qfe"
  std::uint32_t PathVerificationPeriod = 0;
  bool PathVerifyEnabled = false;
  std::uint32_t PDORemovePeriod = 0;
  std::uint32_t RetryCount = 0;
  std::uint32_t RetryInterval = 0;
  std::int32_t Reserved32 = 0;
  std::uint64_t Reserved64 = 0;
};

struct RegisteredDsms {
  std::wstring InstanceName;  // of the instance read last
  std::uint32_t NumberDSMs = 0;
  std::vector<RegisteredDsm> Dsms;  // every instance's entries, in order
};

// 0, or 1 when MPIO_REGISTERED_DSM cannot be enumerated.
int read_registered_dsms(Session& session, RegisteredDsms& dsms);

// "dsminfo": eight lines per DSM; nothing when none is registered. Always 0.
int show_dsm_timers(Session& session);

// "dsminfo set <DSM Name> <name> <value> ...": the execution status of SetDSMCounters,
// or 1 when nothing could be sent.
int set_dsm_timers(Session& session, const Words& words);
