#include "simstack/state_file/host_document.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "simstack/state_file/json_text.h"
#include "simstack/state_file/state_file.h"

namespace simstack {

namespace {

// Closes the file when the read ends, however it ends.
struct CloseFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using OpenFile = std::unique_ptr<std::FILE, CloseFile>;

// A large host's document is tens of megabytes of small values: faulting them in page
// by page was a fifth of a report's time at 4096 devices. They go first into memory
// reserved for twice the file's size (a document takes about 1.4 times it), and one
// heap chunk more, so that even an empty file's region holds the pool's own header.
ReservedMemory region_for(const std::string& path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);  // without one, the read says why
  return ec || size > SIZE_MAX / 4 ? ReservedMemory{} : reserve_memory(static_cast<std::size_t>(size) * 2 + (1u << 16));
}

JsonAllocator pool_in(const ReservedMemory& region) {
  if (region.size == 0) return JsonAllocator();  // past the region too: chunks from the heap
  return JsonAllocator(region.start.get(), region.size);
}

}  // namespace

HostDocument::HostDocument(std::string path)
    : path_(std::move(path)), region_(region_for(path_)), pool_(pool_in(region_)), doc_(&pool_) {
  // A folder or a device opens as a stream too, with no size to go by.
  std::error_code ec;
  const auto status = std::filesystem::status(path_, ec);
  if (!ec && std::filesystem::is_directory(status)) throw StateError(path_ + ": is a folder, not a host file");
  if (!ec && !std::filesystem::is_regular_file(status)) throw StateError(path_ + ": is not a regular file");
  const OpenFile in(std::fopen(path_.c_str(), "rb"));
  if (!in) throw StateError(path_ + ": cannot be opened");
  const auto size = std::filesystem::file_size(path_, ec);
  if (ec) throw StateError(path_ + ": cannot be read");
  parse_json_file(in.get(), size, doc_, path_);
  validate_document(doc_, path_);
}

HostDocument::HostDocument(std::string_view text, std::string path) : path_(std::move(path)), doc_(&pool_) {
  parse_json(text, doc_, path_);
  validate_document(doc_, path_);
}

HostDocument::HostDocument(const HostDocument& other) : path_(other.path_), doc_(&pool_) {
  doc_.CopyFrom(other.doc_, doc_.GetAllocator());
}

void validate_document(const Json& doc, const std::string& path) {
  if (!doc.IsObject()) throw StateError(path + ": not a simulated host file (the top level is not a JSON object)");
  const Json* format = member(doc, "format");
  if (format == nullptr) throw StateError(path + ": not a simulated host file (no \"format\" member)");
  if (!format->IsString() || text_of(*format) != kFormat)
    throw StateError(path + ": unsupported format " + json_text(*format) + " (expected \"" + kFormat + "\")");
}

const Json* find_wmi_namespace(const Json& doc, std::string_view ns) {
  const Json* wmi = member_nocase(doc, "wmi");
  return wmi != nullptr ? member_nocase(*wmi, ns) : nullptr;
}

const Json* find_instance_list(const Json& doc, std::string_view ns, std::string_view class_name) {
  const Json* space = find_wmi_namespace(doc, ns);
  const Json* all = space != nullptr ? member_nocase(*space, "instances") : nullptr;
  return all != nullptr ? member_nocase(*all, class_name) : nullptr;
}

Json* find_instance_list(Json& doc, std::string_view ns, std::string_view class_name) {
  return const_cast<Json*>(find_instance_list(static_cast<const Json&>(doc), ns, class_name));
}

}  // namespace simstack
