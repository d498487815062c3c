// Win32 error codes the seams give, with their Windows values, so messages and
// exit paths read the same on every platform.
#pragma once
#include <cstdint>

using Win32Error = std::uint32_t;

constexpr Win32Error kERROR_SUCCESS = 0;
constexpr Win32Error kERROR_FILE_NOT_FOUND = 2;
constexpr Win32Error kERROR_PATH_NOT_FOUND = 3;
constexpr Win32Error kERROR_ACCESS_DENIED = 5;
constexpr Win32Error kERROR_READ_FAULT = 30;
constexpr Win32Error kERROR_NOT_ENOUGH_MEMORY = 8;
constexpr Win32Error kERROR_INVALID_DATA = 13;
constexpr Win32Error kERROR_INVALID_PARAMETER = 87;
constexpr Win32Error kERROR_BUSY = 170;
constexpr Win32Error kERROR_MORE_DATA = 234;
constexpr Win32Error kERROR_NO_MORE_ITEMS = 259;
