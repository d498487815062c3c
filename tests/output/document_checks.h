// Running pathmgr in both output modes and holding text values against JSON values.
#pragma once
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "test_support.h"

using Document = nlohmann::json;

// The same command in text mode and with --json, on the same host.
struct BothModes {
  ProcessResult text;
  ProcessResult json_run;
  Document json;  // null when the JSON output is not one document
};
BothModes run_both(const std::vector<std::string>& args, const std::string& host_path);

// The one JSON document of an output, or null (with a test failure) when it is not one.
Document parse_document(const std::string& output);

// Whether a value the text shows is `value`: numbers in decimal (a string past 2^53),
// flags as true/false, null as "N/A" or nothing.
::testing::AssertionResult shows(const std::string& text, const Document& value);
// Whether hexadecimal digits the text shows ("0x" optional) are the number `value` and,
// given, the digits `hex_text`.
::testing::AssertionResult shows_hex(const std::string& text, const Document& value,
                                     const Document& hex_text = Document());
