// The instances of the classes "instance" dumps, read into records: the text dump and
// the machine-readable one show the same values.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hresult.h"
#include "session/session.h"

// The five classes, by the name the user gives in any case.
enum class DumpClass { ConfigInfo, PerfInfo, LbPolicy, LbPolicyV2, UniqueId };
std::optional<DumpClass> dump_class_of(const std::string& class_name);
// The class name as the driver spells it.
const char* dump_class_name(DumpClass cls);

// ZYRDSM_CONFIGINFO. The arrays hold the elements as served; the text shows
// NumberMPGroups of them, a missing one as 4294967295 (nothing for a policy).
struct ConfigInfoInstance {
  std::wstring InstanceName;
  std::uint32_t NumberFOGroups = 0;
  std::uint32_t NumberMPGroups = 0;
  std::vector<std::uint32_t> LoadBalancePolicy;
  std::vector<std::uint32_t> FailBack;
  std::vector<std::uint32_t> ReservationList;
};

// One element of ZYRDSM_PERFINFO.PerfInfo.
struct PerfInfoElement {
  std::uint32_t NumberReads = 0;
  std::uint32_t NumberWrites = 0;
  std::uint64_t BytesRead = 0;
  std::uint64_t BytesWritten = 0;
  std::uint64_t PathId = 0;
  std::uint8_t PortNumber = 0;
  std::uint8_t ScsiPathId = 0;
  std::uint8_t TargetId = 0;
  std::uint8_t Lun = 0;
  std::vector<std::uint8_t> Identifier, Page80, Page83, PageD0, LMEI, vendorid, productid;
};

struct PerfInfoInstance {
  std::wstring InstanceName;
  std::uint32_t NumberDevices = 0;
  std::vector<PerfInfoElement> PerfInfo;  // absent elements skipped
};

// One element of DSM_Paths; the family-6 members are read for DSM_QueryLBPolicy_V2 only.
struct DumpPathElement {
  std::uint64_t DsmPathId = 0;
  std::uint32_t PathWeight = 0;
  std::uint32_t PrimaryPath = 0;  // as a 32-bit number; a WMI boolean reads 1 when set
  std::uint32_t OptimizedPath = 0;
  std::uint32_t PreferredPath = 0;
  std::uint32_t FailedPath = 0;
  std::uint32_t TargetPortGroup_State = 0;
  std::uint32_t ALUASupport = 0;
  std::uint8_t SymmetricLUA = 0;
  std::uint8_t TargetPortGroup_Preferred = 0;
  std::uint16_t TargetPortGroup_Identifier = 0;
  std::uint32_t TargetPort_Identifier = 0;
};

// DSM_QueryLBPolicy and DSM_QueryLBPolicy_V2: the embedded policy object's fields.
struct LbPolicyInstance {
  std::wstring InstanceName;
  bool has_policy = false;  // the instance carries its LoadBalancePolicy object
  std::uint32_t Version = 0;
  std::uint32_t LoadBalancePolicy = 0;
  std::uint32_t DSMPathCount = 0;
  std::uint32_t Reserved = 0;
  std::vector<DumpPathElement> DSM_Paths;  // absent elements skipped
};

struct UniqueIdInstance {
  std::wstring InstanceName;
  std::uint64_t DsmUniqueId = 0;
};

// Called once the class could be looked up and enumerated, before its first instance.
using DumpStart = std::function<void()>;

// The instances of one class, each handed over as soon as it is read. The result is
// that of the class lookup (configuration and unique-id classes) or the enumeration.
HResult read_config_info(Session& session, const DumpStart& start, const std::function<void(const ConfigInfoInstance&)>& each);
HResult read_perf_info(Session& session, const DumpStart& start, const std::function<void(const PerfInfoInstance&)>& each);
HResult read_lb_policies(Session& session, bool v2, const DumpStart& start,
                         const std::function<void(const LbPolicyInstance&)>& each);
HResult read_unique_ids(Session& session, const DumpStart& start, const std::function<void(const UniqueIdInstance&)>& each);

// The name a dump shows for a policy number: 1 to 7 by name, null for any other.
const char* dump_policy_name(std::uint32_t policy);
