// The simulated provider's value conversions on any stored instance: the input, when
// it is JSON, is the one instance of a class whose schema has a property of every CIM
// type (scalar and array, an embedded class), and of a class without schema whose
// types are inferred. Every property is read, embedded objects too; a value the schema
// refuses ends in StateError, and an accepted one has the VARIANT type the schema says.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "fuzz_check.h"
#include "simstack/state_file/sim_host.h"
#include "simstack/wmi_provider/schemas.h"
#include "wmi/sim_backend.h"
#include "wmi/wmi_access.h"

namespace {

using Json = nlohmann::json;

const char* const kTypes[] = {"string", "boolean", "uint8",  "sint8",  "uint16", "sint16",  "uint32", "sint32",
                              "uint64", "sint64",  "real32", "real64", "datetime", "char16", "object:FuzzPart"};

Json schemas() {
  Json props = Json::object();
  for (const char* t : kTypes) {
    std::string name = t;
    for (char& c : name) c = c == ':' ? '_' : c;
    props["P_" + name] = t;
    props["A_" + name] = std::string(t) + "[]";
  }
  props["Key"] = {{"type", "string"}, {"key", true}};
  return {{"FuzzClass", {{"properties", props}}},
          {"FuzzPart", {{"properties", {{"Inner", "uint32"}, {"Part", "object:FuzzPart"}, {"Parts", "object:FuzzPart[]"}}}}}};
}

const std::string& host_path() {
  static const std::string path = [] {
    char dir[] = "/tmp/pathmgr-fuzz-XXXXXX";
    if (::mkdtemp(dir) == nullptr) std::abort();
    return std::string(dir) + "/host.json";
  }();
  return path;
}

void read_all(const wmi::Object& object, int depth) {
  for (const auto& name : object.property_names()) {
    wmi::Value v;
    if (hr_failed(object.get(name, v))) continue;
    (void)v.as_u64_text();
    (void)wmi::vartype_name(v.vt);
    if (depth > 8) continue;
    if (v.object) read_all(*v.object, depth + 1);
    for (const auto& e : v.elements)
      if (e.object) read_all(*e.object, depth + 1);
  }
  simstack::JsonDocument journal;
  (void)wmi::journal_form(object, true, journal.GetAllocator());
}

// An accepted scalar of a typed property has the schema's VARIANT type.
void check_types(const wmi::Object& object, const simstack::SchemaRegistry& registry) {
  const simstack::ClassSchema* schema = registry.find("ROOT\\WMI", "FuzzClass");
  for (const auto& p : schema->properties) {
    wmi::Value v;
    if (hr_failed(object.get(std::wstring(p.name.begin(), p.name.end()), v)) || v.is_missing()) continue;
    FUZZ_EXPECT(p.is_array ? v.is_array() && v.element_type() == p.vt : v.vt == p.vt);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Json instance = Json::parse(data, data + size, nullptr, false);
  if (instance.is_discarded()) return 0;
  Json host = {{"format", "pathmgr-sim/1"},
               {"wmi", {{"ROOT\\WMI", {{"classes", schemas()},
                                       {"instances", {{"FuzzClass", {instance}}, {"Loose", {instance}}}}}}}}};
  {
    std::ofstream out(host_path(), std::ios::trunc);
    out << host.dump();
  }
  simstack::SimHost sim(host_path());
  try {
    const simstack::SchemaRegistry registry(*sim.document(), sim.path());
    auto backend = wmi::make_sim_backend(sim);
    std::unique_ptr<wmi::Services> services;
    FUZZ_EXPECT(!hr_failed(backend->connect_server(L"ROOT\\WMI", L"", L"", services)));
    for (const wchar_t* cls : {L"FuzzClass", L"Loose"}) {
      (void)services->enumerate(cls, [&](wmi::Object& object) {
        if (std::wstring(cls) == L"FuzzClass") check_types(object, registry);
        read_all(object, 0);
        return true;
      });
    }
  } catch (const simstack::StateError&) {
    // a value of the wrong shape for its schema: refused, as the program refuses it
  }
  return 0;
}
