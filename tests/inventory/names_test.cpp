#include "inventory/names.h"

#include <gtest/gtest.h>

TEST(Names, PolicyNumbersAndWords) {
  EXPECT_STREQ(policy_name(4), "Dynlqd");
  EXPECT_STREQ(policy_name(7), "VendorSpecific");
  EXPECT_STREQ(policy_name(0), "Unknown");
  EXPECT_STREQ(policy_name(8), "Unknown");
  EXPECT_EQ(parse_policy_name("rou"), 2u);
  EXPECT_EQ(parse_policy_name("ROUNDROBIN"), 2u);
  EXPECT_EQ(parse_policy_name("RoundRobinS"), 3u);
  EXPECT_EQ(parse_policy_name("round robin w"), 3u);
  EXPECT_EQ(parse_policy_name("sub"), 3u);
  EXPECT_EQ(parse_policy_name("fail"), 1u);
  EXPECT_EQ(parse_policy_name("LEASTblocks"), 6u);
  EXPECT_EQ(parse_policy_name("ro"), std::nullopt);
  EXPECT_EQ(parse_policy_name("vendorspecific"), std::nullopt);
  EXPECT_EQ(parse_policy_name("RoundRobinX"), std::nullopt);
  EXPECT_EQ(parse_policy_name("failback-on"), std::nullopt);
  EXPECT_TRUE(is_failback_word("FAILBACK-ON"));
  EXPECT_TRUE(is_failback_word("failback-off"));
  EXPECT_FALSE(is_failback_word("failback"));
}

TEST(Names, FailbackStatusAluaTables) {
  EXPECT_STREQ(failback_name(2), "failback-off");
  EXPECT_STREQ(failback_name(0), "failback-on");
  EXPECT_STREQ(failback_name(1), "failback-on");
  EXPECT_STREQ(path_status_name(1), "Online");
  EXPECT_STREQ(path_status_name(5), "Failed");
  EXPECT_STREQ(path_status_name(7), "Standby");
  EXPECT_STREQ(path_status_name(10), "Unknown");
  EXPECT_STREQ(alua_state_for_flags(true, true), "Active/Optimized");
  EXPECT_STREQ(alua_state_for_flags(true, false), "Active/Unoptimized");
  EXPECT_STREQ(alua_state_for_flags(false, true), "Standby");
  EXPECT_STREQ(alua_state_for_flags(false, false), "Unavailable");
  EXPECT_STREQ(tpg_state_name(16), "Not Used");
  EXPECT_STREQ(tpg_state_name(3), "Unavailable");
  EXPECT_STREQ(tpg_state_name(5), "");
  EXPECT_STREQ(alua_support_name(0), "ALUA Not Supported");
  EXPECT_STREQ(alua_support_name(3), "ALUA Implict and Explicit");
  EXPECT_STREQ(alua_support_name(4), "N/A");
}
