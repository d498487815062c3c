#include "simstack/wmi_provider/instance_lookup.h"

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
  std::size_t size = 0;  // instances are only ever changed in place, never reordered
  std::string key;
  std::unordered_map<std::string, std::size_t> positions;

  void rebuild(const Json& of, std::string_view by) {
    list = &of;
    size = of.Size();
    key.assign(by);
    positions.clear();
    for (rapidjson::SizeType i = 0; i < of.Size(); ++i)
      if (auto v = key_text(of[i], by)) positions.emplace(std::string(*v), i);
  }
  // The remembered position, when it still holds that value.
  const Json* lookup(std::string_view value) const {
    auto it = positions.find(std::string(value));
    if (it == positions.end() || it->second >= list->Size()) return nullptr;
    const Json& candidate = (*list)[static_cast<rapidjson::SizeType>(it->second)];
    auto v = key_text(candidate, key);
    return v && *v == value ? &candidate : nullptr;
  }
};

// A few lists at a time: a change walks the method class, the policy classes and
// the performance class of one device after another.
class IndexCache {
 public:
  const Json* find(const Json& list, std::string_view key, std::string_view value) {
    std::lock_guard<std::mutex> hold(mutex_);
    ListIndex* index = nullptr;
    for (auto& i : indexes_)
      if (i.list == &list && equal_nocase(i.key, key)) index = &i;
    if (index != nullptr && index->size == list.Size()) {
      if (const Json* hit = index->lookup(value)) return hit;
    } else if (index == nullptr) {
      index = &indexes_[next_++ % indexes_.size()];
    }
    // Unknown list, or one that changed since: index it afresh.
    index->rebuild(list, key);
    return index->lookup(value);
  }

 private:
  std::mutex mutex_;
  std::array<ListIndex, 8> indexes_;
  std::size_t next_ = 0;
};

IndexCache& cache() {
  static IndexCache instance;
  return instance;
}

}  // namespace

const Json* find_keyed_instance(const Json& list, std::string_view key, std::string_view value) {
  if (!list.IsArray()) return nullptr;
  return cache().find(list, key, value);
}

Json* find_keyed_instance(Json& list, std::string_view key, std::string_view value) {
  return const_cast<Json*>(find_keyed_instance(static_cast<const Json&>(list), key, value));
}

}  // namespace simstack
