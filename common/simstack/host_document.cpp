#include "simstack/host_document.h"

#include <new>
#include <optional>

#include "simstack/instance_prefetch.h"
#include "simstack/json_reader.h"

#include "simstack/sim_host.h"
#include "simstack/value_check.h"

namespace simstack {

namespace {

// A file that repeats a member holding instance lists: the split would have to drop
// lists it already set aside, so the file is parsed whole instead (the last member
// wins, as with any other repeated member).
struct RepeatedContainer {};

class Splitter {
 public:
  // `structure`, the record of `text` (or of nothing), spares walks of the text.
  Splitter(std::string_view text, const JsonStructure& structure, const std::string& path,
           std::map<const Json*, std::shared_ptr<const JsonArraySpans>>& pending)
      : text_(text), structure_(structure), path_(path), pending_(pending) {}

  // None when the text is not one object: the caller parses it whole for the exact error.
  std::optional<Json> split() {
    Json doc = Json::object();
    auto top = for_each_json_member(text_, skip_json_whitespace(text_, 0), [&](const std::string& name, std::size_t at) {
      return equal_nocase(name, "wmi") ? container(doc, name, at, 1, &Splitter::wmi_member) : eager(doc[name], at, 1);
    });
    if (!top || skip_json_whitespace(text_, top->end) != text_.size()) return std::nullopt;
    return doc;
  }

 private:
  using MemberFn = std::optional<JsonSpan> (Splitter::*)(Json& parent, const std::string& name, std::size_t at);

  // An object whose members `each` handles; any other value is parsed as it stands.
  // `depth`: how many brackets of the file enclose the value.
  std::optional<JsonSpan> container(Json& parent, const std::string& name, std::size_t at, std::size_t depth,
                                    MemberFn each) {
    if (parent.contains(name)) throw RepeatedContainer{};
    if (at >= text_.size() || text_[at] != '{') return eager(parent[name], at, depth);
    Json& object = parent[name] = Json::object();
    return for_each_json_member(text_, at, [&](const std::string& member, std::size_t value_at) {
      return (this->*each)(object, member, value_at);
    });
  }

  std::optional<JsonSpan> wmi_member(Json& wmi, const std::string& ns, std::size_t at) {
    return container(wmi, ns, at, 2, &Splitter::namespace_member);
  }

  std::optional<JsonSpan> namespace_member(Json& space, const std::string& name, std::size_t at) {
    if (!equal_nocase(name, "instances")) return eager(space[name], at, 3);
    return container(space, name, at, 3, &Splitter::instance_list);
  }

  // An array is set aside as text; anything else is parsed now.
  std::optional<JsonSpan> instance_list(Json& instances, const std::string& class_name, std::size_t at) {
    Json& slot = instances[class_name];
    if (at >= text_.size() || text_[at] != '[') return eager(slot, at, 4);
    // A list nested too deep is left to the whole parse, which says so.
    auto spans = structure_.array_spans(text_, at, kMaxNesting - 4);
    if (!spans) return std::nullopt;
    slot = nullptr;
    const JsonSpan whole = spans->whole;
    pending_[&slot] = std::make_shared<const JsonArraySpans>(std::move(*spans));
    return whole;
  }

  std::optional<JsonSpan> eager(Json& slot, std::size_t at, std::size_t depth) {
    auto span = structure_.value_span(text_, at, kMaxNesting - depth);
    if (!span) return std::nullopt;
    pending_.erase(&slot);
    slot = parse_state_text(span->of(text_), path_, depth);
    return span;
  }

