// The help text of pathmgr, in the family of the host it runs on.
#pragma once
#include <ostream>
#include <string_view>

// True for "?", "/?", "-h", "--h", "/h", "/help", "--help", "help", "-help" in any case.
bool is_help_word(std::string_view word);

int print_help(std::ostream& out, bool family5);
int print_mpiolist_help(std::ostream& out);
// Banner and full help.
int print_usage(std::ostream& out, bool family5);
