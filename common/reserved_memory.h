// Memory reserved at once for a large structure whose size is known ahead (a pool
// allocator's first block): its pages cost nothing until touched, and where the system
// offers huge pages the region asks for them, which spares a page fault for every 4 KB
// the structure fills. Empty where the system offers no such reservation; the caller
// then allocates as usual.
#pragma once
#include <cstddef>
#include <memory>

struct ReservedMemory {
  std::shared_ptr<void> start;  // given back when the last holder lets go
  std::size_t size = 0;
};

ReservedMemory reserve_memory(std::size_t size);
