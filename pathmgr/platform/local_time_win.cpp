#include <time.h>

#include "platform/local_time.h"

bool to_local_time(std::int64_t seconds, std::tm& out) {
  const __time64_t t = seconds;
  return _localtime64_s(&out, &t) == 0;
}
