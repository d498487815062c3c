#include "scsi/reservation_data.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeader = 8;
constexpr std::size_t kDescriptor = 16;

std::uint32_t big_endian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::optional<RegisteredKeys> decode_read_keys(const std::uint8_t* data, std::size_t length) {
  if (data == nullptr || length < kHeader) return std::nullopt;
  RegisteredKeys answer;
  answer.generation = big_endian32(data);
  answer.additional_length = big_endian32(data + 4);
  const std::size_t came = length - kHeader;
  const std::size_t listed = std::min<std::size_t>(answer.additional_length, came);
  answer.truncated = answer.additional_length > came || answer.additional_length % sizeof(ReservationKey) != 0;
  for (std::size_t at = 0; at + sizeof(ReservationKey) <= listed; at += sizeof(ReservationKey)) {
    ReservationKey key;
    std::memcpy(key.data(), data + kHeader + at, key.size());
    answer.keys.push_back(key);
  }
  return answer;
}

std::optional<CurrentReservation> decode_read_reservation(const std::uint8_t* data, std::size_t length) {
  if (data == nullptr || length < kHeader) return std::nullopt;
  CurrentReservation answer;
  answer.generation = big_endian32(data);
  answer.additional_length = big_endian32(data + 4);
  const std::size_t came = length - kHeader;
  answer.truncated = answer.additional_length > came;
  if (answer.additional_length >= kDescriptor && came >= kDescriptor) {
    ReservationHolder holder;
    std::memcpy(holder.key.data(), data + kHeader, holder.key.size());
    holder.scope = static_cast<std::uint8_t>(data[kHeader + 13] >> 4);
    holder.type = static_cast<std::uint8_t>(data[kHeader + 13] & 0x0F);
    answer.holder = holder;
  }
  return answer;
}

const char* reservation_type_name(std::uint8_t type) {
  switch (type) {
    case 1: return "Write Exclusive";
    case 3: return "Exclusive Access";
    case 5: return "Write Exclusive, Registrants Only";
    case 6: return "Exclusive Access, Registrants Only";
    case 7: return "Write Exclusive, All Registrants";
    case 8: return "Exclusive Access, All Registrants";
    default: return nullptr;
  }
}
