// The words of mpiolist: the class, the computer, and another user's credentials.
#pragma once
#include <ostream>
#include <string>

#include "browser/class_tables.h"
#include "session/words.h"

// Longest namespace path, user name and password the command takes (characters).
inline constexpr std::size_t kMaxNamespacePath = 259;
inline constexpr std::size_t kMaxUserName = 512;
inline constexpr std::size_t kMaxPassword = 255;

struct MpiolistRequest {
  const MpiolistClass* listed = nullptr;
  std::wstring namespace_path;
  std::wstring user;
  std::wstring password;
  MpiolistRequest() = default;
  MpiolistRequest(const MpiolistRequest&) = delete;  // credentials are never copied
  MpiolistRequest& operator=(const MpiolistRequest&) = delete;
  ~MpiolistRequest() { wipe_credentials(); }
  // Overwrites the user name and password with zeros (and leaves them empty).
  void wipe_credentials();
};

// 2, 3 or 5 words: mpiolist WMI_Object [ Machine_Name [ Admin_User Password ] ].
// Returns 0, or 1 after printing why and the usage.
int parse_mpiolist_arguments(std::ostream& out, const Words& words, MpiolistRequest& request);

void print_mpiolist_usage(std::ostream& out);
