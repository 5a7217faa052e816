// What makes two identities one disk: each part of the comparison on its own.
#include <gtest/gtest.h>

#include "diskio/PinnedDrive.h"

namespace sw::diskio {
namespace {

using core::DriveIdentity;

DriveIdentity Stick() {
  DriveIdentity id;
  id.DiskNumber = 2;
  id.Key = std::array<std::uint8_t, 16>{7, 0, 0, 0, 5, 0, 0, 0, 42};
  id.SizeBytes = 16'000'000'000;
  id.Model = "SIMTEK Flash Disk";
  id.Serial = "SIM0000001";
  return id;
}

struct Case {
  const char* what;
  void (*change)(DriveIdentity&);  // applied to the identity seen now
  bool same;
};

class SameDiskCase : public ::testing::TestWithParam<Case> {};

TEST_P(SameDiskCase, ComparesEachPart) {
  DriveIdentity now = Stick();
  GetParam().change(now);
  EXPECT_EQ(SameDisk(Stick(), now), GetParam().same) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Parts, SameDiskCase,
    ::testing::Values(
        Case{"the same stick", [](DriveIdentity&) {}, true},
        Case{"another number", [](DriveIdentity& d) { d.DiskNumber = 3; }, false},
        Case{"another key (a twin in its place)", [](DriveIdentity& d) { (*d.Key)[8] = 43; }, false},
        Case{"no key now", [](DriveIdentity& d) { d.Key.reset(); }, false},
        Case{"another size", [](DriveIdentity& d) { d.SizeBytes = 8'000'000'000; }, false},
        Case{"size unknown through this handle", [](DriveIdentity& d) { d.SizeBytes = 0; }, true},
        Case{"another serial", [](DriveIdentity& d) { d.Serial = "SIM0000002"; }, false},
        Case{"no serial now", [](DriveIdentity& d) { d.Serial.clear(); }, false},
        Case{"another model", [](DriveIdentity& d) { d.Model = "OTHER Disk"; }, false}),
    [](const ::testing::TestParamInfo<Case>& param) { return "Case" + std::to_string(param.index); });

TEST(SameDisk, AKeyKnownOnlyNowIsAnotherDevice) {
  DriveIdentity pinned = Stick();
  pinned.Key.reset();
  EXPECT_FALSE(SameDisk(pinned, Stick()));
  DriveIdentity now = Stick();
  now.Key.reset();
  EXPECT_TRUE(SameDisk(pinned, now));
}

TEST(SameDisk, ASizeUnknownAtThePickIsNoDifference) {
  DriveIdentity pinned = Stick();
  pinned.SizeBytes = 0;
  EXPECT_TRUE(SameDisk(pinned, Stick()));
}

}  // namespace
}  // namespace sw::diskio
