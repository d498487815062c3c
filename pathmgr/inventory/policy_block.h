// The raw policy of one device in the driver's byte layouts, handed to the commands
// that write a policy back. Version-2 form: a 16-byte head and 64-byte path slots;
// family-5 form: a 16-byte head and 24-byte path slots.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

class PolicyBlock {
 public:
  enum class Form { V2, Family5 };
  static constexpr std::size_t kHeadSize = 16;
  static constexpr std::size_t kV2SlotSize = 64;
  static constexpr std::size_t kFamily5SlotSize = 24;

  PolicyBlock() = default;
  PolicyBlock(Form form, std::size_t total_bytes) : form_(form), bytes_(total_bytes, 0) {}

  // A new block of `total_bytes` holding the head and the first `slots` slots of this one.
  PolicyBlock copy_head_and_slots(std::size_t total_bytes, std::size_t slots) const {
    PolicyBlock copy(form_, total_bytes);
    std::size_t n = kHeadSize + std::min(slots, slot_capacity()) * slot_size();
    n = std::min({n, total_bytes, bytes_.size()});
    std::memcpy(copy.bytes_.data(), bytes_.data(), n);
    return copy;
  }

  bool empty() const { return bytes_.empty(); }
  Form form() const { return form_; }
  std::size_t size() const { return bytes_.size(); }
  std::size_t slot_size() const { return form_ == Form::V2 ? kV2SlotSize : kFamily5SlotSize; }
  // How many whole slots the allocation holds (never read or write past it).
  std::size_t slot_capacity() const {
    return bytes_.size() < kHeadSize ? 0 : (bytes_.size() - kHeadSize) / slot_size();
  }

  // Head: Version (16-bit in the V2 form, 32-bit in the family-5 form), policy, count.
  std::uint32_t version() const { return form_ == Form::V2 ? get<std::uint16_t>(0) : get<std::uint32_t>(0); }
  void set_version(std::uint32_t v) {
    if (form_ == Form::V2) set<std::uint16_t>(0, static_cast<std::uint16_t>(v));
    else set<std::uint32_t>(0, v);
  }
  std::uint32_t load_balance_policy() const { return get<std::uint32_t>(4); }
  void set_load_balance_policy(std::uint32_t v) { set<std::uint32_t>(4, v); }
  std::uint32_t path_count() const { return get<std::uint32_t>(8); }
  void set_path_count(std::uint32_t v) { set<std::uint32_t>(8, v); }

  // A field of slot i at a byte offset inside the slot.
  template <class T>
  T slot_field(std::size_t slot, std::size_t offset) const {
    return get<T>(kHeadSize + slot * slot_size() + offset);
  }
  template <class T>
  void set_slot_field(std::size_t slot, std::size_t offset, T value) {
    set<T>(kHeadSize + slot * slot_size() + offset, value);
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  template <class T>
  T get(std::size_t at) const {
    T v{};
    if (at + sizeof(T) <= bytes_.size()) std::memcpy(&v, bytes_.data() + at, sizeof(T));
    return v;
  }
  template <class T>
  void set(std::size_t at, T v) {
    if (at + sizeof(T) <= bytes_.size()) std::memcpy(bytes_.data() + at, &v, sizeof(T));
  }

  Form form_ = Form::V2;
  std::vector<std::uint8_t> bytes_;
};

// Byte offsets inside a slot.
namespace slot_offset {
inline constexpr std::size_t DsmPathId = 0;
inline constexpr std::size_t PathWeight = 16;
inline constexpr std::size_t PrimaryPath = 20;
// Version-2 form only:
inline constexpr std::size_t OptimizedPath = 24;
inline constexpr std::size_t PreferredPath = 28;
inline constexpr std::size_t FailedPath = 32;
inline constexpr std::size_t TargetPortGroup_State = 36;
inline constexpr std::size_t ALUASupport = 40;
inline constexpr std::size_t SymmetricLUA = 44;
inline constexpr std::size_t TargetPortGroup_Preferred = 45;
inline constexpr std::size_t TargetPortGroup_Identifier = 46;
inline constexpr std::size_t TargetPort_Identifier = 48;
}  // namespace slot_offset
