// Where the machine-readable output goes. The session's text is kept here, unseen,
// to become a document's message; each command's document is staged, and written
// only once the command has ended (a command whose host could not be written gets an
// error document instead). The event listener writes its lines at once.
#pragma once
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

class JsonOutput {
 public:
  explicit JsonOutput(std::ostream& documents) : documents_(documents) {}
  JsonOutput(const JsonOutput&) = delete;
  JsonOutput& operator=(const JsonOutput&) = delete;

  // What the session writes in JSON mode.
  std::ostream& text() { return text_; }
  // The text written since the command began (or since the last call), as UTF-8.
  std::string take_text();

  // Forgets the text, the staged document and the lines of the command before.
  void begin_command();
  void stage(std::string document) { staged_ = std::move(document); }
  bool has_staged() const { return staged_.has_value(); }
  // Writes the staged document, if any; true when there was one.
  bool write_staged();
  // One document on a line of its own, written and flushed now; safe from any thread.
  void write_line(const std::string& document);
  bool wrote_lines() const;

 private:
  std::ostream& documents_;
  std::ostringstream text_;
  std::optional<std::string> staged_;
  mutable std::mutex mutex_;  // lines come from the listener's delivery threads
  bool wrote_lines_ = false;
};
