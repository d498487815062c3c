// The text reports read back, line by line and column by column, on their own terms:
// what a person or a script cutting columns would read. The machine-readable tests
// hold each value read here against the JSON document of the same command.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

std::vector<std::string> text_lines(const std::string& text);
std::vector<std::string> words_of(const std::string& line);

// The rows under a report's rule (a line of a blank and hyphens) up to the empty line
// after them; "Error occured!" lines are rows too.
std::vector<std::string> rows_under_rule(const std::string& text);

// One iostatus row: the path id, the pending I/Os (family 5), the counter, the drive,
// then the serial number and the state. Texts that fill their column run into the
// next one: the drive is told by the host's drive names (`drives`, and "N/A"), the
// state by the state names.
struct IoStatusText {
  std::string path_id, pending, counter, drive, serial, state;
};
IoStatusText iostatus_row(const std::string& row, bool family5, const std::vector<std::string>& drives);

// One row of "pathinfo <PathId>": serial number (32 columns), SCSI address (24), drive.
struct PathDetailText {
  std::string serial, address, drive;
};
PathDetailText path_detail_row(const std::string& row);

// Labelled lines (" Label:" padded to `column`, then the value), grouped into blocks at
// each line whose label is `first_label`; "Error occured!" lines counted apart.
using LabelledBlock = std::vector<std::pair<std::string, std::string>>;
struct LabelledText {
  std::vector<LabelledBlock> blocks;
  int errors = 0;
};
LabelledText labelled_blocks(const std::string& text, std::size_t column, const std::string& first_label);

// The instance dump's lines: indentation, label (without its colon) and value; a line
// that carries no label continues the value before it (byte dumps, policy lists).
struct DumpLine {
  std::size_t indent = 0;
  std::string label, value;
};
std::vector<DumpLine> dump_lines(const std::string& text);

// The WMI browser's tree: properties with their key mark and value text, embedded
// objects nested under the property that holds them.
struct TreeObject;
struct TreeProperty {
  std::string name;
  bool key = false;
  std::string value;                // empty for embedded objects
  std::vector<TreeObject> objects;  // one for an embedded object, one per "instance of" block
  bool is_array = false;            // "instance of" blocks, or "<empty array>"
};
struct TreeObject {
  std::string class_name;  // of an "instance of" block; empty otherwise
  std::vector<TreeProperty> properties;
};
struct BrowserTree {
  std::string ns;
  std::string class_name;
  std::vector<TreeObject> instances;
};
BrowserTree browser_tree(const std::string& text);

// Bytes of pgr's hex dump rows (the hexadecimal column only), in order.
std::vector<std::uint8_t> hex_dump_bytes(const std::vector<std::string>& rows);

std::uint64_t hex_value(const std::string& digits);