  std::string_view text_;
  const JsonStructure& structure_;
  const std::string& path_;
  std::map<const Json*, std::shared_ptr<const JsonArraySpans>>& pending_;
};

enum class Walked { Done, Stopped, Invalid };

// Hands the instances of a list held as text to `visit`, each read from its span.
Walked walk_text(std::string_view text, const std::vector<JsonSpan>& elements,
                 const HostDocument::InstanceVisitor& visit) {
  InstancePrefetch instances(text, elements);
  for (std::size_t index = 0; !instances.at_end(); ++index) {
    auto instance = instances.next();
    if (!instance) return Walked::Invalid;
    if (!visit(StoredNode(instance->root()), index, instance)) return Walked::Stopped;
  }
  return Walked::Done;
}

}  // namespace

HostDocument::HostDocument(std::string text, std::string path)
    : HostDocument(SqueezedJson{std::move(text), JsonStructure()}, std::move(path)) {}

HostDocument::HostDocument(SqueezedJson squeezed, std::string path)
    : text_(std::make_shared<const std::string>(std::move(squeezed.text))), path_(std::move(path)) {
  std::map<const Json*, std::shared_ptr<const JsonArraySpans>> lists;
  std::optional<Json> split;
  try {
    split = Splitter(*text_, squeezed.structure, path_, lists).split();
  } catch (const RepeatedContainer&) {
  }
  if (split) {
    json_ = std::move(*split);
  } else {
    lists.clear();
    json_ = parse_state_text(*text_, path_);
  }
  validate_document(json_, path_);
  pending_ = std::move(lists);
  if (pending_.empty()) text_.reset();
}

HostDocument::HostDocument(Json whole) : json_(std::move(whole)) {}

void HostDocument::take(PendingMap::iterator it) const {
  std::optional<Json> list;
  try {
    list = read_json(it->second->whole.of(*text_));
  } catch (const std::bad_alloc&) {
    throw StateError(path_ + ": too large to read (" + std::to_string(text_->size()) + " bytes)");
  }
  if (!list) throw not_valid_json(path_);
  const_cast<Json&>(*it->first) = std::move(*list);
  pending_.erase(it);
}

bool HostDocument::has_instances(std::string_view ns, std::string_view class_name) const {
  std::lock_guard<std::mutex> hold(mutex_);
  const Json* list = find_instance_list(json_, ns, class_name);
  if (list != nullptr && !pending_.contains(list)) checked_instance_list(list, class_name, path_);
  return list != nullptr;
}

bool HostDocument::for_each_instance(std::string_view ns, std::string_view class_name,
                                     const InstanceVisitor& visit) const {
  std::unique_lock<std::mutex> hold(mutex_);
  const Json* list = find_instance_list(json_, ns, class_name);
  if (list == nullptr) return false;
  auto it = pending_.find(list);
  if (it == pending_.end()) {
    hold.unlock();  // a parsed member never changes again
    checked_instance_list(list, class_name, path_);
    for (std::size_t i = 0; i < list->size(); ++i)
      if (!visit(StoredNode(&(*list)[i]), i, nullptr)) break;
    return true;
  }
  const std::shared_ptr<const std::string> file = text_;
  const std::shared_ptr<const JsonArraySpans> spans = it->second;
  const std::string_view text = spans->whole.of(*file);
  hold.unlock();
  // A walk that ends before the list does (stopped by the walker or by an error of
  // an instance) checks the rest: broken text is reported as a full parse reports it.
  const auto refuse_broken_text = [&] {
    if (!is_valid_json(text)) throw not_valid_json(path_);
  };
  Walked walked;
  try {
    walked = walk_text(*file, spans->elements, visit);
  } catch (const std::bad_alloc&) {
    throw StateError(path_ + ": too large to read (" + std::to_string(file->size()) + " bytes)");
  } catch (...) {
    refuse_broken_text();
    throw;
  }
  if (walked == Walked::Invalid) throw not_valid_json(path_);
  if (walked == Walked::Stopped) refuse_broken_text();
  return true;
}

Json& HostDocument::complete() {
  std::lock_guard<std::mutex> hold(mutex_);
  while (!pending_.empty()) take(pending_.begin());
  text_.reset();
  return json_;
}

}  // namespace simstack
