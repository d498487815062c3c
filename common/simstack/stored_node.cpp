#include "simstack/stored_node.h"

#include <algorithm>

#include "simstack/sim_host.h"

namespace simstack {

std::string_view StoredNode::string() const {
  if (!is_string()) return {};
  return json_ != nullptr ? std::string_view(json_->get_ref<const std::string&>()) : tape_.text();
}

StoredNode StoredNode::member(std::string_view name) const {
  if (json_ != nullptr) {
    auto it = json_->is_object() ? json_->find(name) : json_->end();
    return it != json_->end() ? StoredNode(&*it) : StoredNode();
  }
  return tape_ ? StoredNode(tape_.member(name)) : StoredNode();
}

StoredNode StoredNode::member_nocase(std::string_view name) const {
  if (json_ != nullptr) {
    const Json* member = find_member_nocase(*json_, name);
    return member != nullptr ? StoredNode(member) : StoredNode();
  }
  return tape_ ? StoredNode(tape_.member_nocase(name)) : StoredNode();
}

std::vector<StoredNode> StoredNode::elements() const {
  std::vector<StoredNode> out;
  if (!is_array()) return out;
  if (json_ != nullptr) {
    out.reserve(json_->size());
    for (const auto& e : *json_) out.emplace_back(&e);
    return out;
  }
  for (const auto& e : tape_.children()) out.emplace_back(e);
  return out;
}

std::vector<std::string_view> StoredNode::member_names() const {
  std::vector<std::string_view> names;
  if (!is_object()) return names;
  if (json_ != nullptr) {
    for (auto it = json_->begin(); it != json_->end(); ++it) names.emplace_back(it.key());
    return names;
  }
  for (const auto& m : tape_.children()) names.push_back(m.key());
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

const Json& StoredNode::form(Json& storage) const {
  if (json_ != nullptr) return *json_;
  storage = tape_.shallow_json();
  return storage;
}

}  // namespace simstack
