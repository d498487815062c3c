#include "session/words.h"

#include <gtest/gtest.h>

#include "platform/command_line.h"

TEST(Words, PathIdIsLenientHexadecimal) {
  EXPECT_EQ(parse_path_id("1a2b"), 0x1A2Bu);
  EXPECT_EQ(parse_path_id("zz"), 0u);
  EXPECT_EQ(parse_path_id(""), 0u);
  EXPECT_EQ(parse_path_id("  0x7701000F"), 0x7701000Fu);
  EXPECT_EQ(parse_path_id("0X1fz9"), 0x1Fu);
  EXPECT_EQ(parse_path_id("0x"), 0u);
  EXPECT_EQ(parse_path_id("123456789abcdef0"), 0x123456789ABCDEF0u);
  EXPECT_EQ(parse_path_id("123456789abcdef01"), UINT64_MAX);  // too large: saturates, never wraps
}

TEST(Words, WeightIsLenientSignedDecimal) {
  EXPECT_EQ(parse_decimal_i32("25"), 25);
  EXPECT_EQ(parse_decimal_i32(" -7x"), -7);
  EXPECT_EQ(parse_decimal_i32("+3"), 3);
  EXPECT_EQ(parse_decimal_i32("abc"), 0);
  EXPECT_EQ(parse_decimal_i32("99999999999"), INT32_MAX);
  EXPECT_EQ(parse_decimal_i32("-99999999999"), INT32_MIN);
}

TEST(Words, PromptLinesSplitAtSpacesOnly) {
  EXPECT_EQ(split_words("  debug   devinfo "), (std::vector<std::string>{"debug", "devinfo"}));
  EXPECT_EQ(split_words("quit\tnow x"), (std::vector<std::string>{"quit\tnow", "x"}));
  EXPECT_TRUE(split_words("     ").empty());
  std::string many;
  for (int i = 0; i < 40; ++i) many += "w" + std::to_string(i) + " ";
  EXPECT_EQ(split_words(many).size(), 40u);  // no fixed word limit
}

TEST(Words, ChildCommandLineSplitsLikeTheWindowsRuntime) {
  using V = std::vector<std::string>;
  EXPECT_EQ(split_command_line("pathmgr   devinfo"), (V{"pathmgr", "devinfo"}));
  EXPECT_EQ(split_command_line("pathmgr a\tb"), (V{"pathmgr", "a", "b"}));
  EXPECT_EQ(split_command_line("pathmgr \"two words\" x"), (V{"pathmgr", "two words", "x"}));
  EXPECT_EQ(split_command_line(R"(pathmgr a\\"b c" d)"), (V{"pathmgr", R"(a\b c)", "d"}));
  EXPECT_EQ(split_command_line(R"(pathmgr a\"b)"), (V{"pathmgr", "a\"b"}));
  EXPECT_EQ(split_command_line(R"(pathmgr MPIO\Disk&Ven)"), (V{"pathmgr", R"(MPIO\Disk&Ven)"}));
  EXPECT_EQ(split_command_line("pathmgr "), (V{"pathmgr"}));
}

// A doubled quote inside a quoted part is a literal quote that also ends the part, as
// msvcrt.dll reads a Windows child's command line.
TEST(Words, ChildCommandLineDoubledQuoteEndsTheQuotedPart) {
  using V = std::vector<std::string>;
  EXPECT_EQ(split_command_line(R"(pathmgr x "a""b c")"), (V{"pathmgr", "x", "a\"b", "c"}));
  EXPECT_EQ(split_command_line(R"(pathmgr "a""" b")"), (V{"pathmgr", "a\" b"}));
  EXPECT_EQ(split_command_line(R"(pathmgr """" x)"), (V{"pathmgr", "\" x"}));
  EXPECT_EQ(split_command_line(R"(pathmgr a""b "" c)"), (V{"pathmgr", "ab", "", "c"}));
  EXPECT_EQ(split_command_line(R"(pathmgr "a\\"" b)"), (V{"pathmgr", R"(a\")", "b"}));
}
