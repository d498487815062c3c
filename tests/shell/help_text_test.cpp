#include "shell/help_text.h"

#include <gtest/gtest.h>

#include <sstream>

#include "shell/expected_help.h"

TEST(HelpText, FamilySixHasNoFailbackPrimaryOrPgrLines) {
  std::ostringstream out;
  EXPECT_EQ(print_help(out, false), 0);
  EXPECT_EQ(out.str(), help_text_family6());
}

TEST(HelpText, FamilyFiveHasFailbackPrimaryAndPgrButNoDsminfo) {
  std::ostringstream out;
  EXPECT_EQ(print_help(out, true), 0);
  EXPECT_EQ(out.str(), help_text_family5());
}

TEST(HelpText, UsageIsBannerThenFullHelp) {
  std::ostringstream five, six;
  EXPECT_EQ(print_usage(five, true), 0);
  EXPECT_EQ(print_usage(six, false), 0);
  EXPECT_EQ(five.str(), usage_banner() + help_text_family5());
  EXPECT_EQ(six.str(), usage_banner() + help_text_family6());
}

TEST(HelpText, HelpWordsAnyCaseAndNothingElse) {
  for (const char* w : {"?", "/?", "-h", "-H", "--h", "/h", "/HELP", "--help", "help", "Help", "-help"})
    EXPECT_TRUE(is_help_word(w)) << w;
  for (const char* w : {"", "h", "helps", "--he", "/", "??", "-?", "hel"}) EXPECT_FALSE(is_help_word(w)) << w;
}
