// A whole file's bytes, read without a stream that could throw: a folder, a file that
// cannot be opened or read, or one that vanishes is a Windows error code, as the
// system's own file functions give it.
#pragma once
#include <string>

#include "win32_error.h"

// ERROR_FILE_NOT_FOUND (2) or ERROR_PATH_NOT_FOUND (3) for a name that is not there,
// ERROR_ACCESS_DENIED (5) for a folder or a file that cannot be opened, ERROR_READ_FAULT
// (30) for a read that failed.
Win32Error read_file_bytes(const std::string& path, std::string& out);
