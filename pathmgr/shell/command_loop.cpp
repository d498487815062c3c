#include "shell/command_loop.h"

#include <cstdio>

#include "shell/dispatch.h"
#include "shell/help_text.h"
#include "session/words.h"
#include "text/wipe_text.h"

namespace {

bool is_quit_word(const std::string& word) { return equals_nocase(word, "quit") || equals_nocase(word, "exit"); }

// Reads one line of any length; false at end of input with nothing read.
bool read_line(std::istream& in, std::string& line) {
  line.clear();
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

// One command in this process; a failure is reported and the result given back.
int TextVoice::run_here(Session& s, const CommandHandlers& h, Words words, const CommandRunner& run) {
  int rc = run([&] { return dispatch_command(s, h, std::move(words)); });
  if (rc != 0) s.out << "command failed!" << std::endl;
  return rc;
}

void TextVoice::prompt(Session& s) { s.out << "pathmgr> " << std::flush; }

void TextVoice::end_of_input(Session& s) { s.out << "\n" << std::flush; }

void TextVoice::line_too_long(Session& s) {
  s.out << "Line too long: at most " << kMaxPromptLine << " characters are accepted." << std::endl;
}

void TextVoice::help(Session& s) { print_help(s.out, s.family5()); }

void TextVoice::child_failed(Session& s, std::uint32_t error) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "CreateProcess failed: 0x%x\n", static_cast<unsigned>(error));
  s.out << buf << std::flush;
}

int command_loop(Session& s, const CommandHandlers& h, const Words& args, std::istream& in,
                 const ChildStarter& start_child, const CommandRunner& run) {
  TextVoice text;
  return command_loop(s, h, args, in, start_child, run, text);
}

int command_loop(Session& s, const CommandHandlers& h, const Words& args, std::istream& in,
                 const ChildStarter& start_child, const CommandRunner& run, LoopVoice& voice) {
  if (!args.empty()) return voice.run_here(s, h, args, run);

  // A line may carry a password (mpiolist): every copy of it is wiped once the line
  // is done, and the line's buffer holds any accepted line without moving.
  std::string line, child_command_line;
  line.reserve(kMaxPromptLine + 1);
  Words words;
  for (;; wipe_text(line), wipe_text(child_command_line), wipe_text(words)) {
    voice.prompt(s);
    if (!read_line(in, line)) {
      voice.end_of_input(s);
      return 0;
    }
    if (line.size() > kMaxPromptLine) {
      voice.line_too_long(s);
      continue;
    }
    const char* start = voice.child_command_start();
    child_command_line.reserve(std::char_traits<char>::length(start) + line.size());
    child_command_line.append(start).append(line);
    words = split_words(line);
    if (words.empty()) continue;
    if (is_quit_word(words[0])) return 0;
    if (is_help_word(words[0])) {
      voice.help(s);
      continue;
    }
    if (words[0] == "debug") {
      words.erase(words.begin());
      voice.run_here(s, h, std::move(words), run);
      continue;
    }
    s.out.flush();
    if (std::uint32_t error = start_child(child_command_line); error != 0) voice.child_failed(s, error);
  }
}
