// Keyed instance lookups give what a walk of the list gives, also after the list changed.
#include "simstack/instance_lookup.h"

#include <gtest/gtest.h>

using simstack::find_keyed_instance;
using simstack::Json;

TEST(InstanceLookup, AgreesWithAWalkAfterTheListChanges) {
  Json list = Json::array({{{"InstanceName", "a"}, {"n", 1}}, {{"instancename", "b"}, {"n", 2}}, 7,
                           {{"InstanceName", "a"}, {"n", 3}}});
  EXPECT_EQ((*find_keyed_instance(list, "InstanceName", "a"))["n"], 1);  // the first of equal keys
  EXPECT_EQ((*find_keyed_instance(list, "InstanceName", "b"))["n"], 2);  // key in any case
  EXPECT_EQ(find_keyed_instance(list, "InstanceName", "c"), nullptr);
  list[1] = {{"InstanceName", "c"}, {"n", 4}};  // replaced in place: the old position no longer holds b
  EXPECT_EQ(find_keyed_instance(list, "InstanceName", "b"), nullptr);
  EXPECT_EQ((*find_keyed_instance(list, "InstanceName", "c"))["n"], 4);
  list.erase(list.begin());  // the list shrank: a of the second entry is the first now
  EXPECT_EQ((*find_keyed_instance(list, "InstanceName", "a"))["n"], 3);
  EXPECT_EQ(find_keyed_instance(list, "Other", "a"), nullptr);
  Json not_a_list = Json::object();
  EXPECT_EQ(find_keyed_instance(not_a_list, "InstanceName", "a"), nullptr);
}
