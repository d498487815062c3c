#include "reports/instance_dump.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>

#include "inventory/names.h"
#include "session/words.h"
#include "text/wide_text.h"
#include "wmi/wmi_access.h"

namespace {

using wmi::Object;
using wmi::Value;
using wmi::wmi_get;

// A property the driver delivers as a 32-bit number; a WMI boolean reads 1 when set.
std::uint32_t number32(const Value& v) { return v.vt == wmi::VT_BOOL ? (v.integer != 0 ? 1u : 0u) : v.as_u32(); }

void number_line(std::ostream& out, const char* label, std::uint64_t value) { out << label << value << '\n'; }

void text_line(std::ostream& out, const char* label, const Object& o, const wchar_t* name) {
  out << label << WideText{wmi::wmi_get_text(o, name)} << '\n';
}

// A 64-bit number from its decimal text, as "0x" and upper-case hexadecimal, zero
// filled to `width` digits. The stream keeps its upper case and fill afterwards.
void hex64_line(std::ostream& out, const char* label, const Value& v, int width = 0) {
  out << label << std::hex << std::uppercase << "0x";
  if (width > 0) out << std::setw(width) << std::setfill('0');
  out << v.as_u64_text() << std::dec << '\n';
}

// Policies 1 to 7 by name; any other value prints nothing.
const char* dump_policy_name(std::uint32_t policy) { return policy >= 1 && policy <= 7 ? policy_name(policy) : ""; }

// Bytes as "%02X ", sixteen to a line; continuation lines start with `indent` blanks.
void byte_dump_line(std::ostream& out, const char* label, const Value& bytes, int indent) {
  out << label;
  char hex[4];
  for (std::size_t i = 0; i < bytes.elements.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%02X ", bytes.elements[i].as_u8());
    out << hex;
    if ((i + 1) % 16 == 0) out << '\n' << std::string(static_cast<std::size_t>(indent), ' ');
  }
  out << '\n';
}

void chars_line(std::ostream& out, const char* label, const Value& bytes) {
  out << label;
  for (const Value& b : bytes.elements) out.put(static_cast<char>(b.as_u8()));
  out << '\n';
}

// Element i of a number array (index used as is); 0xFFFFFFFF when there is none.
std::uint32_t element_u32(const Value& array, std::uint64_t i) {
  return array.is_array() && i < array.elements.size() ? array.elements[i].as_u32() : 0xFFFFFFFFu;
}

// How a printer starts: the configuration and unique-id printers look the class up
// first and lead with a line end once the enumeration has started (even when there
// is no instance); the others do neither.
enum class Frame { Plain, ClassFirst };

HResult each_instance(Session& s, const wchar_t* cls, Frame frame, const wmi::InstanceVisitor& print) {
  const bool lead = frame == Frame::ClassFirst;
  if (lead) {
    wmi::ObjectPtr definition;
    if (HResult hr = s.wmi->get_class(cls, definition); hr_failed(hr)) return hr;
  }
  bool started = false;
  HResult hr = s.wmi->enumerate(cls, [&](Object& o) {
    if (lead && !started) s.out << '\n';
    started = true;
    print(o);
    s.out.flush();
    return true;
  });
  if (!hr_failed(hr) && lead && !started) s.out << '\n';
  s.out.flush();
  return hr;
}

// How many entries of the configuration arrays print at most when NumberMPGroups
// counts more than the arrays hold (then the missing ones print as fillers).
constexpr std::uint64_t kMostFillerEntries = 1024;

HResult dump_config_info(Session& s) {
  std::ostream& out = s.out;
  return each_instance(s, L"ZYRDSM_CONFIGINFO", Frame::ClassFirst, [&](Object& o) {
    text_line(out, "  InstanceName: ", o, L"InstanceName");
    number_line(out, "  NumberFOGroups: ", wmi_get(o, L"NumberFOGroups").as_u32());
    const std::uint32_t groups = wmi_get(o, L"NumberMPGroups").as_u32();
    number_line(out, "  NumberMPGroups: ", groups);
    const Value policies = wmi_get(o, L"LoadBalancePolicy");
    const Value failback = wmi_get(o, L"FailBack"), reservations = wmi_get(o, L"ReservationList");
    // Entries past the arrays print as fillers, but only as many as an instance could
    // hold: every entry of the arrays, and fillers up to kMostFillerEntries in all.
    const std::uint64_t held = std::max({policies.elements.size(), failback.elements.size(), reservations.elements.size()});
    const std::uint64_t shown = std::min<std::uint64_t>(groups, std::max<std::uint64_t>(held, kMostFillerEntries));
    out << "  LoadBalancePolicy: ";
    for (std::uint64_t i = 0; i < shown; ++i) {
      if (i > 0) out << ", ";
      if (i > 0 && i % 4 == 0) out << '\n';
      out << dump_policy_name(element_u32(policies, i));
    }
    out << '\n';
    for (const auto& [label, values] : {std::pair{"  FailBack: ", &failback}, std::pair{"  ReservationList: ", &reservations}}) {
      out << label;
      for (std::uint64_t i = 0; i < shown; ++i) out << (i > 0 ? ", " : "") << element_u32(*values, i);
      out << '\n';
    }
    if (shown < groups)
      out << "  (" << groups - shown << " more entries not shown: the arrays hold " << held << ")\n";
    out << '\n';
    return true;
  });
}

HResult dump_perf_info(Session& s) {
  std::ostream& out = s.out;
  return each_instance(s, L"ZYRDSM_PERFINFO", Frame::Plain, [&](Object& o) {
    text_line(out, "  InstanceName: ", o, L"InstanceName");
    number_line(out, "  NumberDevices: ", wmi_get(o, L"NumberDevices").as_u32());
    for (const Value& e : wmi_get(o, L"PerfInfo").elements) {
      if (!e.object) continue;
      const Object& p = *e.object;
      number_line(out, "    NumberReads: ", wmi_get(p, L"NumberReads").as_u32());
      number_line(out, "    NumberWrites: ", wmi_get(p, L"NumberWrites").as_u32());
      hex64_line(out, "    BytesRead: ", wmi_get(p, L"BytesRead"));
      hex64_line(out, "    BytesWritten: ", wmi_get(p, L"BytesWritten"));
      hex64_line(out, "    PathId: ", wmi_get(p, L"PathId"), 8);
      number_line(out, "    PortNumber: ", wmi_get(p, L"PortNumber").as_u8());
      number_line(out, "    ScsiPathId: ", wmi_get(p, L"ScsiPathId").as_u8());
      number_line(out, "    TargetId: ", wmi_get(p, L"TargetId").as_u8());
      number_line(out, "    Lun: ", wmi_get(p, L"Lun").as_u8());
      byte_dump_line(out, "    Identifier: ", wmi_get(p, L"Identifier"), 16);
      byte_dump_line(out, "    Page80: ", wmi_get(p, L"Page80"), 12);
      byte_dump_line(out, "    Page83: ", wmi_get(p, L"Page83"), 12);
      byte_dump_line(out, "    PageD0: ", wmi_get(p, L"PageD0"), 12);
      byte_dump_line(out, "    LMEI: ", wmi_get(p, L"LMEI"), 12);
      chars_line(out, "    vendorid: ", wmi_get(p, L"vendorid"));
      chars_line(out, "    productid: ", wmi_get(p, L"productid"));
    }
    out << '\n';
    return true;
  });
}

// The two policy classes: the embedded policy object and one group per path.
HResult dump_policy_class(Session& s, const wchar_t* cls, bool v2) {
  std::ostream& out = s.out;
  return each_instance(s, cls, Frame::Plain, [&](Object& o) {
    text_line(out, "  InstanceName: ", o, L"InstanceName");
    const Value policy = wmi_get(o, L"LoadBalancePolicy");
    if (policy.object) {
      const Object& lb = *policy.object;
      number_line(out, "  Version: ", wmi_get(lb, L"Version").as_u32());
      out << "  LoadBalancePolicy: " << dump_policy_name(wmi_get(lb, L"LoadBalancePolicy").as_u32()) << '\n';
      number_line(out, "  DSMPathCount: ", wmi_get(lb, L"DSMPathCount").as_u32());
      number_line(out, "  Reserved: ", wmi_get(lb, L"Reserved").as_u32());
      for (const Value& e : wmi_get(lb, L"DSM_Paths").elements) {
        if (!e.object) continue;
        const Object& p = *e.object;
        hex64_line(out, "    DsmPathId: ", wmi_get(p, L"DsmPathId"), 8);
        number_line(out, "    PathWeight: ", wmi_get(p, L"PathWeight").as_u32());
        number_line(out, "    PrimaryPath: ", number32(wmi_get(p, L"PrimaryPath")));
        if (v2) {
          number_line(out, "    OptimizedPath: ", number32(wmi_get(p, L"OptimizedPath")));
          number_line(out, "    PreferredPath: ", number32(wmi_get(p, L"PreferredPath")));
          number_line(out, "    FailedPath: ", number32(wmi_get(p, L"FailedPath")));
          number_line(out, "    TargetPortGroup_State: ", wmi_get(p, L"TargetPortGroup_State").as_u32());
          number_line(out, "    ALUASupport: ", wmi_get(p, L"ALUASupport").as_u32());
          number_line(out, "    SymmetricLUA: ", wmi_get(p, L"SymmetricLUA").as_u8());
          number_line(out, "    TargetPortGroup_Preferred: ", wmi_get(p, L"TargetPortGroup_Preferred").as_u8());
          number_line(out, "    TargetPortGroup_Identifier: ", wmi_get(p, L"TargetPortGroup_Identifier").as_u16());
          number_line(out, "    TargetPort_Identifier: ", wmi_get(p, L"TargetPort_Identifier").as_u32());
        }
        out << '\n';
      }
    }
    out << '\n';
    return true;
  });
}

HResult dump_unique_id(Session& s) {
  // Asked for by this spelling; WMI class names do not depend on case.
  std::ostream& out = s.out;
  return each_instance(s, L"Dsm_QueryUniqueId", Frame::ClassFirst, [&](Object& o) {
    text_line(out, "  InstanceName: ", o, L"InstanceName");
    hex64_line(out, "  DsmUniqueId: ", wmi_get(o, L"DsmUniqueId"), 16);
    out << '\n';
    return true;
  });
}

}  // namespace

int dump_instances(Session& s, const std::string& class_name) {
  // The printers' own results tell nothing the output does not: the command succeeds.
  if (equals_nocase(class_name, "ZYRDSM_CONFIGINFO")) dump_config_info(s);
  else if (equals_nocase(class_name, "ZYRDSM_PERFINFO")) dump_perf_info(s);
  else if (equals_nocase(class_name, "DSM_QueryLBPolicy")) dump_policy_class(s, L"DSM_QueryLBPolicy", false);
  else if (equals_nocase(class_name, "DSM_QueryLBPolicy_V2")) dump_policy_class(s, L"DSM_QueryLBPolicy_V2", true);
  else if (equals_nocase(class_name, "DSM_QueryUniqueId")) dump_unique_id(s);
  return 0;
}
