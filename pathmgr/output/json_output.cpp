#include "output/json_output.h"

#include "text/text_convert.h"

std::string JsonOutput::take_text() {
  std::string text = text_.str();
  text_.str(std::string());
  text_.clear();
  // What a console would have shown: its code page on Windows, UTF-8 elsewhere.
  return narrow_utf8(widen_console(text));
}

void JsonOutput::begin_command() {
  take_text();
  staged_.reset();
  std::lock_guard lock(mutex_);
  wrote_lines_ = false;
}

bool JsonOutput::write_staged() {
  if (!staged_) return false;
  write_line(*staged_);
  staged_.reset();
  return true;
}

void JsonOutput::write_line(const std::string& document) {
  std::lock_guard lock(mutex_);
  documents_ << document << '\n' << std::flush;
  wrote_lines_ = true;
}

bool JsonOutput::wrote_lines() const {
  std::lock_guard lock(mutex_);
  return wrote_lines_;
}
