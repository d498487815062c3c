// The drive of a device: first drive in list order whose identifier and the instance
// name agree, without regard to case, over the shorter length.
#include "inventory/drive_mapping.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::wstring plain_match(const std::vector<DiskDriveRecord>& drives, const std::wstring& instance) {
  for (const auto& d : drives) {
    std::size_t n = std::min(d.PNPDeviceID.size(), instance.size());
    if (fold_case(d.PNPDeviceID.substr(0, n)) == fold_case(instance.substr(0, n))) return d.DeviceID;
  }
  return L"N/A";
}

}  // namespace

TEST(DriveMapping, PrefixEitherWayCaseInsensitiveFirstWins) {
  std::vector<DiskDriveRecord> drives = {
      {L"D0", L"SCSI\\DISK&VEN_X\\0"},
      {L"D1", L"MPIO\\DISK&VEN_A\\1_0_LONGER"},
      {L"D2", L"mpio\\disk&ven_a"},
  };
  DriveMatcher m(drives);
  EXPECT_EQ(m.drive_for_instance(L"MPIO\\Disk&Ven_A\\1_0"), L"D1");  // instance is a prefix of D1
  EXPECT_EQ(m.drive_for_instance(L"MPIO\\Disk&Ven_A\\2"), L"D2");    // D2 is a prefix of the instance
  EXPECT_EQ(m.drive_for_instance(L"MPIO\\Disk&Ven_B\\2"), L"N/A");
  EXPECT_EQ(m.drive_for_instance(L"MPIO"), L"D1");  // both D1 and D2 start with it: the first wins

  std::vector<DiskDriveRecord> with_empty = {{L"E", L""}, {L"D1", L"MPIO\\DISK"}};
  EXPECT_EQ(DriveMatcher(with_empty).drive_for_instance(L"anything"), L"E");
  std::vector<DiskDriveRecord> none;
  EXPECT_EQ(DriveMatcher(none).drive_for_instance(L"MPIO"), L"N/A");
}

TEST(DriveMapping, IndexedMatchEqualsPlainScan) {
  std::mt19937 rng(5);
  const std::wstring alphabet = L"abAB\\&";
  auto word = [&](std::size_t max) {
    std::wstring w;
    std::size_t n = rng() % (max + 1);
    for (std::size_t i = 0; i < n; ++i) w += alphabet[rng() % alphabet.size()];
    return w;
  };
  for (int round = 0; round < 50; ++round) {
    std::vector<DiskDriveRecord> drives;
    for (int i = 0, n = static_cast<int>(rng() % 12); i < n; ++i) drives.push_back({L"D" + std::to_wstring(i), word(5)});
    DriveMatcher m(drives);
    for (int q = 0; q < 40; ++q) {
      std::wstring instance = word(6);
      EXPECT_EQ(m.drive_for_instance(instance), plain_match(drives, instance));
    }
  }
}
