// Transfers the drive fails on the probe's way: a single failure is tried again and changes
// nothing, a write the drive refuses twice inside the cache sizing's flood proves no genuine top.
#include <cstdint>
#include <functional>

#include "probe/ProbeFixture.h"

namespace sw::probe {
namespace {

using platform::sim::SimDriveSpec;

class TransferFault : public ProbeFixture {
 protected:
  void SetUp() override {
    SimDriveSpec c;
    c.announcedBytes = 1 * GB;
    AddStick(c);
    total = static_cast<std::int64_t>(c.announcedBytes / 512);
    record = os.failWrite;
  }
  // The first flood below the top writes its 64 sectors in one request from here.
  std::int64_t FirstFloodSector() const { return total - 1 - 64; }
  // Fails the writes at `sector` whose count (from 1) `fails` says.
  void FailWritesAt(std::int64_t sector, std::function<bool(int)> fails) {
    os.failWrite = [this, sector, fails](std::int64_t s) {
      record(s);
      return s == sector && fails(++attempts);
    };
  }
  std::int64_t total = 0;
  std::function<bool(std::int64_t)> record;
  int attempts = 0;
};

TEST_F(TransferFault, AFloodWriteThatFailsOnceIsRescuedAndTheStickIsGenuine) {
  FailWritesAt(FirstFloodSector(), [](int n) { return n == 1; });
  const ProbeFindings f = Run();
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(f.end, ProbeEnd::Completed);
  EXPECT_EQ(f.kind, FakeKind::Genuine);
  EXPECT_EQ(f.lastGoodSector, total - 1);
  EXPECT_TRUE(ChangedPlaces().empty());
}

TEST_F(TransferFault, AFloodWriteTheDriveRefusesIsNoProofOfAGenuineTop) {
  FailWritesAt(FirstFloodSector(), [](int) { return true; });
  const ProbeFindings f = Run();
  EXPECT_GE(attempts, 2);
  EXPECT_NE(f.kind, FakeKind::Genuine) << "a drive that refused a write passed";
  EXPECT_TRUE(f.unrestoredSectors.empty());
}

}  // namespace
}  // namespace sw::probe
