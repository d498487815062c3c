// The frame every document of the machine-readable output shares: what schema it
// follows, which command made it and on which OS family, and the text the command
// printed besides what the document holds.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "output/json_output.h"
#include "output/json_text.h"
#include "session/session.h"

inline constexpr const char* kReportFormat = "pathmgr-report/1";
inline constexpr const char* kChangeFormat = "pathmgr-change/1";
inline constexpr const char* kErrorFormat = "pathmgr-error/1";
inline constexpr const char* kEventFormat = "pathmgr-event/1";

// {"format": ..., "command": ..., "family": 5 or 6, "os_major": ... — the caller's
// members follow.
void begin_document(JsonText& json, const char* format, std::string_view command, const Session& session);
// "message": the session's text since the command began; then the document ends and
// is staged as the command's document.
void stage_document(JsonText& json, JsonOutput& output);

// A command's result as the status of a document: "status" as the number, and
// "status_hex" as the 32-bit pattern in hexadecimal (HRESULTs read that way).
void status_members(JsonText& json, std::int64_t status, std::string_view name = "status");

// A path identifier: "path_id" (a number, or decimal text past 2^53 - 1) and
// "path_id_hex" (upper-case hexadecimal, at least 8 digits, as the reports show it).
void path_id_members(JsonText& json, std::uint64_t id, std::string_view name = "path_id");

// What the machine-readable output says instead of the text of a failure or of help.
struct ErrorReport {
  const char* kind = "failed";      // usage, syntax, startup, host, prompt, failed
  std::string command;              // the command word as typed; empty for none
  std::int64_t status = 0;          // the result that becomes the exit status
  std::string text;                 // what the text mode prints, UTF-8
  std::optional<unsigned> major;    // the OS major version, when it is known
};
std::string error_document(const ErrorReport& report);
