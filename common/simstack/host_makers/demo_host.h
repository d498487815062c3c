// The built-in demo host: what the default state file holds when it is first made.
#pragma once
#include "simstack/state_file/json.h"

namespace simstack {
JsonDocument demo_host();
}
