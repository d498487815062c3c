#include "simstack/state_file/document_memory.h"

namespace simstack {

// Large pages need a privilege an administrator's console does not hold: the document
// takes its memory from the heap.
DocumentMemory::DocumentMemory(std::uint64_t) {}
DocumentMemory::~DocumentMemory() = default;

}  // namespace simstack
