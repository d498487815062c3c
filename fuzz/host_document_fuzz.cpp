// The host file reader on any text. Another JSON library is the yardstick: a text the
// reader takes, it takes too, with the same values in the same order; a text it refuses,
// the reader refuses (the reader's own limits aside: nesting deeper than a host file
// may, exponents past the doubles'). A NUL byte, which that library takes for the end
// of the text, makes any text refused. What the reader takes it writes back as text
// that reads to the same document. On a host file the schema checks refuse a value
// only with the error that names it.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "simstack/state_file/host_document.h"
#include "simstack/state_file/json_text.h"
#include "simstack/state_file/state_file.h"
#include "simstack/wmi_provider/schemas.h"
#include "simstack/wmi_provider/value_check.h"

namespace {

using simstack::Json;
using Ordered = nlohmann::ordered_json;

bool is_own_limit(const std::string& why) {
  return why.find("nested deeper") != std::string::npos || why.find("too big") != std::string::npos ||
         why.find("too large") != std::string::npos;
}

// Every stored value of every instance list against its schema: StateError or nothing.
void check_schemas(const Json& doc) {
  const simstack::SchemaRegistry registry(doc, "host.json");
  const Json* wmi = simstack::member_nocase(doc, "wmi");
  if (wmi == nullptr) return;
  for (auto ns = wmi->MemberBegin(); ns != wmi->MemberEnd(); ++ns) {
    const Json* instances = simstack::member_nocase(ns->value, "instances");
    if (instances == nullptr) continue;
    for (auto cls = instances->MemberBegin(); cls != instances->MemberEnd(); ++cls) {
      const std::string name(simstack::name_of(cls));
      const Json* list = simstack::checked_instance_list(&cls->value, name, "host.json");
      const simstack::ClassSchema* schema = registry.find(std::string(simstack::name_of(ns)), name);
      for (rapidjson::SizeType i = 0; i < list->Size(); ++i) {
        simstack::check_instance((*list)[i], name, i, "host.json");
        for (auto m = (*list)[i].MemberBegin(); schema != nullptr && m != (*list)[i].MemberEnd(); ++m)
          if (const auto* p = schema->find_property(simstack::name_of(m))) (void)simstack::value_problem(m->value, *p);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  simstack::JsonDocument doc;
  std::string refused;
  try {
    simstack::parse_json(text, doc, "host.json");
  } catch (const simstack::StateError& e) {
    refused = e.what();
  }
  if (text.find('\0') != std::string_view::npos) {
    FUZZ_EXPECT(!refused.empty());
    return 0;
  }
  const std::string_view unmarked = text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
  const Ordered theirs = Ordered::parse(unmarked, nullptr, false);
  if (!refused.empty()) {
    FUZZ_EXPECT(theirs.is_discarded() || is_own_limit(refused));
    return 0;
  }
  FUZZ_EXPECT(!theirs.is_discarded());
  FUZZ_EXPECT(Ordered::parse(simstack::json_text(doc)) == theirs);

  // Written and read again: the same document.
  simstack::JsonDocument again;
  simstack::parse_json(simstack::json_file_text(doc, "host.json"), again, "host.json");
  FUZZ_EXPECT(simstack::json_text(again) == simstack::json_text(doc));

  try {
    simstack::validate_document(doc, "host.json");
    check_schemas(doc);
  } catch (const simstack::StateError&) {
    // a host file of the wrong shape, refused with the error that names it
  }
  return 0;
}
