// The interactive prompt of the built pathmgr, driven through pipes.
#include <gtest/gtest.h>

#include "shell/expected_help.h"
#include "simstack/host_makers/host_generator.h"
#include "test_support.h"

namespace {

const std::string kPrompt = "pathmgr> ";

class Interactive : public ::testing::Test {
 protected:
  void SetUp() override { state_ = write_json(dir_.file("s.json"), empty_host(6)); }
  ProcessResult run(const std::string& input) { return run_pathmgr({}, state_, input); }
  TempDir dir_;
  std::string state_;
};

}  // namespace

TEST_F(Interactive, QuitWordsEndAtOnceWithoutNewline) {
  for (const char* line : {"QUIT\n", "Exit\n", "quit now\n", "exit\ninstance\n", "quit"}) {
    auto r = run(line);
    EXPECT_EQ(r.exit_code, 0) << line;
    EXPECT_EQ(r.out, kPrompt) << line;
  }
}

TEST_F(Interactive, NearQuitWordsRunAsCommandsInAChild) {
  auto r = run("qui\nquits\nquit\tnow\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, kPrompt + "syntax error near qui\n" + kPrompt + "syntax error near quits\n" + kPrompt +
                       "syntax error near quit\n" + kPrompt + "\n");
}

TEST_F(Interactive, EmptyAndBlankLinesPromptAgainAndEndOfInputPrintsNewline) {
  auto r = run("\n     \n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, kPrompt + kPrompt + kPrompt + "\n");
}

TEST_F(Interactive, HelpPrintsFullHelpWithoutBanner) {
  auto r = run("help\n/?\n");
  EXPECT_EQ(r.out, kPrompt + help_text_family6() + kPrompt + help_text_family6() + kPrompt + "\n");
}

TEST_F(Interactive, DebugRunsInProcessAndDebugInOtherCaseGoesToAChild) {
  auto r = run("debug\ndebug bogus\nDebug instance\ndebug listen\n");
  EXPECT_EQ(r.out, kPrompt + help_text_family6() + kPrompt + "syntax error near bogus\n" + kPrompt +
                       "syntax error near Debug\n" + kPrompt +
                       "\n listening mode, press ENTER to stop...\n" +  // in this process, to the end of input
                       kPrompt + "\n");
}

TEST_F(Interactive, LinesRunInAChildWithTheUsersSpacing) {
  auto r = run("   ins   \ninstance a b c d e f g h i j k l\n");
  const std::string list = " DSM_QueryLBPolicy\n DSM_QueryLBPolicy_V2\n DSM_QueryUniqueId\n";
  // Words beyond ten reach the child; instance with a class name it does not dump prints nothing.
  EXPECT_EQ(r.out, kPrompt + list + kPrompt + kPrompt + "\n");
  EXPECT_EQ(r.exit_code, 0);  // a child's failure is not the prompt's
}

TEST_F(Interactive, OverlongLineIsRejectedWholeAndThePromptGoesOn) {
  std::string huge(40000, 'x');
  auto r = run(huge + "\nbogus\n");
  EXPECT_EQ(r.out, kPrompt + "Line too long: at most 32000 characters are accepted.\n" + kPrompt +
                       "syntax error near bogus\n" + kPrompt + "\n");
  // A line of 300 characters is well within the limit and reaches the child whole.
  std::string long_word = "b" + std::string(299, 'y');
  auto ok = run(long_word + "\n");
  EXPECT_EQ(ok.out, kPrompt + "syntax error near " + long_word + "\n" + kPrompt + "\n");
}

TEST_F(Interactive, LastLineWithoutNewlineIsNotCut) {
  auto r = run("bogus");
  EXPECT_EQ(r.out, kPrompt + "syntax error near bogus\n" + kPrompt + "\n");
}

TEST(InteractiveDebug, DebugDevinfoListsDevicesInTheProcessItself) {
  TempDir dir;
  auto path = write_json(dir.file("s.json"), generated_host(simstack::HostSpec{}));
  auto one_shot = run_pathmgr({"devinfo"}, path);
  ASSERT_NE(one_shot.out, "");
  auto r = run_pathmgr({}, path, "debug devinfo\n");
  EXPECT_EQ(r.out, "pathmgr> " + one_shot.out + "pathmgr> \n");
}
