// The host file's writer against the Json library's own dump(1): the same bytes for
// every kind of value, and the same refusal of a string that is not UTF-8.
#include "simstack/json_writer.h"

#include <gtest/gtest.h>

#include "simstack/host_generator.h"

using simstack::Json;

namespace {

std::string written(const Json& value) {
  std::string text;
  simstack::append_json_text(value, text);
  return text;
}

}  // namespace

TEST(JsonWriter, WritesWhatTheJsonLibraryDumps) {
  const Json values[] = {
      Json::parse(R"({"a": [], "b": {}, "c": [[], {}, [{}], {"d": [1, -2, 18446744073709551615, -9223372036854775808]}],
                      "e": "q\"b\\s/\b\f\n\r\t\u0001\u001f\u007f", "f": 0.5, "g": 1e300, "h": -0.0, "i": true,
                      "j": false, "k": null, "l": "\u00e9\u20ac\ud83d\ude00", "\u00e9": 1, "m\tn": "", "": 0})"),
      Json::array(), Json::object(), Json("x"), Json(7), Json(2.5), Json(nullptr)};
  for (const Json& value : values) EXPECT_EQ(written(value), value.dump(1)) << value.dump();

  simstack::HostSpec spec;
  spec.devices = 6;
  spec.paths_per_device = 3;
  const Json host = simstack::generate_host(spec);
  EXPECT_EQ(written(host), host.dump(1));

  // A value that is not UTF-8 is refused as the library refuses it, key or value.
  for (const Json& broken : {Json{{"k", "\xFF"}}, Json{{"\xC3", 1}}, Json::array({"a\xE2\x82"})}) {
    EXPECT_THROW(written(broken), Json::type_error) << broken.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
}
