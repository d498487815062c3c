#include "config/dsm_timers.h"

#include <iomanip>
#include <limits>
#include <optional>

#include "text/text_convert.h"
#include "text/wide_text.h"
#include "wmi/wmi_access.h"

namespace {

using wmi::Object;
using wmi::Value;
using wmi::wmi_get;

RegisteredDsm read_dsm(const Object& e) {
  RegisteredDsm d;
  d.DsmName = wmi::wmi_get_text(e, L"DsmName");
  d.DsmContext = wmi_get(e, L"DsmContext").as_u64_text();
  const Value version = wmi_get(e, L"DsmVersion");
  if (version.object) {
    const Object& v = *version.object;
    d.Version = std::to_string(wmi_get(v, L"MajorVersion").as_u32()) + "." +
                std::to_string(wmi_get(v, L"MinorVersion").as_u32()) + "." +
                std::to_string(wmi_get(v, L"ProductBuild").as_u32()) + "." +
                std::to_string(wmi_get(v, L"QfeNumber").as_u32());
  }
  const Value counters = wmi_get(e, L"DsmCounters");
  if (counters.object) {
    const Object& c = *counters.object;
    d.PathVerificationPeriod = wmi_get(c, L"PathVerificationPeriod").as_u32();
    d.PathVerifyEnabled = wmi_get(c, L"PathVerifyEnabled").as_flag();
    d.PDORemovePeriod = wmi_get(c, L"PDORemovePeriod").as_u32();
    d.RetryCount = wmi_get(c, L"RetryCount").as_u32();
    d.RetryInterval = wmi_get(c, L"RetryInterval").as_u32();
    d.Reserved32 = wmi_get(c, L"Reserved32").as_i32();
    d.Reserved64 = wmi_get(c, L"Reserved64").as_u64_text();
  }
  return d;
}

void label(std::ostream& out, const char* text) { out << std::left << std::setw(24) << text; }

const char* true_false(bool set) { return set ? "true" : "false"; }

// A timer value: decimal digits only (none give 0) that fit the 32-bit counter.
std::optional<std::uint32_t> parse_digits(const std::string& text) {
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

enum class PairResult { Applied, UnknownName, BadValue };

// One name/value pair of "dsminfo set" applied to the entry.
PairResult apply_pair(RegisteredDsm& d, const std::string& name, const std::string& value) {
  std::uint32_t* timer = nullptr;
  if (equals_nocase(name, "PathVerifyPeriod")) timer = &d.PathVerificationPeriod;
  else if (equals_nocase(name, "PDORemovePeriod")) timer = &d.PDORemovePeriod;
  else if (equals_nocase(name, "RetryCount")) timer = &d.RetryCount;
  else if (equals_nocase(name, "RetryInterval")) timer = &d.RetryInterval;
  if (timer != nullptr) {
    auto number = parse_digits(value);
    if (!number) return PairResult::BadValue;
    *timer = *number;
    return PairResult::Applied;
  }
  if (!equals_nocase(name, "PathVerifyEnabled")) return PairResult::UnknownName;
  if (equals_nocase(value, "true")) d.PathVerifyEnabled = true;
  else if (equals_nocase(value, "false")) d.PathVerifyEnabled = false;
  else return PairResult::BadValue;
  return PairResult::Applied;
}

Value i4(std::uint32_t v) { return Value::i4(static_cast<std::int32_t>(v)); }

// SetDSMCounters on the MPIO_WMI_METHODS instance `target` with the entry's counters;
// the execution status, or the failure of a step before it.
HResult send_dsm_counters(Session& s, const std::wstring& target, const RegisteredDsm& d) {
  HResult hr = kS_OK;
  wmi::ObjectPtr in, counters;
  if (hr_failed(hr = wmi::spawn_method_params(*s.wmi, L"MPIO_WMI_METHODS", L"SetDSMCounters", in))) return hr;
  if (!in) return kWBEM_E_FAILED;
  if (hr_failed(hr = wmi::spawn_object(*s.wmi, L"DSM_COUNTERS", counters))) return hr;
  const std::pair<const wchar_t*, Value> values[] = {
      {L"PathVerifyEnabled", Value::i4(d.PathVerifyEnabled ? 1 : 0)},
      {L"PathVerificationPeriod", i4(d.PathVerificationPeriod)},
      {L"PDORemovePeriod", i4(d.PDORemovePeriod)},
      {L"RetryCount", i4(d.RetryCount)},
      {L"RetryInterval", i4(d.RetryInterval)},
      {L"Reserved32", Value::i4(d.Reserved32)},
      {L"Reserved64", Value::bstr(wmi::u64_to_decimal_text(d.Reserved64))}};
  for (const auto& [name, value] : values)
    if (hr_failed(hr = counters->put(name, value))) return hr;
  if (hr_failed(hr = in->put(L"DsmCounters", Value::unknown(counters)))) return hr;
  if (hr_failed(hr = in->put(L"DsmContext", Value::bstr(wmi::u64_to_decimal_text(d.DsmContext))))) return hr;
  return wmi::wmi_call(*s.wmi, wmi::wmi_object_path(L"MPIO_WMI_METHODS", target), L"SetDSMCounters", in.get());
}

}  // namespace

int read_registered_dsms(Session& s, RegisteredDsms& dsms) {
  HResult hr = s.wmi->enumerate(L"MPIO_REGISTERED_DSM", [&](Object& instance) {
    dsms.InstanceName = wmi::wmi_get_text(instance, L"InstanceName");
    dsms.NumberDSMs = wmi_get(instance, L"NumberDSMs").as_u32();
    for (const Value& e : wmi_get(instance, L"DsmParameters").elements)
      if (e.object) dsms.Dsms.push_back(read_dsm(*e.object));
    return true;
  });
  return hr_failed(hr) ? 1 : 0;
}

int show_dsm_timers(Session& s) {
  RegisteredDsms dsms;
  if (read_registered_dsms(s, dsms) != 0 || dsms.Dsms.empty()) return 0;
  std::ostream& out = s.out;
  out << '\n';
  for (const RegisteredDsm& d : dsms.Dsms) {
    label(out, " DSM Name:");
    out << WideText{d.DsmName} << '\n';
    label(out, " DSM Version:");
    out << d.Version << '\n';
    label(out, " DSM Context:");
    out << std::right << std::hex << std::uppercase << std::setfill('0') << std::setw(8) << d.DsmContext << std::dec
        << std::nouppercase << std::setfill(' ') << '\n';
    label(out, " Path Verify Period:");
    out << d.PathVerificationPeriod << '\n';
    label(out, " Path Verify Enabled:");
    out << true_false(d.PathVerifyEnabled) << '\n';
    label(out, " PDO Remove Period:");
    out << d.PDORemovePeriod << '\n';
    label(out, " Retry Interval:");
    out << d.RetryInterval << '\n';
    label(out, " Retry Count:");
    out << d.RetryCount << '\n';
  }
  out << '\n' << std::right << std::flush;
  return 0;
}

int set_dsm_timers(Session& s, const Words& words) {
  RegisteredDsms dsms;
  if (read_registered_dsms(s, dsms) != 0 || dsms.Dsms.empty() || words.size() < 3) return 1;
  std::ostream& out = s.out;
  out << std::endl;
  const std::wstring name = widen_utf8(words[2]);
  const RegisteredDsm* found = nullptr;
  for (const RegisteredDsm& d : dsms.Dsms)
    if (d.DsmName == name) {  // exactly, case included
      found = &d;
      break;
    }
  if (found == nullptr) {
    out << "Bad DSM Name." << std::endl;
    return 1;
  }
  RegisteredDsm changed = *found;
  for (std::size_t i = 3; i + 1 < words.size(); i += 2) {
    switch (apply_pair(changed, words[i], words[i + 1])) {
      case PairResult::Applied: break;
      case PairResult::UnknownName: out << "Invalid argument for " << words[i] << std::endl; return 1;
      case PairResult::BadValue: out << "Invalid argument value for " << words[i] << std::endl; return 1;
    }
  }
  std::optional<std::wstring> target;
  HResult end = kS_OK;
  HResult hr = s.wmi->enumerate_to_end(L"MPIO_WMI_METHODS", [&](Object& o) {
    target = wmi::wmi_get_text(o, L"InstanceName");
    return false;  // the first instance carries the method
  }, end);
  if (hr_failed(hr)) return 1;
  // Without an instance the status is the enumerator's: the end of the list (never a
  // success), or the failure of fetching the first instance.
  const HResult status = target ? send_dsm_counters(s, *target, changed) : end;
  out << " Set DSM Timer Counters: " << (status == 0 ? "OK" : "Failed") << "\n" << std::endl;
  return status;
}
