#include "inf/inf_file.h"

#include <cwctype>
#include <map>

#include "file_bytes.h"
#include "text/text_convert.h"

namespace inf {

namespace {

std::wstring decode(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      auto unit = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8));
      out.push_back(static_cast<wchar_t>(unit));
    }
    return out;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return widen_utf8(bytes);
}

bool blank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\f' || c == L'\v'; }

std::wstring lower(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

// One field being read: unquoted blanks at its ends are dropped, quoted ones kept.
struct FieldText {
  std::wstring text;
  std::size_t significant = 0;
  void add(wchar_t c, bool quoted) {
    if (!quoted && blank(c)) {
      if (text.empty()) return;
      text.push_back(c);
      return;
    }
    text.push_back(c);
    significant = text.size();
  }
  std::wstring take() {
    text.resize(significant);
    std::wstring out = std::move(text);
    text.clear();
    significant = 0;
    return out;
  }
};

// True when nothing but blanks or a comment follows position `i` on this physical line.
bool rest_is_empty(const std::wstring& text, std::size_t i) {
  for (; i < text.size() && text[i] != L'\n'; ++i) {
    if (text[i] == L';') return true;
    if (!blank(text[i])) return false;
  }
  return true;
}

std::wstring substitute(const std::wstring& text, const std::map<std::wstring, std::wstring>& strings) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') {
      out.push_back(text[i]);
      continue;
    }
    auto end = text.find(L'%', i + 1);
    if (end == std::wstring::npos) {
      out.append(text, i, std::wstring::npos);
      break;
    }
    if (end == i + 1) {
      out.push_back(L'%');  // "%%" is a percent sign
    } else if (auto it = strings.find(lower(std::wstring_view(text).substr(i + 1, end - i - 1))); it != strings.end()) {
      out += it->second;
    } else {
      out.append(text, i, end - i + 1);  // directory ids and unknown keys stay as written
    }
    i = end;
  }
  return out;
}

}  // namespace

bool equal_nocase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  return true;
}

std::optional<std::int32_t> parse_int(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && blank(text[i])) ++i;
  bool negative = false;
  if (i == text.size()) return 0;  // an empty field reads as 0, as SetupGetIntField reads it
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  int base = 10;
  if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == L'0') {
    base = 8;
  }
  if (i >= text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    int digit = -1;
    wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    if (digit < 0 || digit >= base) return std::nullopt;
    if (value < (std::int64_t{1} << 33)) value = value * base + digit;  // saturates below
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;  // as a 32-bit strtol saturates
  if (value < INT32_MIN) value = INT32_MIN;
  return static_cast<std::int32_t>(value);
}

