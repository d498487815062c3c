#include "simstack/driver_model.h"

namespace simstack {

// Methods whose effect on the host is not modelled are accepted as a driver would
// accept a well-formed request.
HResult apply_driver_method(Json& /*doc*/, const MethodCall& /*call*/) { return kS_OK; }

}  // namespace simstack
