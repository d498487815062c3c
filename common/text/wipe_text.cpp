#include "text/wipe_text.h"

namespace {

template <typename Char>
void zero(Char* p, std::size_t n) {
  volatile Char* v = p;
  for (std::size_t i = 0; i < n; ++i) v[i] = Char();
}

template <typename Text>
void wipe_all(Text& text) {
  text.resize(text.capacity());  // within its room: no new buffer
  zero(text.data(), text.size());
  text.clear();
}

}  // namespace

void wipe_text(std::string& text) { wipe_all(text); }
void wipe_text(std::wstring& text) { wipe_all(text); }
void wipe_text(std::vector<char>& bytes) { wipe_all(bytes); }

void wipe_text(std::vector<std::string>& words) {
  for (auto& w : words) wipe_text(w);
  words.clear();
}
