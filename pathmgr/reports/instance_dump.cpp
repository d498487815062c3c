#include "reports/instance_dump.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>

#include "reports/instance_records.h"
#include "text/wide_text.h"

namespace {

void number_line(std::ostream& out, const char* label, std::uint64_t value) { out << label << value << '\n'; }

void text_line(std::ostream& out, const char* label, const std::wstring& text) {
  out << label << WideText{text} << '\n';
}

// A 64-bit number as "0x" and upper-case hexadecimal, zero filled to `width` digits.
// The stream keeps its upper case and fill afterwards.
void hex64_line(std::ostream& out, const char* label, std::uint64_t value, int width = 0) {
  out << label << std::hex << std::uppercase << "0x";
  if (width > 0) out << std::setw(width) << std::setfill('0');
  out << value << std::dec << '\n';
}

const char* shown_policy_name(std::uint32_t policy) {
  const char* name = dump_policy_name(policy);
  return name != nullptr ? name : "";
}

// Bytes as "%02X ", sixteen to a line; continuation lines start with `indent` blanks.
void byte_dump_line(std::ostream& out, const char* label, const std::vector<std::uint8_t>& bytes, int indent) {
  out << label;
  char hex[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%02X ", bytes[i]);
    out << hex;
    if ((i + 1) % 16 == 0) out << '\n' << std::string(static_cast<std::size_t>(indent), ' ');
  }
  out << '\n';
}

void chars_line(std::ostream& out, const char* label, const std::vector<std::uint8_t>& bytes) {
  out << label;
  for (std::uint8_t b : bytes) out.put(static_cast<char>(b));
  out << '\n';
}

// Element i of a number array; 0xFFFFFFFF when there is none.
std::uint32_t element_u32(const std::vector<std::uint32_t>& array, std::uint64_t i) {
  return i < array.size() ? array[i] : 0xFFFFFFFFu;
}

// The configuration and unique-id printers lead with a line end once the enumeration
// has started (even when there is no instance); the others do not.
DumpStart lead_line(std::ostream& out) {
  return [&out] { out << '\n'; };
}

// How many entries of the configuration arrays print at most when NumberMPGroups
// counts more than the arrays hold (then the missing ones print as fillers).
constexpr std::uint64_t kMostFillerEntries = 1024;

void print_config_info(std::ostream& out, const ConfigInfoInstance& c) {
  text_line(out, "  InstanceName: ", c.InstanceName);
  number_line(out, "  NumberFOGroups: ", c.NumberFOGroups);
  number_line(out, "  NumberMPGroups: ", c.NumberMPGroups);
  // Entries past the arrays print as fillers, but only as many as an instance could
  // hold: every entry of the arrays, and fillers up to kMostFillerEntries in all.
  const std::uint64_t held = std::max({c.LoadBalancePolicy.size(), c.FailBack.size(), c.ReservationList.size()});
  const std::uint64_t shown = std::min<std::uint64_t>(c.NumberMPGroups, std::max<std::uint64_t>(held, kMostFillerEntries));
  out << "  LoadBalancePolicy: ";
  for (std::uint64_t i = 0; i < shown; ++i) {
    if (i > 0) out << ", ";
    if (i > 0 && i % 4 == 0) out << '\n';
    out << shown_policy_name(element_u32(c.LoadBalancePolicy, i));
  }
  out << '\n';
  for (const auto& [label, values] : {std::pair{"  FailBack: ", &c.FailBack}, std::pair{"  ReservationList: ", &c.ReservationList}}) {
    out << label;
    for (std::uint64_t i = 0; i < shown; ++i) out << (i > 0 ? ", " : "") << element_u32(*values, i);
    out << '\n';
  }
  if (shown < c.NumberMPGroups)
    out << "  (" << c.NumberMPGroups - shown << " more entries not shown: the arrays hold " << held << ")\n";
  out << '\n' << std::flush;
}

void print_perf_info(std::ostream& out, const PerfInfoInstance& p) {
  text_line(out, "  InstanceName: ", p.InstanceName);
  number_line(out, "  NumberDevices: ", p.NumberDevices);
  for (const PerfInfoElement& e : p.PerfInfo) {
    number_line(out, "    NumberReads: ", e.NumberReads);
    number_line(out, "    NumberWrites: ", e.NumberWrites);
    hex64_line(out, "    BytesRead: ", e.BytesRead);
    hex64_line(out, "    BytesWritten: ", e.BytesWritten);
    hex64_line(out, "    PathId: ", e.PathId, 8);
    number_line(out, "    PortNumber: ", e.PortNumber);
    number_line(out, "    ScsiPathId: ", e.ScsiPathId);
    number_line(out, "    TargetId: ", e.TargetId);
    number_line(out, "    Lun: ", e.Lun);
    byte_dump_line(out, "    Identifier: ", e.Identifier, 16);
    byte_dump_line(out, "    Page80: ", e.Page80, 12);
    byte_dump_line(out, "    Page83: ", e.Page83, 12);
    byte_dump_line(out, "    PageD0: ", e.PageD0, 12);
    byte_dump_line(out, "    LMEI: ", e.LMEI, 12);
    chars_line(out, "    vendorid: ", e.vendorid);
    chars_line(out, "    productid: ", e.productid);
  }
  out << '\n' << std::flush;
}

// The two policy classes: the embedded policy object and one group per path.
void print_lb_policy(std::ostream& out, bool v2, const LbPolicyInstance& p) {
  text_line(out, "  InstanceName: ", p.InstanceName);
  if (p.has_policy) {
    number_line(out, "  Version: ", p.Version);
    out << "  LoadBalancePolicy: " << shown_policy_name(p.LoadBalancePolicy) << '\n';
    number_line(out, "  DSMPathCount: ", p.DSMPathCount);
    number_line(out, "  Reserved: ", p.Reserved);
    for (const DumpPathElement& e : p.DSM_Paths) {
      hex64_line(out, "    DsmPathId: ", e.DsmPathId, 8);
      number_line(out, "    PathWeight: ", e.PathWeight);
      number_line(out, "    PrimaryPath: ", e.PrimaryPath);
      if (v2) {
        number_line(out, "    OptimizedPath: ", e.OptimizedPath);
        number_line(out, "    PreferredPath: ", e.PreferredPath);
        number_line(out, "    FailedPath: ", e.FailedPath);
        number_line(out, "    TargetPortGroup_State: ", e.TargetPortGroup_State);
        number_line(out, "    ALUASupport: ", e.ALUASupport);
        number_line(out, "    SymmetricLUA: ", e.SymmetricLUA);
        number_line(out, "    TargetPortGroup_Preferred: ", e.TargetPortGroup_Preferred);
        number_line(out, "    TargetPortGroup_Identifier: ", e.TargetPortGroup_Identifier);
        number_line(out, "    TargetPort_Identifier: ", e.TargetPort_Identifier);
      }
      out << '\n';
    }
  }
  out << '\n' << std::flush;
}

void print_unique_id(std::ostream& out, const UniqueIdInstance& u) {
  text_line(out, "  InstanceName: ", u.InstanceName);
  hex64_line(out, "  DsmUniqueId: ", u.DsmUniqueId, 16);
  out << '\n' << std::flush;
}

}  // namespace

int dump_instances(Session& s, const std::string& class_name) {
  std::ostream& out = s.out;
  const auto cls = dump_class_of(class_name);
  // The readers' own results tell nothing the output does not: the command succeeds.
  if (cls == DumpClass::ConfigInfo) read_config_info(s, lead_line(out), [&](const auto& c) { print_config_info(out, c); });
  else if (cls == DumpClass::PerfInfo) read_perf_info(s, nullptr, [&](const auto& p) { print_perf_info(out, p); });
  else if (cls == DumpClass::LbPolicy) read_lb_policies(s, false, nullptr, [&](const auto& p) { print_lb_policy(out, false, p); });
  else if (cls == DumpClass::LbPolicyV2) read_lb_policies(s, true, nullptr, [&](const auto& p) { print_lb_policy(out, true, p); });
  else if (cls == DumpClass::UniqueId) read_unique_ids(s, lead_line(out), [&](const auto& u) { print_unique_id(out, u); });
  out.flush();
  return 0;
}
