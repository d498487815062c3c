// The host file loader on any text: its JSON reader must read what the Json library's
// own parser reads (the same values of the same types), and the lazy reader (instance
// lists set aside as text, walked one instance at a time or parsed when read) must
// agree with one full parse of the file on whether it is a host file and on every
// member and instance list.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "../tests/json_same_typed.h"
#include "fuzz_check.h"
#include "simstack/state_file/host_document.h"
#include "simstack/json_reader.h"
#include "simstack/json_tape.h"
#include "simstack/json_spans.h"
#include "simstack/state_file/sim_host.h"

namespace {

using simstack::Json;


// Shallow enough for the Json library's recursive parser and comparison.
void check_reader(const std::string& text) {
  if (simstack::json_nesting(text, 64) > 64) return;
  const Json expected = Json::parse(text, nullptr, false);
  const std::optional<Json> got = simstack::read_json(text, true);
  FUZZ_EXPECT(got.has_value() == !expected.is_discarded());
  FUZZ_EXPECT(simstack::is_valid_json(text) == (got.has_value() && text.rfind("\xEF\xBB\xBF", 0) != 0));
  FUZZ_EXPECT(!got || same_typed(*got, expected));
  const auto tape = simstack::JsonTapeReader().read(text);
  FUZZ_EXPECT(tape.has_value() == simstack::is_valid_json(text));
  FUZZ_EXPECT(!tape || same_typed(tape->root().to_json(), expected));
}

std::optional<Json> full_parse(const std::string& text) {
  try {
    Json doc = simstack::parse_state_text(text, "host.json");
    simstack::validate_document(doc, "host.json");
    return doc;
  } catch (const simstack::StateError&) {
    return std::nullopt;
  }
}

// Each list the full parse has, walked through the lazy reader first, then the whole
// document.
std::optional<Json> lazy_parse(const std::string& text, const std::optional<Json>& full) {
  try {
    simstack::HostDocument doc(text, "host.json");
    const Json* wmi = full ? simstack::find_member_nocase(*full, "wmi") : nullptr;
    if (wmi != nullptr && wmi->is_object())
      for (auto ns = wmi->begin(); ns != wmi->end(); ++ns) {
        const Json* all = simstack::find_member_nocase(ns.value(), "instances");
        if (all == nullptr || !all->is_object()) continue;
        for (auto cls = all->begin(); cls != all->end(); ++cls) {
          const Json* want = simstack::find_instance_list(*full, ns.key(), cls.key());
          if (want == nullptr || !want->is_array()) continue;  // compared with the whole document below
          Json walked = Json::array();
          const bool listed = doc.for_each_instance(ns.key(), cls.key(), [&](const simstack::StoredNode& node, std::size_t, const auto&) {
            walked.push_back(node.to_json());
            return true;
          });
          FUZZ_EXPECT(listed && same_typed(walked, *want));
        }
      }
    return doc.complete();
  } catch (const simstack::StateError&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  check_reader(text);
  const std::optional<Json> full = full_parse(text);
  const std::optional<Json> lazy = lazy_parse(text, full);
  FUZZ_EXPECT(full.has_value() == lazy.has_value());
  FUZZ_EXPECT(!full || *full == *lazy);
  return 0;
}
