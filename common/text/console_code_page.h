// The code page wide text is converted to on Windows, decided apart from the calls
// that find its inputs so that the rule is the same wherever it is checked.
#pragma once

// The console's output code page when standard output is the console itself; the
// ANSI code page when output is redirected to a file or a pipe (what other programs
// read there), or when the console's code page cannot be had (0).
inline unsigned choose_output_code_page(bool stdout_is_console, unsigned console_cp, unsigned ansi_cp) {
  return stdout_is_console && console_cp != 0 ? console_cp : ansi_cp;
}
