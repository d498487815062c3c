// Equal JSON values of equal types all the way down: Json's own == takes 1, 1u and
// 1.0 as equal, which would hide a reader that gets a number's type wrong.
#pragma once
#include "simstack/state_file.h"

inline bool same_typed(const simstack::Json& a, const simstack::Json& b) {
  if (a.type() != b.type() || a != b) return false;
  if (a.is_array())
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!same_typed(a[i], b[i])) return false;
  if (a.is_object())
    for (auto it = a.begin(); it != a.end(); ++it)
      if (!same_typed(it.value(), b.at(it.key()))) return false;
  return true;
}
