#include "simstack/state_file.h"

#include <filesystem>
#include <fstream>
#include <new>

#include "simstack/file_lock.h"
#include "simstack/json_reader.h"
#include "simstack/json_spans.h"
#include "simstack/json_writer.h"
#include "simstack/large_pages.h"

namespace simstack {

namespace {
std::string lock_path_of(const std::string& path) { return path + ".lock"; }
}  // namespace

void validate_document(const Json& doc, const std::string& path) {
  if (!doc.is_object()) throw StateError(path + ": not a simulated host file (the top level is not a JSON object)");
  auto it = doc.find("format");
  if (it == doc.end()) throw StateError(path + ": not a simulated host file (no \"format\" member)");
  if (!it->is_string() || it->get<std::string>() != kFormat)
    throw StateError(path + ": unsupported format " + it->dump() + " (expected \"" + kFormat + "\")");
}

StateFile::StateFile(std::string path) : path_(std::move(path)) {}

std::ifstream StateFile::open_host_file() const {
  // A folder or a device opens as a stream too, with no size to go by.
  std::error_code ec;
  const auto status = std::filesystem::status(path_, ec);
  if (!ec && std::filesystem::is_directory(status)) throw StateError(path_ + ": is a folder, not a host file");
  if (!ec && !std::filesystem::is_regular_file(status)) throw StateError(path_ + ": is not a regular file");
  std::ifstream in(path_, std::ios::binary | std::ios::ate);
  if (!in) throw StateError(path_ + ": cannot be opened");
  return in;
}

std::string StateFile::read_text_locked() const {
  std::ifstream in = open_host_file();
  const std::streamoff size = in.tellg();
  if (size < 0) throw StateError(path_ + ": cannot be read");
  try {
    std::string text(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) throw StateError(path_ + ": cannot be read");
    return text;
  } catch (const std::bad_alloc&) {
    throw StateError(path_ + ": too large to read (" + std::to_string(size) + " bytes)");
  }
}

SqueezedJson StateFile::read_squeezed_locked() const {
  // Read in pieces so the file's bytes and the copy never sit in memory together.
  constexpr std::size_t kPiece = 1 << 20;
  std::ifstream in = open_host_file();
  const std::streamoff size = in.tellg();
  if (size < 0) throw StateError(path_ + ": cannot be read");
  in.seekg(0);
  try {
    SqueezedJson squeezed;
    squeezed.text.reserve(static_cast<std::size_t>(size));  // an upper bound: pages are taken as they are written
    advise_large_pages(squeezed.text.data(), squeezed.text.capacity());
    std::string piece(kPiece, '\0');
    JsonWhitespaceSqueeze squeeze;
    while (in.read(piece.data(), kPiece) || in.gcount() > 0)
      squeeze.feed(std::string_view(piece.data(), static_cast<std::size_t>(in.gcount())), squeezed.text);
    if (!in.eof()) throw StateError(path_ + ": cannot be read");
    squeezed.structure = squeeze.take_structure();
    return squeezed;
  } catch (const std::bad_alloc&) {
    throw StateError(path_ + ": too large to read (" + std::to_string(size) + " bytes)");
  }
}

StateError not_valid_json(const std::string& path) { return StateError(path + ": not valid JSON"); }

Json parse_state_text(std::string_view text, const std::string& path, std::size_t depth) {
  if (depth + json_nesting(text, kMaxNesting - depth) > kMaxNesting)
    throw StateError(path + ": nested deeper than " + std::to_string(kMaxNesting) + " levels");
  std::optional<Json> doc;
  try {
    doc = read_json(text, depth == 0);  // a byte-order mark may open the file
  } catch (const std::bad_alloc&) {
    throw StateError(path + ": too large to read (" + std::to_string(text.size()) + " bytes)");
  }
  if (!doc) throw not_valid_json(path);
  return std::move(*doc);
}

Json StateFile::parse_locked() const {
  Json doc = parse_state_text(read_text_locked(), path_);
  validate_document(doc, path_);
  return doc;
}

void StateFile::write_locked(const Json& doc) {
  std::string text;
  append_json_text(doc, text);
  text += '\n';
  replace_file_durably(path_, text);
}

std::unique_ptr<FileLock> StateFile::lock(bool exclusive) const {
  return std::make_unique<FileLock>(lock_path_of(path_), exclusive ? FileLock::Mode::Exclusive : FileLock::Mode::Shared);
}

std::optional<FileIdentity> StateFile::identity() const { return file_identity(path_); }

Json StateFile::read() const {
  FileLock lock(lock_path_of(path_), FileLock::Mode::Shared);
  return parse_locked();
}

Json StateFile::update(const std::function<bool(Json&)>& change) {
  FileLock lock(lock_path_of(path_), FileLock::Mode::Exclusive);
  Json doc = parse_locked();
  if (change(doc)) write_locked(doc);
  return doc;
}

void StateFile::create_if_missing(const Json& initial) {
  create_parent_folders(path_);
  FileLock lock(lock_path_of(path_), FileLock::Mode::Exclusive);
  if (file_exists(path_)) return;
  write_locked(initial);
}

}  // namespace simstack
