// The data buffer of a pass-through-direct request, on a page boundary. The port
// driver hands the buffer to the adapter as it is and refuses one whose address has
// bits of the adapter's AlignmentMask set (a stack array or a heap block is only 4 or
// 8 bytes aligned); no adapter asks for more than a page.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace scsi {

class TransferBuffer {
 public:
  static constexpr std::size_t kAlignment = 4096;

  // `size` bytes, zeroed.
  explicit TransferBuffer(std::size_t size) : storage_(size + kAlignment - 1, 0), size_(size) {
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    offset_ = static_cast<std::size_t>((kAlignment - address % kAlignment) % kAlignment);
  }
  // A copy would sit elsewhere, not on the boundary; a move keeps the storage.
  TransferBuffer(const TransferBuffer&) = delete;
  TransferBuffer& operator=(const TransferBuffer&) = delete;
  TransferBuffer(TransferBuffer&&) noexcept = default;
  TransferBuffer& operator=(TransferBuffer&&) noexcept = default;

  std::uint8_t* data() { return storage_.data() + offset_; }
  const std::uint8_t* data() const { return storage_.data() + offset_; }
  std::size_t size() const { return size_; }

 private:
  std::vector<std::uint8_t> storage_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

}  // namespace scsi
