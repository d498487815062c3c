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
std::optional<HResult> enumerate_fault(const Json& doc, const std::string& ns, const std::string& class_name);
// An enumeration whose fetching fails: an "enumerate" entry with "after": N delivers N
// instances, then IEnumWbemClassObject::Next fails with the entry's status.
struct NextFault {
  std::size_t after = 0;
  HResult hr = 0;
  std::string description;  // the error object's Description, if the entry gives one
};
std::optional<NextFault> next_fault(const Json& doc, const std::string& ns, const std::string& class_name);
// The "description" of the enumeration fault of a class, for its error object.
std::string enumerate_fault_description(const Json& doc, const std::string& ns, const std::string& class_name);
// Consumes one count of a matching method fault (the caller writes the document back).
std::optional<HResult> take_method_fault(JsonDocument& doc, const std::string& method, const std::string& instance);
// "notification": the event subscription fails with that code.
std::optional<HResult> notification_fault(const Json& doc);

}  // namespace simstack
