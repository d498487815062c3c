// Failures a state file asks the simulated platform to inject ("faults" member).
#pragma once
#include <optional>
#include <string>

#include "hresult.h"
#include "simstack/state_file/json.h"

namespace simstack {

// A connection step to a namespace ("CoInitializeEx", ..., "CoSetProxyBlanket").
std::optional<HResult> connect_fault(const Json& doc, const std::string& ns, const std::string& step);
bool version_fault(const Json& doc);
// The list "faults" / `kind` (any case), when it is one.
const Json* fault_list(const Json& doc, const char* kind);
// An "enumerate" entry of a class: without "after" the enumeration fails at its start
// (after is none); with "after": N it delivers N instances, then fetching the next one
// fails. `description` is the error object's Description, if the entry gives one.
struct EnumerateFault {
  HResult hr = 0;
  std::optional<std::size_t> after;
  std::string description;
};
std::optional<EnumerateFault> enumerate_fault(const Json& doc, const std::string& ns, const std::string& class_name,
                                              bool at_start);
// Consumes one count of a matching method fault (the caller writes the document back).
std::optional<HResult> take_method_fault(JsonDocument& doc, const std::string& method, const std::string& instance);
// "notification": the event subscription fails with that code.
std::optional<HResult> notification_fault(const Json& doc);

}  // namespace simstack
