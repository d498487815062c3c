// The arguments a Windows child receives from msvcrt.dll under wine64, for the command
// lines the prompt builds, against the splitter the simulation starts its children with.
#include <gtest/gtest.h>

#include "platform/command_line.h"
#include "test_support.h"

namespace {

const std::string kWine = "/usr/lib/wine/wine64";

// The probe prints each child's arguments as "[arg]" lines closed by "--".
std::vector<std::vector<std::string>> children_arguments(const std::string& out) {
  std::vector<std::vector<std::string>> children;
  std::vector<std::string> current;
  std::size_t pos = 0;
  while (pos < out.size()) {
    std::size_t end = out.find('\n', pos);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "--") {
      children.push_back(std::move(current));
      current.clear();
    } else if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current.push_back(line.substr(1, line.size() - 2));
    }
  }
  return children;
}

// Runs the probe under a fresh prefix with one command line a child.
std::vector<std::vector<std::string>> wine_children(const std::vector<std::string>& lines) {
  std::string input;
  for (const auto& line : lines) input += line + "\n";
  TempDir prefix;
  const std::vector<std::string> env{"WINEPREFIX=" + prefix.path(), "WINEDEBUG=-all"};
  run_program({kWine, WINE_ARGV_PROBE}, env, {}, "");  // makes the prefix, whose notes would mix in
  ProcessResult r = run_program({kWine, WINE_ARGV_PROBE}, env, {}, input);
  run_program({"/usr/lib/wine/wineserver", "-k"}, env, {}, "");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  auto children = children_arguments(r.out);
  EXPECT_EQ(children.size(), lines.size()) << r.out;
  children.resize(lines.size());
  return children;
}

}  // namespace

// One wine start for all the lines: the prefix alone takes seconds.
TEST(WineCommandLine, ChildGetsTheArgumentsTheSplitterGives) {
  using V = std::vector<std::string>;
  const V same = {
      "pathmgr devinfo",
      "pathmgr   devinfo  all\tRoundRobin",
      "pathmgr \"two words\" x",
      R"(pathmgr a\\"b c" d)",
      R"(pathmgr a\"b MPIO\Disk&Ven_X\\)",
      R"(pathmgr a""b "" c)",
      "pathmgr * ?",  // no wildcard expansion
  };
  // A doubled quote inside a quoted part: Windows' msvcrt.dll copies one quote and ends
  // the part, which the splitter follows; wine's msvcrt keeps the part open, as the
  // later C runtimes do. Wine's answers are recorded here so that a change shows.
  const std::vector<std::pair<std::string, V>> wine_differs = {
      {R"(pathmgr x "a""b c")", {"pathmgr", "x", "a\"b c"}},
      {R"(pathmgr "a""" b")", {"pathmgr", "a\"", "b"}},
      {R"(pathmgr """" x)", {"pathmgr", "\"", "x"}},
      {R"(pathmgr "a\\"" b)", {"pathmgr", R"(a\" b)"}},
  };
  V lines = same;
  for (const auto& [line, wine] : wine_differs) lines.push_back(line);
  auto children = wine_children(lines);
  for (std::size_t i = 0; i < same.size(); ++i) EXPECT_EQ(children[i], split_command_line(same[i])) << same[i];
  for (std::size_t i = 0; i < wine_differs.size(); ++i) {
    const auto& [line, wine] = wine_differs[i];
    EXPECT_EQ(children[same.size() + i], wine) << line;
    EXPECT_NE(split_command_line(line), wine) << line;
  }
}
