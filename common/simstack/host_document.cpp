#include "simstack/host_document.h"

#include <system_error>

#include "simstack/sim_host.h"

namespace simstack {

namespace {

// A file that repeats a member holding instance lists: the split would have to drop
// lists it already set aside, so the file is parsed whole instead (the last member
// wins, as with any other repeated member).
struct RepeatedContainer {};

class Splitter {
 public:
  Splitter(std::string_view text, const std::string& path, std::map<const Json*, JsonSpan>& pending,
           std::vector<const Json*>& order)
      : text_(text), path_(path), pending_(pending), order_(order) {}

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
    auto span = json_value_span(text_, at, kMaxNesting - 4);
    if (!span) return std::nullopt;
    slot = nullptr;
    pending_[&slot] = *span;
    order_.push_back(&slot);
    return span;
  }

  std::optional<JsonSpan> eager(Json& slot, std::size_t at, std::size_t depth) {
    auto span = json_value_span(text_, at, kMaxNesting - depth);
    if (!span) return std::nullopt;
    pending_.erase(&slot);
    slot = parse_state_text(span->of(text_), path_, depth);
    return span;
  }

  std::string_view text_;
  const std::string& path_;
  std::map<const Json*, JsonSpan>& pending_;
  std::vector<const Json*>& order_;
};

}  // namespace

HostDocument::HostDocument(std::string text, std::string path) : text_(std::move(text)), path_(std::move(path)) {
  std::map<const Json*, JsonSpan> lists;
  std::optional<Json> split;
  try {
    split = Splitter(text_, path_, lists, text_order_).split();
  } catch (const RepeatedContainer&) {
  }
  if (split) {
    json_ = std::move(*split);
  } else {
    lists.clear();
    text_order_.clear();
    json_ = parse_state_text(text_, path_);
  }
  validate_document(json_, path_);
  for (const auto& [placeholder, span] : lists) pending_[placeholder].span = span;
  if (pending_.empty()) {
    text_.clear();
    return;
  }
  // On one processor a second thread would only compete with the command: every
  // list is then parsed when first read, as it is when no thread can be had.
  if (std::thread::hardware_concurrency() < 2) return;
  try {
    background_ = std::thread([this] { parse_in_background(); });
  } catch (const std::system_error&) {
  }
}

HostDocument::HostDocument(Json whole) : json_(std::move(whole)) {}

HostDocument::~HostDocument() { stop_background(); }

void HostDocument::stop_background() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = true;
  }
  if (background_.joinable()) background_.join();
}

void HostDocument::parse_in_background() {
  for (const Json* placeholder : text_order_) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_) return;
    auto it = pending_.find(placeholder);
    if (it == pending_.end() || it->second.state != PendingList::State::Waiting) continue;
    try {
      parse_list(lock, it->second);
    } catch (...) {  // out of memory: the asking thread will try again
      return;
    }
  }
}

void HostDocument::parse_list(std::unique_lock<std::mutex>& lock, PendingList& list) const {
  using State = PendingList::State;
  // The entry stays while it is Parsing: only a thread that finds it Parsed or
  // Invalid removes it.
  list.state = State::Parsing;
  lock.unlock();
  Json parsed;
  try {
    parsed = Json::parse(list.span.of(text_), nullptr, false);
  } catch (...) {
    lock.lock();
    list.state = State::Waiting;
    list_parsed_.notify_all();
    throw;
  }
  lock.lock();
  list.state = parsed.is_discarded() ? State::Invalid : State::Parsed;
  list.parsed = std::move(parsed);
  list_parsed_.notify_all();
}

void HostDocument::take(std::unique_lock<std::mutex>& lock, PendingMap::iterator it) const {
  PendingList& list = it->second;
  using State = PendingList::State;
  list_parsed_.wait(lock, [&] { return list.state != State::Parsing; });
  if (list.state == State::Waiting) parse_list(lock, list);
  if (list.state == State::Invalid) throw not_valid_json(path_);
  const_cast<Json&>(*it->first) = std::move(list.parsed);
  pending_.erase(it);
}

const Json* HostDocument::instances(std::string_view ns, std::string_view class_name) const {
  std::unique_lock<std::mutex> lock(mutex_);
  const Json* list = find_instance_list(json_, ns, class_name);
  if (list == nullptr) return nullptr;
  if (auto it = pending_.find(list); it != pending_.end()) take(lock, it);
  return list;
}

Json& HostDocument::complete() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!pending_.empty()) take(lock, pending_.begin());
  }
  stop_background();
  text_.clear();
  text_.shrink_to_fit();
  return json_;
}

}  // namespace simstack
