// Text that carried a password is zeroed over its whole buffer, the room beyond the
// text included (where a longer earlier text may still lie), and left empty in place.
#include "text/wipe_text.h"

#include <gtest/gtest.h>

namespace {

template <typename Text>
void expect_wiped(Text& text) {
  using Char = typename Text::value_type;
  text.assign(200, Char('p'));
  text.resize(5);  // a shorter text in the same buffer
  const Char* buffer = text.data();
  const std::size_t room = text.capacity();
  wipe_text(text);
  EXPECT_TRUE(text.empty());
  ASSERT_EQ(text.data(), buffer);  // no new buffer: the old one would be freed unwiped
  for (std::size_t i = 0; i < room; ++i) ASSERT_EQ(buffer[i], Char()) << i;
}

TEST(WipeText, WholeBufferZeroedInPlace) {
  std::string narrow;
  std::wstring wide;
  std::vector<char> bytes;
  expect_wiped(narrow);
  expect_wiped(wide);
  expect_wiped(bytes);
}

}  // namespace
