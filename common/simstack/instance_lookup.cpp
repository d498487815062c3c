#include "simstack/instance_lookup.h"

#include <array>
#include <mutex>
#include <string>
#include <unordered_map>

#include "simstack/sim_host.h"

namespace simstack {

namespace {

const std::string* key_text(const Json& instance, std::string_view key) {
  const Json* k = instance.is_object() ? find_member_nocase(instance, key) : nullptr;
  return k != nullptr && k->is_string() ? &k->get_ref<const std::string&>() : nullptr;
}

// Positions of one list's instances by key value (the first of equal values).
struct ListIndex {
  const Json* list = nullptr;
  std::size_t size = 0;  // instances are only ever changed in place, never reordered
  std::string key;
  std::unordered_map<std::string, std::size_t> positions;

  void rebuild(const Json& of, std::string_view by) {
    list = &of;
    size = of.size();
    key.assign(by);
    positions.clear();
    for (std::size_t i = 0; i < of.size(); ++i)
      if (const std::string* v = key_text(of[i], by)) positions.emplace(*v, i);
  }
  // The remembered position, when it still holds that value.
  const Json* lookup(std::string_view value) const {
    auto it = positions.find(std::string(value));
    if (it == positions.end() || it->second >= list->size()) return nullptr;
    const Json& candidate = (*list)[it->second];
    const std::string* v = key_text(candidate, key);
    return v != nullptr && *v == value ? &candidate : nullptr;
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
    if (index != nullptr && index->size == list.size()) {
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
  if (!list.is_array()) return nullptr;
  return cache().find(list, key, value);
}

Json* find_keyed_instance(Json& list, std::string_view key, std::string_view value) {
  return const_cast<Json*>(find_keyed_instance(static_cast<const Json&>(list), key, value));
}

}  // namespace simstack
