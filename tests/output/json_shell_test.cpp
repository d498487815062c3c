// The shell in JSON mode: usage, syntax errors and start-up failures as error documents
// holding the text the text mode prints, with its exit status; the prompt's lines as
// one document each on standard output, the prompt itself on standard error.
#include <gtest/gtest.h>

#include "output/document_checks.h"
#include "output/text_reports.h"
#include "simstack/host_makers/host_generator.h"

namespace {

struct ErrorCase {
  std::vector<std::string> args;
  const char* kind;
  void (*prepare)(Json&) = nullptr;
};

// pathmgr --json with standard error apart: what a script reads on standard output.
ProcessResult run_json_prompt(const std::string& host, const std::string& input) {
  return run_program({"/bin/sh", "-c", "exec \"$0\" --json 2>/dev/null", PATHMGR_BIN}, {"PATHMGR_SIM=" + host},
                     {"PATHMGR_SIM"}, input);
}

}  // namespace

TEST(JsonShell, ErrorsCarryTheTextAndTheExitStatusOfTextMode) {
  const ErrorCase cases[] = {
      {{"bogus"}, "syntax"},
      {{"de"}, "syntax"},
      {{"devinfo", "help"}, "syntax"},
      {{"primary", "1"}, "syntax"},  // family 6
      {{"dsminfo", "x", "y"}, "syntax"},
      {{"/?"}, "usage"},
      {{"HELP"}, "usage"},
      {{"mpiolist"}, "usage"},
      {{"mpiolist", "9"}, "usage"},
      {{"set"}, "usage"},
      {{"devinfo"}, "startup", [](Json& d) {
         d["faults"]["connect"] = Json::array({{{"namespace", "ROOT\\WMI"}, {"step", "ConnectServer"}, {"hresult", "0x8004100E"}}});
       }},
      {{"devinfo"}, "startup", [](Json& d) { d["faults"]["version"] = true; }},
      {{"devinfo"}, "startup", [](Json& d) { d["format"] = "something-else"; }},
  };
  TempDir dir;
  for (const ErrorCase& c : cases) {
    Json doc = generated_host({});
    if (c.prepare) c.prepare(doc);
    const BothModes r = run_both(c.args, write_json(dir.file("h.json"), doc));
    EXPECT_EQ(r.json_run.exit_code, r.text.exit_code) << c.args[0];
    EXPECT_EQ(r.json["format"], "pathmgr-error/1") << c.args[0];
    EXPECT_EQ(r.json["error"], c.kind) << c.args[0];
    EXPECT_EQ(r.json["text"], r.text.out) << c.args[0];
    EXPECT_EQ(r.json["command"], c.args[0]);
    EXPECT_EQ(r.json["status"], r.text.exit_code) << c.args[0];
    if (std::string(c.kind) != "startup") {
      EXPECT_EQ(r.json["family"], 6);
    }
  }
}

TEST(JsonShell, PromptLinesRunInChildrenWithJsonAndPrintOneDocumentEach) {
  TempDir dir;
  const std::string host = write_json(dir.file("h.json"), generated_host({}));
  const std::string long_line(32001, 'x');
  const ProcessResult r = run_json_prompt(
      host, "devinfo\n   \ndebug policies\nhelp\nbogus\nDebug devinfo\n" + long_line + "\ndebug\nclear sn x\nquit now\ndevinfo\n");
  EXPECT_EQ(r.exit_code, 0);
  const auto lines = text_lines(r.out);
  std::vector<std::pair<std::string, std::string>> seen;  // format and command or error
  for (const std::string& line : lines) {
    const Document d = Document::parse(line);
    seen.emplace_back(d["format"], d.contains("error") ? d["error"].get<std::string>() : d["command"].get<std::string>());
  }
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"pathmgr-report/1", "devinfo"},  {"pathmgr-report/1", "policies"}, {"pathmgr-error/1", "usage"},
      {"pathmgr-error/1", "syntax"},    {"pathmgr-error/1", "syntax"},    {"pathmgr-error/1", "prompt"},
      {"pathmgr-error/1", "usage"},     {"pathmgr-change/1", "clear"}};
  EXPECT_EQ(seen, expected) << r.out;
  // The prompt goes to standard error, once per line read and once more at the end.
  const ProcessResult both = run_program({PATHMGR_BIN, "--json"}, {"PATHMGR_SIM=" + host}, {"PATHMGR_SIM"}, "bogus\n");
  EXPECT_EQ(both.out.rfind("pathmgr> {\"format\":\"pathmgr-error/1\"", 0), 0u) << both.out;
  EXPECT_EQ(both.out.substr(both.out.size() - 10), "pathmgr> \n");
}

// A command line of the prompt's child is the line as typed: its words are those the
// child gets, --json first.
TEST(JsonShell, ChildrenGetTheLineAsTyped) {
  TempDir dir;
  const std::string host = write_json(dir.file("h.json"), generated_host({}));
  const ProcessResult r = run_json_prompt(host, "pathinfo  sn   \"60B5E718008000000000000000000000\"\n");
  const Document d = Document::parse(r.out);
  EXPECT_EQ(d["filter"]["value"], "60B5E718008000000000000000000000");
  EXPECT_EQ(d["paths"].size(), 4u);
}
