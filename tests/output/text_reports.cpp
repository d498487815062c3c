#include "output/text_reports.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <stdexcept>

namespace {

const char* const kStates[] = {"Active/Unoptimized", "Active/Optimized", "Standby", "Unavailable", "Unknown",
                               "Online", "Failed"};

std::size_t indent_of(const std::string& line) {
  std::size_t n = 0;
  while (n < line.size() && line[n] == ' ') ++n;
  return n;
}

std::string trim(const std::string& text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

}  // namespace

std::vector<std::string> text_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> words_of(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::vector<std::string> rows_under_rule(const std::string& text) {
  std::vector<std::string> rows;
  bool under = false;
  for (const std::string& line : text_lines(text)) {
    if (!under) {
      under = line.size() > 10 && line.find_first_not_of('-', 1) == std::string::npos && line[0] == ' ';
      continue;
    }
    if (line.empty()) break;
    rows.push_back(line);
  }
  return rows;
}

IoStatusText iostatus_row(const std::string& row, bool family5, const std::vector<std::string>& drives) {
  std::istringstream in(row);
  IoStatusText r;
  in >> r.path_id;
  if (family5) in >> r.pending;
  in >> r.counter >> std::ws;
  std::string rest;
  std::getline(in, rest);
  // The longest drive name the row goes on with.
  for (const std::string& drive : drives)
    if (rest.rfind(drive, 0) == 0 && drive.size() > r.drive.size()) r.drive = drive;
  if (r.drive.empty() && rest.rfind("N/A", 0) == 0) r.drive = "N/A";
  const std::vector<std::string> w = words_of(rest.substr(r.drive.size()));
  if (!w.empty()) r.serial = w[0];
  if (w.size() > 1) r.state = w[1];
  if (r.state.empty()) {
    // The serial number filled its column: the state follows it directly.
    for (const char* state : kStates) {
      const std::string s = state;
      if (r.serial.size() > s.size() && r.serial.compare(r.serial.size() - s.size(), s.size(), s) == 0) {
        r.state = s;
        r.serial.resize(r.serial.size() - s.size());
        break;
      }
    }
  }
  return r;
}

PathDetailText path_detail_row(const std::string& row) {
  PathDetailText r;
  r.serial = trim(row.substr(1, 32));
  r.address = trim(row.size() > 33 ? row.substr(33, 24) : std::string());
  r.drive = row.size() > 57 ? row.substr(57) : std::string();
  return r;
}

LabelledText labelled_blocks(const std::string& text, std::size_t column, const std::string& first_label) {
  LabelledText out;
  for (const std::string& line : text_lines(text)) {
    if (line == "Error occured!") {
      ++out.errors;
      continue;
    }
    const std::size_t colon = line.find(':');
    if (line.empty() || colon == std::string::npos || colon >= column) continue;
    const std::string label = trim(line.substr(0, colon));
    if (label == first_label || out.blocks.empty()) out.blocks.emplace_back();
    out.blocks.back().emplace_back(label, line.size() > column ? line.substr(column) : std::string());
  }
  return out;
}

std::vector<DumpLine> dump_lines(const std::string& text) {
  std::vector<DumpLine> out;
  for (const std::string& line : text_lines(text)) {
    if (line.empty()) continue;
    const std::size_t indent = indent_of(line);
    const std::size_t colon = line.find(": ");
    const bool labelled = colon != std::string::npos && line.find(' ', indent) > colon;
    if (!labelled && !out.empty()) {
      out.back().value += "\n" + line;
      continue;
    }
    if (!labelled) continue;
    out.push_back({indent, line.substr(indent, colon - indent), line.substr(colon + 2)});
  }
  return out;
}

namespace {

struct TreeReader {
  std::vector<std::string> lines;
  std::size_t at = 0;

  // Properties at exactly `indent` spaces, until a line less indented or a closing brace.
  std::vector<TreeProperty> properties(std::size_t indent) {
    std::vector<TreeProperty> props;
    while (at < lines.size()) {
      const std::string& line = lines[at];
      if (line.empty() || indent_of(line) != indent) break;
      const std::size_t eq = line.find(" = ");
      if (eq == std::string::npos) break;
      TreeProperty p;
      p.name = line.substr(indent, eq - indent);
      if (!p.name.empty() && p.name.back() == '*') {
        p.key = true;
        p.name.pop_back();
      }
      p.value = line.substr(eq + 3);
      ++at;
      if (p.value.empty()) embedded(p, indent);
      props.push_back(std::move(p));
    }
    return props;
  }

  // The object or array under a property whose value is empty.
  void embedded(TreeProperty& p, std::size_t indent) {
    if (at >= lines.size()) return;
    const std::string body = lines[at].substr(std::min(lines[at].size(), indent_of(lines[at])));
    if (body == "<empty array>") {
      p.is_array = true;
      ++at;
      return;
    }
    if (body.rfind("instance of ", 0) == 0) {
      p.is_array = true;
      const std::size_t header = indent_of(lines[at]);
      while (at < lines.size() && indent_of(lines[at]) == header &&
             lines[at].compare(header, 12, "instance of ") == 0) {
        TreeObject o;
        const std::string& h = lines[at];
        o.class_name = h.substr(header + 12, h.size() - header - 12 - 2);
        ++at;
        o.properties = properties(header + 2);
        if (at < lines.size() && trim(lines[at]) == "}") ++at;
        p.objects.push_back(std::move(o));
      }
      return;
    }
    TreeObject o;
    o.properties = properties(indent + 2);
    p.objects.push_back(std::move(o));
  }
};

}  // namespace

BrowserTree browser_tree(const std::string& text) {
  TreeReader reader{text_lines(text)};
  BrowserTree tree;
  auto& lines = reader.lines;
  if (lines.empty() || lines[0].size() < 2 || lines[0].front() != '<') return tree;
  tree.ns = lines[0].substr(1, lines[0].size() - 2);
  reader.at = 1;
  while (reader.at < lines.size()) {
    const std::string& line = lines[reader.at];
    if (line.empty()) {
      ++reader.at;
      continue;
    }
    if (indent_of(line) != 2) break;  // a failure report
    tree.class_name = line.substr(2);
    ++reader.at;
    TreeObject instance;
    instance.properties = reader.properties(4);
    if (instance.properties.empty() && (reader.at >= lines.size() || !lines[reader.at].empty())) break;
    tree.instances.push_back(std::move(instance));
  }
  return tree;
}

std::vector<std::uint8_t> hex_dump_bytes(const std::vector<std::string>& rows) {
  std::vector<std::uint8_t> bytes;
  for (const std::string& row : rows)
    for (std::size_t i = 0; i + 2 < row.size() && row[i + 2] == ' ' && std::isxdigit(static_cast<unsigned char>(row[i])) &&
                            std::isxdigit(static_cast<unsigned char>(row[i + 1]));
         i += 3)
      bytes.push_back(static_cast<std::uint8_t>(std::stoul(row.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::uint64_t hex_value(const std::string& digits) {
  std::string d = digits;
  if (d.rfind("0x", 0) == 0 || d.rfind("0X", 0) == 0) d = d.substr(2);
  if (d.empty()) throw std::invalid_argument("no hexadecimal digits");
  return std::stoull(d, nullptr, 16);
}
