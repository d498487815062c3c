#include "reserved_memory.h"

// Large pages need a privilege that an administrator's console does not hold.
ReservedMemory reserve_memory(std::size_t) { return {}; }
