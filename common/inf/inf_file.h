// An INF file as the device-installation interfaces read it: sections of lines, each
// line an optional key and comma-separated fields, with quoting, %strkey% substitution
// from [Strings], comments and line continuation already applied. Section names and
// keys compare without regard to case. Indexes follow SetupAPI: lines from 0, fields
// from 1, field 0 being the key.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32_error.h"

namespace inf {

struct Line {
  std::optional<std::wstring> key;
  std::vector<std::wstring> fields;  // after the "=", or the whole line when it has no key
};

struct Section {
  std::wstring name;
  std::vector<Line> lines;
};

class InfFile {
 public:
  // Parses the bytes of an INF: UTF-16LE with its byte-order mark, otherwise UTF-8
  // (with or without a mark).
  static InfFile parse(std::string_view bytes);
  // Reads and parses a file: ERROR_FILE_NOT_FOUND when it cannot be read.
  static Win32Error load(const std::string& path, InfFile& out);

  const Section* section(std::wstring_view name) const;
  // SetupGetLineCountW: -1 for a missing section.
  long line_count(std::wstring_view section) const;
  // SetupFindFirstLineW with a key: the index of the first line with that key.
  std::optional<std::size_t> find_line(std::wstring_view section, std::wstring_view key) const;
  const Line* line(std::wstring_view section, std::size_t index) const;
  // SetupGetLineTextW: the fields after the key, joined by commas.
  std::optional<std::wstring> line_text(std::wstring_view section, std::size_t index) const;
  // SetupGetStringFieldW (0 is the key) and SetupGetIntField (decimal, 0x hexadecimal,
  // a leading 0 octal; the whole field must be a number, an empty one is 0).
  std::optional<std::wstring> string_field(std::wstring_view section, std::size_t index, std::size_t field) const;
  std::optional<std::int32_t> int_field(std::wstring_view section, std::size_t index, std::size_t field) const;
  // The value of `key` in `section` (first field of its first line).
  std::optional<std::wstring> value(std::wstring_view section, std::wstring_view key) const;
  // SetupGetINFClassW: [Version] Class and ClassGUID (either may be empty).
  std::wstring class_name() const { return value(L"Version", L"Class").value_or(L""); }
  std::wstring class_guid() const { return value(L"Version", L"ClassGUID").value_or(L""); }

  const std::vector<Section>& sections() const { return sections_; }

 private:
  std::vector<Section> sections_;
};

bool equal_nocase(std::wstring_view a, std::wstring_view b);
// A field read as SetupGetIntField reads it.
std::optional<std::int32_t> parse_int(std::wstring_view text);

}  // namespace inf
