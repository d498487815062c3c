#include <sys/mman.h>

#include <cstdint>
#include <mutex>

#include "simstack/state_file/document_memory.h"

namespace simstack {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// A document takes about 1.4 times its file's size; the rest of the reservation is
// never touched.
constexpr std::uint64_t kReservedPerFileByte = 2;

struct Region {
  void* mapping = nullptr;
  std::size_t mapping_size = 0;
  void* data = nullptr;
  std::size_t size = 0;
};

// The region of the last document let go, kept for the next read: a process that
// reads the host again (the listener, a change after a report) finds its pages in
// memory instead of faulting fresh ones in.
std::mutex spare_mutex;
Region spare;

Region map_region(std::size_t wanted) {
  const std::size_t length = wanted + kHugePage;  // room to start on a huge-page boundary
  void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapping == MAP_FAILED) return {};
  const auto start = (reinterpret_cast<std::uintptr_t>(mapping) + kHugePage - 1) & ~(kHugePage - 1);
  Region r{mapping, length, reinterpret_cast<void*>(start), wanted};
  // A hint only: without huge pages the region serves as well, in small pages.
  madvise(r.data, r.size, MADV_HUGEPAGE);
  return r;
}

}  // namespace

DocumentMemory::DocumentMemory(std::uint64_t file_size) {
  if (file_size == 0 || file_size > (SIZE_MAX - 2 * kHugePage) / kReservedPerFileByte) return;
  const std::size_t wanted = static_cast<std::size_t>(file_size * kReservedPerFileByte) + kHugePage;
  Region r;
  {
    const std::lock_guard<std::mutex> hold(spare_mutex);
    if (spare.size >= wanted) std::swap(r, spare);
  }
  if (r.mapping == nullptr) r = map_region(wanted);
  mapping_ = r.mapping;
  mapping_size_ = r.mapping_size;
  data_ = r.data;
  size_ = r.size;
}

DocumentMemory::~DocumentMemory() {
  if (mapping_ == nullptr) return;
  Region r{mapping_, mapping_size_, data_, size_};
  {
    const std::lock_guard<std::mutex> hold(spare_mutex);
    if (r.size > spare.size) std::swap(r, spare);  // the larger is kept
  }
  if (r.mapping != nullptr) munmap(r.mapping, r.mapping_size);
}

}  // namespace simstack
