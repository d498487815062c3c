// The memory a host document's values are made in, reserved at once for a file of a
// given size. A large host's document is tens of megabytes of small values: in small
// pages each of them costs a page fault, a fifth of a report's time at 4096 devices.
// Reserved pages cost nothing until touched; where the system offers huge pages the
// region asks for them, and the region of the last document let go serves the next
// read. Empty where the system offers none of this (the document then takes its
// memory in chunks from the heap, as it does past the end of the region).
#pragma once
#include <cstddef>
#include <cstdint>

namespace simstack {

class DocumentMemory {
 public:
  explicit DocumentMemory(std::uint64_t file_size);
  ~DocumentMemory();
  DocumentMemory(const DocumentMemory&) = delete;
  DocumentMemory& operator=(const DocumentMemory&) = delete;

  void* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void* mapping_ = nullptr;  // what the system gave, to give back
  std::size_t mapping_size_ = 0;
  void* data_ = nullptr;  // the part of it on a huge-page boundary
  std::size_t size_ = 0;
};

}  // namespace simstack
