// Input at and past every limit: nesting of the host file, its size, arguments and
// prompt lines, property names. Each gives a clear answer, never a crash, and a
// refused file is never overwritten.
#include <gtest/gtest.h>

#include "simstack/host_makers/host_generator.h"
#include "test_support.h"

namespace {

std::string small_host_text() {
  simstack::HostSpec spec;
  spec.devices = 2;
  spec.paths_per_device = 2;
  return generated_host(spec).dump();
}

// The host with one more top-level member, given as JSON text.
std::string with_member(const std::string& name, const std::string& value) {
  std::string text = small_host_text();
  return text.substr(0, text.size() - 1) + ",\"" + name + "\":" + value + "}";
}

std::string nested(std::size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); }

}  // namespace

TEST(BadInput, NestingAtAndPastTheLimit) {
  struct Case {
    const char* what;
    std::string text;
    bool refused;
  };
  // The top-level object is one level; a list of class X sits inside five.
  auto in_list = [](std::size_t levels) {
    return with_member("wmi", "{\"ROOT\\\\CIMV2\":{\"instances\":{\"X\":[" + nested(levels) + "]}}}");
  };
  const std::vector<Case> cases = {
      {"top-level member at the limit", with_member("deep", nested(255)), false},
      {"top-level member one past", with_member("deep", nested(256)), true},
      {"a hundred thousand levels", with_member("deep", nested(100000)), true},
      {"unread instance list at the limit", in_list(251), false},
      {"unread instance list one past", in_list(252), true},
      {"unread instance list, a hundred thousand levels", in_list(100000), true},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.file("h.json");
    write_text(path, c.text);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"devinfo"}, {"set", "DbgPrintLevel", "3"}}) {
      auto r = run_pathmgr(args, path);
      if (c.refused) {
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.out, "Simulated host: " + path + ": nested deeper than 256 levels\n");
        EXPECT_EQ(read_text(path), c.text);
      } else {
        EXPECT_EQ(r.exit_code, 0) << r.out;
      }
    }
  }
}

TEST(BadInput, HugeHostFileKeepsWorkingAndKeepsItsMembers) {
  TempDir dir;
  const std::string big(24u << 20, 'z');  // 24 MiB in one member beside the devices
  const std::string path = dir.file("h.json");
  write_text(path, with_member("padding", "\"" + big + "\""));
  auto report = run_pathmgr({"devinfo"}, path);
  EXPECT_EQ(report.exit_code, 0);
  EXPECT_NE(report.out.find("RoundRobin"), std::string::npos);
  EXPECT_EQ(run_pathmgr({"set", "DbgPrintLevel", "4"}, path).exit_code, 0);
  const Json after = read_json(path);
  EXPECT_EQ(after["padding"].get_ref<const std::string&>().size(), big.size());
}

TEST(BadInput, LongArgumentsAndPromptLinesAreAnsweredAndChangeNothing) {
  TempDir dir;
  const std::string path = dir.file("h.json");
  write_text(path, small_host_text());
  const std::string before = read_text(path);
  const std::string word(64 * 1024, 'x');
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string starts;  // the beginning of the output
  };
  const std::vector<Case> cases = {
      {{word}, 0, "syntax error near " + word + "\n"},
      {{"devinfo", word, "RoundRobin"}, 1, "command failed!"},
      {{"pathinfo", word}, 0, ""},
      {{"set", word, "1"}, 255, "Error: invalid parameter \"" + word + "\""},
  };
  for (const auto& c : cases) {
    auto r = run_pathmgr(c.args, path);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args[0];
    EXPECT_EQ(r.out.substr(0, c.starts.size()), c.starts) << c.args[0];
  }
  // At the prompt: a line of 32000 characters is a command, one more is refused.
  const std::string at_limit = "devinfo " + std::string(32000 - 8 - 11, 'y') + " RoundRobin";
  auto prompt = run_pathmgr({}, path, at_limit + "\n" + at_limit + "z\n" + word + "\nquit\n");
  EXPECT_EQ(prompt.exit_code, 0);
  EXPECT_EQ(prompt.out,
            "pathmgr> command failed!\n"
            "pathmgr> Line too long: at most 32000 characters are accepted.\n"
            "pathmgr> Line too long: at most 32000 characters are accepted.\n"
            "pathmgr> ");
  EXPECT_EQ(read_text(path), before);
}
