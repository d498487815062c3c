#include "simstack/wmi_provider/instance_lookup.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace simstack {

namespace {

std::optional<std::string_view> key_text(const Json& instance, std::string_view key) {
  const Json* k = member_nocase(instance, key);
  if (k == nullptr || !k->IsString()) return std::nullopt;
  return text_of(*k);
}

// Positions of one list's instances by key value (the first of equal values).
struct ListIndex {
  const Json* list = nullptr;
  rapidjson::SizeType size = 0;  // instances are only ever changed in place, never reordered
  std::string key;
  std::unordered_map<std::string, rapidjson::SizeType> positions;
};

// A few lists at a time: a change walks the method class, the policy classes and the
// performance class of one device after another.
std::mutex cache_mutex;
std::array<ListIndex, 8> cache;
std::size_t next_slot = 0;

}  // namespace

const Json* find_keyed_instance(const Json& list, std::string_view key, std::string_view value) {
  if (!list.IsArray()) return nullptr;
  std::lock_guard hold(cache_mutex);
  auto known = std::find_if(cache.begin(), cache.end(),
                            [&](const ListIndex& i) { return i.list == &list && equal_nocase(i.key, key); });
  ListIndex& index = known != cache.end() ? *known : cache[next_slot++ % cache.size()];
  // A remembered position is checked before use; an unknown list, one that changed, or
  // a position that no longer holds the value is indexed afresh, once.
  for (bool fresh = index.list != &list || index.size != list.Size();; fresh = true) {
    if (fresh) {
      index = ListIndex{&list, list.Size(), std::string(key), {}};
      for (rapidjson::SizeType i = 0; i < list.Size(); ++i)
        if (auto v = key_text(list[i], key)) index.positions.emplace(std::string(*v), i);
    }
    auto found = index.positions.find(std::string(value));
    if (found != index.positions.end() && found->second < list.Size() && key_text(list[found->second], key) == value)
      return &list[found->second];
    if (fresh) return nullptr;
  }
}

Json* find_keyed_instance(Json& list, std::string_view key, std::string_view value) {
  return const_cast<Json*>(find_keyed_instance(static_cast<const Json&>(list), key, value));
}

}  // namespace simstack
