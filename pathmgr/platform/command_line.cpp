#include "platform/command_line.h"

// The rules of msvcrt.dll's argument parser, which gives main() its arguments on every
// Windows system this program serves: blanks (space, tab) separate arguments; double
// quotes group; 2n backslashes before a quote give n backslashes and a quote that
// toggles grouping; 2n+1 give n backslashes and a literal quote; other backslashes are
// literal. Inside a quoted part, "" gives a literal quote AND ends the quoted part (the
// later C runtimes keep the part open instead, and so does wine's msvcrt, which the
// wine tests record): x "a""b c" is x, a"b, c.
// The first word, the program name, has a simpler rule of its own; the child's command
// line always begins with the plain word pathmgr, which both rules read alike.
// (In a double-byte ANSI code page msvcrt also keeps a lead byte with its trail byte;
// the simulation's text is UTF-8, where no byte of a character is a quote or blank.)
std::vector<std::string> split_command_line(const std::string& line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  bool quoted = false;
  for (;;) {
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    for (;;) {
      std::size_t slashes = 0;
      while (i < n && line[i] == '\\') {
        ++slashes;
        ++i;
      }
      bool copy = true;
      if (i < n && line[i] == '"') {
        if (slashes % 2 == 0) {
          if (quoted && i + 1 < n && line[i + 1] == '"')
            ++i;  // "" inside quotes: the second quote is copied, and grouping ends below
          else
            copy = false;
          quoted = !quoted;
        }
        slashes /= 2;
      }
      arg.append(slashes, '\\');
      if (i >= n || (!quoted && (line[i] == ' ' || line[i] == '\t'))) break;
      if (copy) arg += line[i];
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}
