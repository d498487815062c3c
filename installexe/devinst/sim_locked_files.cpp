#include "devinst/sim_locked_files.h"

#include <algorithm>
#include <filesystem>


namespace devinst {

namespace {

std::string relative_name(std::string path, const std::string& folder) {
  std::replace(path.begin(), path.end(), '\\', '/');
  const auto relative = std::filesystem::path(path).lexically_normal().lexically_relative(
      std::filesystem::path(folder).lexically_normal());
  return relative.generic_string();
}

}  // namespace

bool windows_file_locked(const simstack::Json& doc, const std::string& windows_folder, const std::string& path) {
  const simstack::Json* locked = simstack::member_nocase(doc, "windows_locked");
  if (locked == nullptr || !locked->IsArray()) return false;
  const std::string name = relative_name(path, windows_folder);
  if (name.empty() || name.rfind("..", 0) == 0) return false;
  for (const auto& entry : locked->GetArray()) {
    if (!entry.IsString()) continue;
    std::string listed(simstack::text_of(entry));
    std::replace(listed.begin(), listed.end(), '\\', '/');
    if (simstack::equal_nocase(std::filesystem::path(listed).lexically_normal().generic_string(), name)) return true;
  }
  return false;
}

}  // namespace devinst
