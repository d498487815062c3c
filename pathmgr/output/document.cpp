#include "output/document.h"

#include "text/hex_digits.h"

namespace {

void family_members(JsonText& json, unsigned major) {
  json.key("family");
  json.number(std::uint32_t{major <= 5 ? 5u : 6u});
  json.key("os_major");
  json.number(std::uint32_t{major});
}

}  // namespace

void begin_document(JsonText& json, const char* format, std::string_view command, const Session& session) {
  json.begin_object();
  json.key("format");
  json.utf8(format);
  json.key("command");
  json.utf8(command);
  family_members(json, session.major_version);
}

void stage_document(JsonText& json, JsonOutput& output) {
  json.key("message");
  json.utf8(output.take_text());
  json.end_object();
  output.stage(json.str());
}

void status_members(JsonText& json, std::int64_t status, std::string_view name) {
  json.key(name);
  json.number(status);
  // The 32-bit pattern: a negative HRESULT reads as its unsigned code.
  std::string hex = "0x";
  append_hex(hex, static_cast<std::uint32_t>(status), 8, true);
  json.key(std::string(name) + "_hex");
  json.utf8(hex);
}

void path_id_members(JsonText& json, std::uint64_t id, std::string_view name) {
  json.key(name);
  json.number(id);
  json.key(std::string(name) + "_hex");
  json.hex(id, 8);
}

std::string error_document(const ErrorReport& report) {
  JsonText json;
  json.begin_object();
  json.key("format");
  json.utf8(kErrorFormat);
  json.key("error");
  json.utf8(report.kind);
  json.key("command");
  if (report.command.empty()) json.null();
  else json.typed(report.command);
  if (report.major) family_members(json, *report.major);
  status_members(json, report.status);
  json.key("text");
  json.utf8(report.text);
  json.end_object();
  return json.str();
}
