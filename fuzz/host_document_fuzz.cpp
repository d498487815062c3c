// The host file loader on any text: the lazy reader (instance lists set aside as text,
// parsed when read) must agree with one full parse of the file on every input, both
// on whether it is a host file and on every member and instance list.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "simstack/host_document.h"
#include "simstack/sim_host.h"

namespace {

using simstack::Json;

std::optional<Json> full_parse(const std::string& text) {
  try {
    Json doc = simstack::parse_state_text(text, "host.json");
    simstack::validate_document(doc, "host.json");
    return doc;
  } catch (const simstack::StateError&) {
    return std::nullopt;
  }
}

// Each list the full parse has, read through the lazy reader first (in any order the
// reader allows), then the whole document.
std::optional<Json> lazy_parse(const std::string& text, const std::optional<Json>& full) {
  try {
    simstack::HostDocument doc(text, "host.json");
    const Json* wmi = full ? simstack::find_member_nocase(*full, "wmi") : nullptr;
    if (wmi != nullptr && wmi->is_object())
      for (auto ns = wmi->begin(); ns != wmi->end(); ++ns) {
        const Json* all = simstack::find_member_nocase(ns.value(), "instances");
        if (all == nullptr || !all->is_object()) continue;
        for (auto cls = all->begin(); cls != all->end(); ++cls) {
          const Json* got = doc.instances(ns.key(), cls.key());
          const Json* want = simstack::find_instance_list(*full, ns.key(), cls.key());
          FUZZ_EXPECT((got == nullptr) == (want == nullptr));
          FUZZ_EXPECT(got == nullptr || *got == *want);
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
  const std::optional<Json> full = full_parse(text);
  const std::optional<Json> lazy = lazy_parse(text, full);
  FUZZ_EXPECT(full.has_value() == lazy.has_value());
  FUZZ_EXPECT(!full || *full == *lazy);
  return 0;
}
