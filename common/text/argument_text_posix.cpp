#include "text/text_convert.h"

std::wstring widen_argument(std::string_view text) { return widen_utf8(text); }
