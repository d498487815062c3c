#include "shell/command_loop.h"

#include <cstdio>

#include "shell/dispatch.h"
#include "shell/help_text.h"
#include "session/words.h"
#include "text/wipe_text.h"

namespace {

// One command in this process; a failure is reported and the result given back.
int run_here(Session& s, const CommandHandlers& h, Words words, const CommandRunner& run) {
  int rc = run([&] { return dispatch_command(s, h, std::move(words)); });
  if (rc != 0) s.out << "command failed!" << std::endl;
  return rc;
}

bool is_quit_word(const std::string& word) { return equals_nocase(word, "quit") || equals_nocase(word, "exit"); }

// Reads one line of any length; false at end of input with nothing read.
bool read_line(std::istream& in, std::string& line) {
  line.clear();
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

int command_loop(Session& s, const CommandHandlers& h, const Words& args, std::istream& in,
                 const ChildStarter& start_child, const CommandRunner& run) {
  if (!args.empty()) return run_here(s, h, args, run);

  // A line may carry a password (mpiolist): every copy of it is wiped once the line
  // is done, and the line's buffer holds any accepted line without moving.
  std::string line, child_command_line;
  line.reserve(kMaxPromptLine + 1);
  Words words;
  for (;; wipe_text(line), wipe_text(child_command_line), wipe_text(words)) {
    s.out << "pathmgr> " << std::flush;
    if (!read_line(in, line)) {
      s.out << "\n" << std::flush;
      return 0;
    }
    if (line.size() > kMaxPromptLine) {
      s.out << "Line too long: at most " << kMaxPromptLine << " characters are accepted." << std::endl;
      continue;
    }
    child_command_line.reserve(line.size() + 8);
    child_command_line.append("pathmgr ").append(line);
    words = split_words(line);
    if (words.empty()) continue;
    if (is_quit_word(words[0])) return 0;
    if (is_help_word(words[0])) {
      print_help(s.out, s.family5());
      continue;
    }
    if (words[0] == "debug") {
      words.erase(words.begin());
      run_here(s, h, std::move(words), run);
      continue;
    }
    s.out.flush();
    if (std::uint32_t error = start_child(child_command_line); error != 0) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "CreateProcess failed: 0x%x\n", static_cast<unsigned>(error));
      s.out << buf << std::flush;
    }
  }
}
