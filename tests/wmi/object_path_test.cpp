#include <gtest/gtest.h>

#include "wmi/sim_backend.h"
#include "wmi/wmi_access.h"

TEST(ObjectPath, EveryBackslashOfTheInstanceNameIsDoubled) {
  EXPECT_EQ(wmi::wmi_object_path(L"DSM_LB_Operations", L"MPIO\\Disk&Ven_A\\1&7f6ac24&0&3030_0"),
            L"DSM_LB_Operations.InstanceName=\"MPIO\\\\Disk&Ven_A\\\\1&7f6ac24&0&3030_0\"");
  EXPECT_EQ(wmi::wmi_object_path(L"C", L"a\\b\\c\\d"), L"C.InstanceName=\"a\\\\b\\\\c\\\\d\"");
  EXPECT_EQ(wmi::wmi_object_path(L"C", L"one\\"), L"C.InstanceName=\"one\\\\\"");
  EXPECT_EQ(wmi::wmi_object_path(L"C", L"plain"), L"C.InstanceName=\"plain\"");
  EXPECT_EQ(wmi::wmi_object_path(L"C", L"q\"x"), L"C.InstanceName=\"q\\\"x\"");
}

TEST(ObjectPath, ParsingUndoesTheEscapes) {
  std::wstring cls, key, value;
  for (std::wstring name : {L"MPIO\\Disk\\0_0", L"a\\b\\c\\d", L"end\\", L"q\"x", L""}) {
    ASSERT_TRUE(wmi::parse_object_path(wmi::wmi_object_path(L"K", name), cls, key, value));
    EXPECT_EQ(cls, L"K");
    EXPECT_EQ(key, L"InstanceName");
    EXPECT_EQ(value, name);
  }
  EXPECT_FALSE(wmi::parse_object_path(L"K.InstanceName=\"a\\b\"", cls, key, value));  // single backslash
  EXPECT_FALSE(wmi::parse_object_path(L"K.InstanceName=noquotes", cls, key, value));
  EXPECT_FALSE(wmi::parse_object_path(L"NoKey", cls, key, value));
}
