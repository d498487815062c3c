// Finding an instance of a list by the value of its key member. A command that
// changes every device looks up every instance of a large list in turn; the
// positions of the last lists looked at are remembered, so each lookup stays constant
// time instead of a walk of the list. A remembered position is checked before use.
#pragma once
#include <string_view>

#include "simstack/state_file/json.h"

namespace simstack {

// The first object of `list` (an array) whose member `key` (any case) is the string
// `value`; null when none is.
const Json* find_keyed_instance(const Json& list, std::string_view key, std::string_view value);
Json* find_keyed_instance(Json& list, std::string_view key, std::string_view value);

}  // namespace simstack
