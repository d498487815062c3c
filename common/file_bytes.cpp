#include "file_bytes.h"

#include <cstdio>
#include <filesystem>
#include <memory>

Win32Error read_file_bytes(const std::string& path, std::string& out) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (!fs::exists(status)) {
    const auto folder = fs::path(path).parent_path();
    return folder.empty() || fs::is_directory(folder, ec) ? kERROR_FILE_NOT_FOUND : kERROR_PATH_NOT_FOUND;
  }
  if (fs::is_directory(status)) return kERROR_ACCESS_DENIED;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) return kERROR_ACCESS_DENIED;
  out.clear();
  char buffer[1 << 14];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0;) out.append(buffer, n);
  return std::ferror(f.get()) ? kERROR_READ_FAULT : kERROR_SUCCESS;
}
