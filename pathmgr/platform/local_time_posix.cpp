#include <ctime>

#include "platform/local_time.h"

bool to_local_time(std::int64_t seconds, std::tm& out) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  if (static_cast<std::int64_t>(t) != seconds) return false;
  return ::localtime_r(&t, &out) != nullptr;
}