InfFile InfFile::parse(std::string_view bytes) {
  const std::wstring text = decode(bytes);
  InfFile file;
  std::map<std::wstring, std::size_t> index;  // lower-case name -> section
  Section* current = nullptr;

  Line line;
  FieldText field;
  bool any = false;       // the logical line has content
  bool at_start = true;   // at the start of a logical line
  bool quoted = false;
  auto end_field = [&] { line.fields.push_back(field.take()); };
  auto end_line = [&] {
    if (any && current != nullptr) {
      end_field();
      current->lines.push_back(std::move(line));
    }
    line = Line();
    field.take();
    any = false;
    at_start = true;
    quoted = false;
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\n' && !quoted) {
      end_line();
      continue;
    }
    if (c == L'\n') {  // an unterminated quote ends with its line
      end_line();
      continue;
    }
    if (at_start && !quoted) {
      if (blank(c)) continue;
      at_start = false;
      if (c == L'[') {
        auto close = text.find(L']', i);
        auto eol = text.find(L'\n', i);
        if (close != std::wstring::npos && (eol == std::wstring::npos || close < eol)) {
          std::wstring name = text.substr(i + 1, close - i - 1);
          auto key = lower(name);
          auto found = index.find(key);
          if (found == index.end()) {
            found = index.emplace(key, file.sections_.size()).first;
            file.sections_.push_back(Section{name, {}});
          }
          current = &file.sections_[found->second];
          i = (eol == std::wstring::npos ? text.size() : eol) - 1;  // the rest of the line is ignored
          continue;
        }
      }
    }
    if (quoted) {
      if (c == L'"') {
        if (i + 1 < text.size() && text[i + 1] == L'"') {
          field.add(L'"', true);
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field.add(c, true);
      }
      continue;
    }
    switch (c) {
      case L';': {  // a comment runs to the end of the line
        auto eol = text.find(L'\n', i);
        i = (eol == std::wstring::npos ? text.size() : eol) - 1;
        break;
      }
      case L'"':
        quoted = true;
        any = true;
        field.significant = field.text.size();
        break;
      case L',':
        any = true;
        end_field();
        break;
      case L'=':
        if (!line.key && line.fields.empty()) {
          line.key = field.take();
          any = true;
        } else {
          field.add(c, false);
        }
        break;
      case L'\\':
        if (rest_is_empty(text, i + 1)) {  // continuation: the next line goes on this one
          auto eol = text.find(L'\n', i);
          i = eol == std::wstring::npos ? text.size() : eol;
          break;
        }
        field.add(c, false);
        any = true;
        break;
      default:
        if (!blank(c)) any = true;
        field.add(c, false);
        break;
    }
  }
  end_line();

  // %strkey% substitution from [Strings] (the strings themselves are taken as written).
  std::map<std::wstring, std::wstring> strings;
  if (auto found = index.find(L"strings"); found != index.end())
    for (const auto& l : file.sections_[found->second].lines)
      if (l.key && !l.fields.empty()) strings.emplace(lower(*l.key), l.fields.front());
  if (!strings.empty())
    for (auto& s : file.sections_) {
      if (equal_nocase(s.name, L"Strings")) continue;
      for (auto& l : s.lines) {
        if (l.key) l.key = substitute(*l.key, strings);
        for (auto& f : l.fields) f = substitute(f, strings);
      }
    }
  return file;
}

Win32Error InfFile::load(const std::string& path, InfFile& out) {
  std::string bytes;
  if (Win32Error rc = read_file_bytes(path, bytes); rc != kERROR_SUCCESS) return rc;
  out = parse(bytes);
  return kERROR_SUCCESS;
}

const Section* InfFile::section(std::wstring_view name) const {
  for (const auto& s : sections_)
    if (equal_nocase(s.name, name)) return &s;
  return nullptr;
}

long InfFile::line_count(std::wstring_view name) const {
  const Section* s = section(name);
  return s == nullptr ? -1 : static_cast<long>(s->lines.size());
}

std::optional<std::size_t> InfFile::find_line(std::wstring_view name, std::wstring_view key) const {
  const Section* s = section(name);
  if (s == nullptr) return std::nullopt;
  for (std::size_t i = 0; i < s->lines.size(); ++i)
    if (s->lines[i].key && equal_nocase(*s->lines[i].key, key)) return i;
  return std::nullopt;
}

const Line* InfFile::line(std::wstring_view name, std::size_t index) const {
  const Section* s = section(name);
  return s != nullptr && index < s->lines.size() ? &s->lines[index] : nullptr;
}

std::optional<std::wstring> InfFile::line_text(std::wstring_view name, std::size_t index) const {
  const Line* l = line(name, index);
  if (l == nullptr) return std::nullopt;
  std::wstring out;
  for (std::size_t f = 0; f < l->fields.size(); ++f) {
    if (f > 0) out += L',';
    out += l->fields[f];
  }
  return out;
}

std::optional<std::wstring> InfFile::string_field(std::wstring_view name, std::size_t index, std::size_t field) const {
  const Line* l = line(name, index);
  if (l == nullptr) return std::nullopt;
  if (field == 0) return l->key;
  if (field > l->fields.size()) return std::nullopt;
  return l->fields[field - 1];
}

std::optional<std::int32_t> InfFile::int_field(std::wstring_view name, std::size_t index, std::size_t field) const {
  auto text = string_field(name, index, field);
  if (!text) return std::nullopt;
  return parse_int(*text);
}

std::optional<std::wstring> InfFile::value(std::wstring_view name, std::wstring_view key) const {
  auto index = find_line(name, key);
  if (!index) return std::nullopt;
  return string_field(name, *index, 1);
}

}  // namespace inf
