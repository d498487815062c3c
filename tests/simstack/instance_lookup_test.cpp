// Keyed instance lookups give what a walk of the list gives, also after the list changed.
#include "simstack/wmi_provider/instance_lookup.h"

#include <gtest/gtest.h>

#include "test_support.h"

using simstack::find_keyed_instance;

namespace {
// The "n" member of the instance found.
Json n_of(const simstack::Json* instance) { return instance != nullptr ? test_json(*instance)["n"] : Json(); }
}  // namespace

TEST(InstanceLookup, AgreesWithAWalkAfterTheListChanges) {
  simstack::JsonDocument doc = host_json(Json::array({{{"InstanceName", "a"}, {"n", 1}}, {{"instancename", "b"}, {"n", 2}},
                                                     7, {{"InstanceName", "a"}, {"n", 3}}}));
  const simstack::JsonMaker make(doc);
  simstack::Json& list = doc;
  EXPECT_EQ(n_of(find_keyed_instance(list, "InstanceName", "a")), 1);  // the first of equal keys
  EXPECT_EQ(n_of(find_keyed_instance(list, "InstanceName", "b")), 2);  // key in any case
  EXPECT_EQ(find_keyed_instance(list, "InstanceName", "c"), nullptr);
  list[1] = make.object({{"InstanceName", "c"}, {"n", 4}});  // replaced in place: the old position no longer holds b
  EXPECT_EQ(find_keyed_instance(list, "InstanceName", "b"), nullptr);
  EXPECT_EQ(n_of(find_keyed_instance(list, "InstanceName", "c")), 4);
  list.Erase(list.Begin());  // the list shrank: a of the second entry is the first now
  EXPECT_EQ(n_of(find_keyed_instance(list, "InstanceName", "a")), 3);
  EXPECT_EQ(find_keyed_instance(list, "Other", "a"), nullptr);
  simstack::Json not_a_list(rapidjson::kObjectType);
  EXPECT_EQ(find_keyed_instance(not_a_list, "InstanceName", "a"), nullptr);
}
