#include "text/console_code_page.h"

#include <gtest/gtest.h>

// Wide text goes out in the console's code page only when standard output is the
// console; redirected to a file or a pipe it is in the ANSI code page.
TEST(ConsoleCodePage, ConsoleOnlyWhenStandardOutputIsTheConsole) {
  struct Case {
    bool is_console;
    unsigned console_cp, ansi_cp, expected;
  };
  for (const Case& c : {Case{true, 850, 1252, 850}, Case{false, 850, 1252, 1252},  // console; redirected
                        Case{true, 0, 1252, 1252}, Case{false, 0, 932, 932}})      // no console code page
    EXPECT_EQ(choose_output_code_page(c.is_console, c.console_cp, c.ansi_cp), c.expected)
        << c.is_console << " " << c.console_cp;
}
