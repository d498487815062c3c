// Text that may carry a password (a word typed for another computer's account) is
// overwritten with zeros before its memory goes back to the heap. Writes go through a
// volatile pointer so that the compiler keeps them; the whole buffer is overwritten,
// its room beyond the text included, and the text is left empty.
#pragma once
#include <string>
#include <vector>

void wipe_text(std::string& text);
void wipe_text(std::wstring& text);
void wipe_text(std::vector<std::string>& words);
void wipe_text(std::vector<char>& bytes);

// Wipes the words when the scope that holds them ends, whichever way it is left.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::vector<std::string>& words) : words_(words) {}
  ~WipeOnExit() { wipe_text(words_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::vector<std::string>& words_;
};
