// How the simulated driver stack acts on the methods called on it: the change it
// makes to the host, or the status with which it refuses the call.
#pragma once
#include <string>

#include "hresult.h"
#include "simstack/state_file/json.h"

namespace simstack {

struct MethodCall {
  std::string ns;
  std::string class_name;
  std::string method;
  std::string instance_name;
  const Json* in = nullptr;  // journal form of the in-parameters (null: none)
};

// Applies the call to `doc`; returns the execution status.
HResult apply_driver_method(JsonDocument& doc, const MethodCall& call);

}  // namespace simstack
