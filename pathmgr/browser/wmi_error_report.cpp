#include "browser/wmi_error_report.h"

#include <cstdio>

#include "text/wide_text.h"

namespace {

// WBEM_E_FAILED (0x80041001) to WBEM_E_INVALID_OBJECT_PATH (0x8004103A), in order.
constexpr const char* kErrorNames[] = {
    "WBEM_E_FAILED", "WBEM_E_NOT_FOUND", "WBEM_E_ACCESS_DENIED", "WBEM_E_PROVIDER_FAILURE",
    "WBEM_E_TYPE_MISMATCH", "WBEM_E_OUT_OF_MEMORY", "WBEM_E_INVALID_CONTEXT", "WBEM_E_INVALID_PARAMETER",
    "WBEM_E_NOT_AVAILABLE", "WBEM_E_CRITICAL_ERROR", "WBEM_E_INVALID_STREAM", "WBEM_E_NOT_SUPPORTED",
    "WBEM_E_INVALID_SUPERCLASS", "WBEM_E_INVALID_NAMESPACE", "WBEM_E_INVALID_OBJECT", "WBEM_E_INVALID_CLASS",
    "WBEM_E_PROVIDER_NOT_FOUND", "WBEM_E_INVALID_PROVIDER_REGISTRATION", "WBEM_E_PROVIDER_LOAD_FAILURE",
    "WBEM_E_INITIALIZATION_FAILURE", "WBEM_E_TRANSPORT_FAILURE", "WBEM_E_INVALID_OPERATION", "WBEM_E_INVALID_QUERY",
    "WBEM_E_INVALID_QUERY_TYPE", "WBEM_E_ALREADY_EXISTS", "WBEM_E_OVERRIDE_NOT_ALLOWED", "WBEM_E_PROPAGATED_QUALIFIER",
    "WBEM_E_PROPAGATED_PROPERTY", "WBEM_E_UNEXPECTED", "WBEM_E_ILLEGAL_OPERATION", "WBEM_E_CANNOT_BE_KEY",
    "WBEM_E_INCOMPLETE_CLASS", "WBEM_E_INVALID_SYNTAX", "WBEM_E_NONDECORATED_OBJECT", "WBEM_E_READ_ONLY",
    "WBEM_E_PROVIDER_NOT_CAPABLE", "WBEM_E_CLASS_HAS_CHILDREN", "WBEM_E_CLASS_HAS_INSTANCES",
    "WBEM_E_QUERY_NOT_IMPLEMENTED", "WBEM_E_ILLEGAL_NULL", "WBEM_E_INVALID_QUALIFIER_TYPE",
    "WBEM_E_INVALID_PROPERTY_TYPE", "WBEM_E_VALUE_OUT_OF_RANGE", "WBEM_E_CANNOT_BE_SINGLETON",
    "WBEM_E_INVALID_CIM_TYPE", "WBEM_E_INVALID_METHOD", "WBEM_E_INVALID_METHOD_PARAMETERS", "WBEM_E_SYSTEM_PROPERTY",
    "WBEM_E_INVALID_PROPERTY", "WBEM_E_CALL_CANCELLED", "WBEM_E_SHUTTING_DOWN", "WBEM_E_PROPAGATED_METHOD",
    "WBEM_E_UNSUPPORTED_PARAMETER", "WBEM_E_MISSING_PARAMETER_ID", "WBEM_E_INVALID_PARAMETER_ID",
    "WBEM_E_NONCONSECUTIVE_PARAMETER_IDS", "WBEM_E_PARAMETER_ID_ON_RETVAL", "WBEM_E_INVALID_OBJECT_PATH"};
static_assert(sizeof kErrorNames / sizeof kErrorNames[0] == 0x3A, "one name per code");

// WBEM_S_ALREADY_EXISTS (0x40001) to WBEM_S_DUPLICATE_OBJECTS (0x40008).
constexpr const char* kSuccessNames[] = {"WBEM_S_ALREADY_EXISTS", "WBEM_S_RESET_TO_DEFAULT", "WBEM_S_DIFFERENT",
                                         "WBEM_S_TIMEDOUT",       "WBEM_S_NO_MORE_DATA",     "WBEM_OPERATION_CANCELLED",
                                         "WBEM_S_PENDING",        "WBEM_S_DUPLICATE_OBJECTS"};

constexpr const wchar_t* kStatusMembers[] = {L"Description", L"Operation", L"ParameterInfo", L"ProviderName"};

}  // namespace

std::string wbem_error_name(HResult code) {
  const auto bits = static_cast<std::uint32_t>(code);
  if (bits == 0) return "WBEM_NO_ERROR/WBEM_S_NO_ERROR/WBEM_S_SAME";
  if (bits == 1) return "WBEM_S_FALSE";
  if (bits >= 0x40001u && bits <= 0x40008u) return kSuccessNames[bits - 0x40001u];
  if (bits >= 0x80041001u && bits <= 0x8004103Au) return kErrorNames[bits - 0x80041001u];
  if (bits == 0x80042001u) return "WBEMESS_E_REGISTRATION_TOO_BROAD";
  if (bits == 0x80042002u) return "WBEMESS_E_REGISTRATION_TOO_PRECISE";
  return "0x" + hresult_hex(code);
}

int print_wmi_error(BrowserContext& ctx, const char* message, HResult code) {
  ++ctx.failures;
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
  ctx.out << message << "\n" << "FunctionReturn: " << wbem_error_name(code) << " (0x" << hex << ") \n";
  if (wmi::ObjectPtr status = ctx.backend.take_error_object()) {
    if (status->inherits_from(L"__NotifyStatus") != kS_OK) {
      ctx.out << "Unrecognized Error Object type\n";
    } else if (status->inherits_from(L"__ExtendedStatus") == kS_OK) {
      for (const wchar_t* member : kStatusMembers) {
        wmi::Value value;
        HResult hr = status->get(member, value);
        if (hr_failed(hr)) ctx.out << "Can't get " << WideText{member} << ": " << hr << "\n";
        else if (value.vt == wmi::VT_BSTR) ctx.out << WideText{member} << ": " << WideText{value.text} << "\n";
      }
    }
  }
  ctx.out << "Abnormal Termination\n" << std::flush;
  return 1;
}
