// Numbers and letters that stay with their disk while other disks come and go, on a fake
// machine: the scan numbers afresh each time, the provider must not.
#include <gtest/gtest.h>

#include <string>

#include "FakeSystem.h"
#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos {
namespace {

using testing::FakeSystem;

constexpr const char* kUsbPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";

// "sdc=2 ..." for every numbered disk, and "sdc1=E ..." for every lettered volume.
std::string Numbers(LinuxOs& os) {
  std::string text;
  const DeviceMap map = os.Snapshot();
  for (const PhysicalDisk& d : map.disks) {
    if (d.number > 0) text += (text.empty() ? "" : " ") + d.device.name + "=" + std::to_string(d.number);
  }
  for (const VolumeEntry& v : map.volumes) {
    if (v.letter != 'C') text += " " + v.name + "=" + std::string(1, v.letter);
  }
  return text;
}

class StableNumbers : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.AddDisk({.name = "vda", .majMin = "254:0", .sectors = 1000, .busPath = "pci0000:00/virtio1"});
    sys_.AddMount("254:0", "/dev/vda", "/", "ext4");
    AddStick("sdc", "8:32", 100);
  }
  void AddStick(const std::string& name, const std::string& majMin, std::uint64_t seq,
                bool partitioned = true) {
    sys_.AddDisk({.name = name, .majMin = majMin, .sectors = 1 << 20, .busPath = kUsbPath,
                  .removable = true, .diskSeq = seq});
    if (partitioned) {
      const std::string minorBase = majMin.substr(0, majMin.find(':') + 1);
      const int minor = std::stoi(majMin.substr(majMin.find(':') + 1));
      sys_.AddPartition(name, 1, minorBase + std::to_string(minor + 1), 1 << 19);
    }
  }
  FakeSystem sys_;
};

TEST_F(StableNumbers, ADiskThatArrivesBeforeAnotherInDeviceOrderMovesNothing) {
  LinuxOs os(sys_.Paths());
  EXPECT_EQ(Numbers(os), "sdc=1 sdc1=D");
  AddStick("sdb", "8:16", 101);  // sorts before sdc: the scan alone would make it drive 1, D:
  EXPECT_EQ(Numbers(os), "sdc=1 sdb=2 sdc1=D sdb1=E");
  EXPECT_EQ(os.DeviceName(1), sys_.Paths().devDir + "/sdc");
  EXPECT_EQ(os.LastDriveNumberToList(), 2);
}

TEST_F(StableNumbers, ANumberLeavesWithItsDiskAndIsNeverGivenAgain) {
  LinuxOs os(sys_.Paths());
  AddStick("sdb", "8:16", 101);
  EXPECT_EQ(Numbers(os), "sdb=1 sdc=2 sdb1=D sdc1=E");
  sys_.RemoveDisk("sdb");
  EXPECT_EQ(Numbers(os), "sdc=2 sdc1=E");
  EXPECT_EQ(os.DeviceName(1), "");  // drive 1 names nothing now
  // The same node, plugged in again, is another disk: a new number, not the old one.
  AddStick("sdb", "8:16", 102);
  EXPECT_EQ(Numbers(os), "sdc=2 sdb=3 sdc1=E sdb1=F");
  EXPECT_EQ(os.LastDriveNumberToList(), 3);
}

TEST_F(StableNumbers, WithoutDiskseqALoopDeviceReattachedToAnotherFileIsAnotherDisk) {
  sys_.AddDisk({.name = "loop3", .majMin = "7:3", .sectors = 2048, .backingFile = "/tmp/a.img"});
  LinuxOs os(sys_.Paths());
  EXPECT_EQ(Numbers(os), "sdc=1 loop3=2 sdc1=D loop3=E");
  sys_.RemoveDisk("loop3");
  sys_.AddDisk({.name = "loop3", .majMin = "7:3", .sectors = 2048, .backingFile = "/tmp/b.img"});
  EXPECT_EQ(Numbers(os), "sdc=1 loop3=3 sdc1=D loop3=F");
}

TEST_F(StableNumbers, FreshLettersComeFirstThenTheOneGoneLongest) {
  LinuxOs os(sys_.Paths());
  // 22 more sticks one after another, each gone before the next: D: is sdc1's, E: to Z: are
  // each used once, and then the letter whose volume left first is the one given again.
  for (int i = 0; i < 22; ++i) {
    const std::string name = "sd" + std::string(1, static_cast<char>('d' + i));
    AddStick(name, "8:" + std::to_string(48 + 16 * i), 200 + i);
    const std::string numbers = Numbers(os);
    EXPECT_NE(numbers.find(name + "1=" + std::string(1, static_cast<char>('E' + i))), std::string::npos)
        << numbers;
    sys_.RemoveDisk(name);
    Numbers(os);
  }
  AddStick("sdz", "8:400", 300);
  EXPECT_EQ(Numbers(os), "sdc=1 sdz=24 sdc1=D sdz1=E");
  AddStick("sdy", "8:416", 301);
  EXPECT_EQ(Numbers(os), "sdc=1 sdz=24 sdy=25 sdc1=D sdz1=E sdy1=F");
}

TEST_F(StableNumbers, EachProviderObjectStartsItsOwnNumbering) {
  {
    LinuxOs first(sys_.Paths());
    AddStick("sdb", "8:16", 101);
    EXPECT_EQ(Numbers(first), "sdb=1 sdc=2 sdb1=D sdc1=E");
  }
  LinuxOs second(sys_.Paths());
  EXPECT_EQ(Numbers(second), "sdb=1 sdc=2 sdb1=D sdc1=E");
}

}  // namespace
}  // namespace sw::platform::linuxos
