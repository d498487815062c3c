#include <sys/mman.h>

#include "reserved_memory.h"

ReservedMemory reserve_memory(std::size_t size) {
  if (size == 0) return {};
  void* region = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (region == MAP_FAILED) return {};
  // A hint only (huge pages fill the parts of the region on their 2 MB boundaries); in
  // small pages the region serves as well.
  madvise(region, size, MADV_HUGEPAGE);
  return {std::shared_ptr<void>(region, [size](void* p) { munmap(p, size); }), size};
}
