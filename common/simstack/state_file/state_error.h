// A host file that cannot be read, is not JSON, is not this format or holds a value of
// the wrong shape. The message names the file and what is wrong; the file is left as is.
#pragma once
#include <stdexcept>

namespace simstack {

class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace simstack
