// The WMI browser's report of a failed call: the message, the status by name, and
// the call's extended status object where WMI left one.
#pragma once
#include <string>

#include "browser/browser_context.h"
#include "hresult.h"

// Prints the report and "Abnormal Termination"; returns 1.
int print_wmi_error(BrowserContext& ctx, const char* message, HResult code);

// The WBEMSTATUS name of a status code, or "0x" and its lower-case hexadecimal digits.
std::string wbem_error_name(HResult code);
