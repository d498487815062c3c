#include "output/document_checks.h"

#include <algorithm>
#include <cctype>

#include "output/text_reports.h"

BothModes run_both(const std::vector<std::string>& args, const std::string& host_path) {
  BothModes r;
  r.text = run_pathmgr(args, host_path);
  std::vector<std::string> json_args{"--json"};
  json_args.insert(json_args.end(), args.begin(), args.end());
  r.json_run = run_pathmgr(json_args, host_path);
  r.json = parse_document(r.json_run.out);
  return r;
}

Document parse_document(const std::string& output) {
  if (output.empty() || output.back() != '\n' || output.find('\n') != output.size() - 1) {
    ADD_FAILURE() << "not one line: " << output;
    return Document();
  }
  try {
    return Document::parse(output);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what() << ": " << output;
    return Document();
  }
}

::testing::AssertionResult shows(const std::string& text, const Document& value) {
  std::string expected;
  if (value.is_null()) {
    if (text == "N/A" || text.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "text " << text << " for null";
  }
  if (value.is_boolean()) expected = value.get<bool>() ? "true" : "false";
  else if (value.is_number_unsigned()) expected = std::to_string(value.get<std::uint64_t>());
  else if (value.is_number_integer()) expected = std::to_string(value.get<std::int64_t>());
  else if (value.is_string()) expected = value.get<std::string>();
  else return ::testing::AssertionFailure() << "no text value: " << value.dump();
  if (expected == text) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "text '" << text << "' but JSON " << value.dump();
}

::testing::AssertionResult shows_hex(const std::string& text, const Document& value, const Document& hex_text) {
  std::uint64_t number = 0;
  if (value.is_number_unsigned()) number = value.get<std::uint64_t>();
  else if (value.is_number_integer()) number = static_cast<std::uint64_t>(value.get<std::int64_t>());
  else if (value.is_string()) number = std::stoull(value.get<std::string>());
  else return ::testing::AssertionFailure() << "no number: " << value.dump();
  if (hex_value(text) != number) return ::testing::AssertionFailure() << "text " << text << " but JSON " << value.dump();
  if (!hex_text.is_null()) {
    std::string digits = text.rfind("0x", 0) == 0 ? text.substr(2) : text;
    std::string json_digits = hex_text.get<std::string>();
    auto upper = [](std::string s) {
      std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      return s;
    };
    if (upper(digits) != upper(json_digits))
      return ::testing::AssertionFailure() << "text digits " << text << " but JSON " << hex_text.dump();
  }
  return ::testing::AssertionSuccess();
}
