// PERSISTENT RESERVE IN answers decoded from the bytes that came, whatever lengths
// they state.
#include "scsi/reservation_data.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> answer(std::uint32_t generation, std::uint32_t additional, std::vector<std::uint8_t> body) {
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(generation >> 24), static_cast<std::uint8_t>(generation >> 16),
                                     static_cast<std::uint8_t>(generation >> 8), static_cast<std::uint8_t>(generation),
                                     static_cast<std::uint8_t>(additional >> 24), static_cast<std::uint8_t>(additional >> 16),
                                     static_cast<std::uint8_t>(additional >> 8), static_cast<std::uint8_t>(additional)};
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

const std::vector<std::uint8_t> kKeyA = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
const std::vector<std::uint8_t> kKeyB = {0, 0, 0, 0, 0, 0, 0, 7};

std::vector<std::uint8_t> join(std::vector<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace

TEST(ReservationData, ReadKeysTakesOnlyTheWholeKeysThatCame) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::size_t keys;
    bool truncated;
  };
  const Case cases[] = {
      {answer(3, 16, join({kKeyA, kKeyB})), 2, false},
      {answer(3, 0, {}), 0, false},
      {answer(3, 16, kKeyA), 1, true},                         // states two keys, one came
      {answer(3, 0xFFFFFFFF, join({kKeyA, {1, 2, 3}})), 1, true},  // a length no buffer holds
      {answer(3, 12, join({kKeyA, kKeyB})), 1, true},          // not a whole number of keys
  };
  for (const Case& c : cases) {
    const auto keys = decode_read_keys(c.bytes.data(), c.bytes.size());
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->generation, 3u);
    EXPECT_EQ(keys->keys.size(), c.keys);
    EXPECT_EQ(keys->truncated, c.truncated);
  }
  const auto two = decode_read_keys(cases[0].bytes.data(), cases[0].bytes.size());
  EXPECT_EQ(two->keys[0], (ReservationKey{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
  EXPECT_EQ(two->keys[1][7], 7);
  const std::uint8_t header_only[7] = {};
  EXPECT_FALSE(decode_read_keys(header_only, sizeof header_only));
  EXPECT_FALSE(decode_read_keys(nullptr, 0));
}

TEST(ReservationData, ReadReservationTakesTheHolderWhenItCame) {
  const std::vector<std::uint8_t> descriptor = join({kKeyA, {0, 0, 0, 0, 0, 0x06, 0, 0}});
  const auto held = answer(9, 16, descriptor);
  const auto r = decode_read_reservation(held.data(), held.size());
  ASSERT_TRUE(r && r->holder);
  EXPECT_EQ(r->generation, 9u);
  EXPECT_EQ(r->holder->type, 6);
  EXPECT_EQ(r->holder->scope, 0);
  EXPECT_EQ(r->holder->key[0], 'A');
  EXPECT_STREQ(reservation_type_name(r->holder->type), "Exclusive Access, Registrants Only");

  const auto none = answer(9, 0, {});
  EXPECT_FALSE(decode_read_reservation(none.data(), none.size())->holder);
  const auto cut = answer(9, 16, kKeyA);  // the descriptor stated, half of it came
  const auto partial = decode_read_reservation(cut.data(), cut.size());
  EXPECT_FALSE(partial->holder);
  EXPECT_TRUE(partial->truncated);
  const auto scoped = answer(9, 16, join({kKeyA, {0, 0, 0, 0, 0, 0x25, 0, 0}}));
  EXPECT_EQ(decode_read_reservation(scoped.data(), scoped.size())->holder->scope, 2);
  EXPECT_EQ(reservation_type_name(2), nullptr);
}
