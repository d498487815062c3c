#include "shell/json_voice.h"

#include <cstdio>

#include "output/document.h"
#include "shell/dispatch.h"
#include "shell/help_text.h"

namespace {

const char* const kCommandFailed = "command failed!\n";

std::string take(std::ostringstream& stream) {
  std::string text = stream.str();
  stream.str(std::string());
  stream.clear();
  return text;
}

}  // namespace

void JsonVoice::error(Session& s, const char* kind, const std::string& command, int status, const std::string& text) {
  output_.write_line(error_document({kind, command, status, text, s.major_version}));
}

int JsonVoice::run_here(Session& s, const CommandHandlers& h, Words words, const CommandRunner& run) {
  const std::string command = words.empty() ? std::string() : words[0];
  output_.begin_command();
  take(platform_errors_);
  const int rc = run([&] { return dispatch_command(s, h, std::move(words)); });
  const std::string failed = rc != 0 ? kCommandFailed : "";
  // A command the platform could not complete: its document (if any) is not what
  // happened; the error is, after the text the command printed.
  if (const std::string host = take(platform_errors_); !host.empty()) {
    output_.stage(error_document({"host", command, rc, output_.take_text() + host + failed, s.major_version}));
  } else if (!output_.has_staged() && (rc != 0 || !output_.wrote_lines())) {
    output_.stage(error_document({"failed", command, rc, output_.take_text() + failed, s.major_version}));
  }
  output_.write_staged();
  return rc;
}

void JsonVoice::prompt(Session&) { prompt_ << "pathmgr> " << std::flush; }

void JsonVoice::end_of_input(Session&) { prompt_ << "\n" << std::flush; }

void JsonVoice::line_too_long(Session& s) {
  error(s, "prompt", "", 1,
        "Line too long: at most " + std::to_string(kMaxPromptLine) + " characters are accepted.\n");
}

void JsonVoice::help(Session& s) {
  output_.begin_command();
  const int rc = print_help(s.out, s.family5());
  error(s, "usage", "", rc, output_.take_text());
}

void JsonVoice::child_failed(Session& s, std::uint32_t code) {
  char text[64];
  std::snprintf(text, sizeof text, "CreateProcess failed: 0x%x\n", static_cast<unsigned>(code));
  error(s, "prompt", "", 0, text);
}
