#include "browser/mpiolist_args.h"

#include "text/text_convert.h"
#include "text/wide_text.h"
#include "text/wipe_text.h"

namespace {

int refuse(std::ostream& out, const char* why) {
  out << why << "\n";
  print_mpiolist_usage(out);
  return 1;
}

bool is_help_word(const std::string& word) {
  return equals_nocase(word, "/HELP") || equals_nocase(word, "-HELP") || word == "/?" || word == "-?";
}

}  // namespace

void MpiolistRequest::wipe_credentials() {
  wipe_text(user);
  wipe_text(password);
}

void print_mpiolist_usage(std::ostream& out) {
  out << "mpiolist - Displays specified MPIO WMI object. \n\n"
         "Syntax: mpiolist WMI_Object [ Machine_Name [ Admin_User Password ] ] \n\n"
         "  WMI_Object: is either the name of an WMI object \n"
         "    or one of the types from the following list: \n"
         "    Use...    To see... \n";
  for (const auto& row : mpiolist_classes()) {
    const std::string number = row.number;
    out << "      " << std::string(number.size() < 2 ? 2 - number.size() : 0, ' ') << number << "      "
        << WideText{row.name} << " \n";
  }
  out << "  Machine_Name:  optional parameter specifying the computer name \n"
         "    to be queried. \n"
         "  Admin_User:  optional parameter specifying the domain and user for \n"
         "    the Machine_Name computer.  Must be member of the Administrators \n"
         "    group to work correctly. \n"
         "  Password: optional parameter specifying the password for Admin_User \n"
         "    parameter.  If Admin_User is specified, this parameter is required. \n"
      << std::flush;
}

int parse_mpiolist_arguments(std::ostream& out, const Words& words, MpiolistRequest& request) {
  request.wipe_credentials();
  const std::size_t n = words.size();
  if ((n != 2 && n != 3 && n != 5) || is_help_word(words[1])) {
    print_mpiolist_usage(out);
    return 1;
  }
  const std::wstring object = widen_ansi(words[1]);
  request.listed = nullptr;
  for (const auto& row : mpiolist_classes())
    if (equal_nocase_ascii(object, widen_ansi(row.number)) || equal_nocase_ascii(object, row.name)) {
      request.listed = &row;
      break;
    }
  if (request.listed == nullptr) {
    print_mpiolist_usage(out);
    return 1;
  }
  request.namespace_path = L"root\\wmi";
  if (n >= 3) {
    // A name given with its leading backslashes ends with one too: \\srv\ + root\wmi.
    const std::wstring machine = widen_ansi(words[2]);
    request.namespace_path = !machine.empty() && machine[0] == L'\\' ? machine + L"root\\wmi"
                                                                      : L"\\\\" + machine + L"\\root\\wmi";
    if (request.namespace_path.size() > kMaxNamespacePath)
      return refuse(out, "Machine_Name is too long: the namespace path holds at most 259 characters.");
  }
  if (n == 5) {
    // Copied into the request's own buffers, the converted words wiped at once.
    std::wstring typed_user = widen_ansi(words[3]);
    std::wstring typed_password = widen_ansi(words[4]);
    request.user.assign(typed_user);
    request.password.assign(typed_password);
    wipe_text(typed_user);
    wipe_text(typed_password);
    if (request.user.size() > kMaxUserName) {
      request.wipe_credentials();
      return refuse(out, "Admin_User is too long: a user name holds at most 512 characters.");
    }
    if (request.password.size() > kMaxPassword) {
      request.wipe_credentials();
      return refuse(out, "Password is too long: a password holds at most 255 characters.");
    }
  }
  return 0;
}
