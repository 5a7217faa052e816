// The command line's simulated drive descriptions, good and bad, and the demo machine.
#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace sw::platform::sim::testing {
namespace {

TEST(ParseSimDrive, GoodDescriptions) {
  {
    const ParsedSimDrive p = ParseSimDrive("E:usb:32G:real=8G:limbo");
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.config.announcedBytes, 32'000'000'000ull);
    EXPECT_EQ(p.config.realBytes, 8'000'000'000ull);
    EXPECT_EQ(p.config.kind, FakeKind::Limbo);
    EXPECT_EQ(p.config.busType, win::BusTypeUsb);
    EXPECT_TRUE(p.config.removable);
    ASSERT_EQ(p.config.volumes.size(), 1u);
    EXPECT_EQ(p.config.volumes[0].letter, "E:");
    // Formatted to what it announces.
    EXPECT_EQ(p.config.volumes[0].freeBytes, 30'400'000'000ull);
  }
  {
    const ParsedSimDrive p = ParseSimDrive(
        "g:sata:2Ti:real=1.5Gi:wrap:fill=stale:readerr:writeerr:cache=16:delay=5:block=4096:"
        "label=MY STICK:model=ACME/Flash Disk:free=100M:fixed:vol=H:");
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.config.announcedBytes, 2ull << 40);
    EXPECT_EQ(p.config.realBytes, 3ull << 29);
    EXPECT_EQ(p.config.kind, FakeKind::Wraparound);
    EXPECT_EQ(p.config.limboFill, LimboFill::Stale);
    EXPECT_TRUE(p.config.readErrorsPastReal);
    EXPECT_TRUE(p.config.writeErrorsPastReal);
    EXPECT_EQ(p.config.writeCacheSectors, 16u);
    EXPECT_EQ(p.config.writeDelayMs, 5u);
    EXPECT_EQ(p.config.blockLength, 4096u);
    EXPECT_EQ(p.config.vendor, "ACME");
    EXPECT_EQ(p.config.product, "Flash Disk");
    EXPECT_FALSE(p.config.removable);
    EXPECT_EQ(p.config.busType, win::BusTypeSata);
    ASSERT_EQ(p.config.volumes.size(), 2u);
    EXPECT_EQ(p.config.volumes[0].letter, "G:");
    EXPECT_EQ(p.config.volumes[0].label, "MY STICK");
    EXPECT_EQ(p.config.volumes[0].freeBytes, 99'999'744ull);  // whole sectors
    EXPECT_EQ(p.config.volumes[1].letter, "H:");
    EXPECT_FALSE(p.config.volumes[1].freeBytes.has_value());
  }
  {
    const ParsedSimDrive p = ParseSimDrive("F:16G");
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.config.kind, FakeKind::Good);
    EXPECT_EQ(p.config.realBytes, 0u);
    EXPECT_EQ(p.config.volumes[0].freeBytes, 15'200'000'000ull);
  }
  struct Bus {
    const char* text;
    std::uint8_t bus;
  };
  for (const Bus& b : {Bus{"nvme", win::BusTypeNvme}, Bus{"sd", win::BusTypeSd},
                       Bus{"scsi", win::BusTypeScsi}, Bus{"ATA", win::BusTypeAta}}) {
    const ParsedSimDrive p = ParseSimDrive(std::string("E:1T:") + b.text);
    ASSERT_EQ(p.error, "") << b.text;
    EXPECT_EQ(p.config.busType, b.bus);
  }
  EXPECT_EQ(ParseSimDrive("E:64G:real=4G:chain").config.kind, FakeKind::Chain);
  EXPECT_EQ(ParseSimDrive("E:64G:real=4G").config.kind, FakeKind::Limbo);
  EXPECT_EQ(ParseSimDrive("E:64G:real=4G:fill=ones").config.limboFill, LimboFill::Ones);
  EXPECT_EQ(ParseSimDrive("E:64G:good").config.kind, FakeKind::Good);
}

// A fake's files fare as its sectors: past 95% of the real memory (whole MiB) they are lost,
// wrap onto earlier files, or fail to write; a genuine stick keeps them all.
TEST(ParseSimDrive, FakeVolumesLoseWhatTheirFilesPutPastTheRealMemory) {
  struct Row {
    const char* text;
    FileFault fault;
    std::uint64_t after;
  };
  constexpr std::uint64_t kMi = 1ull << 20;
  const Row rows[] = {
      {"E:4G:real=1G", FileFault::Lose, 905 * kMi},  // 950,000,000 bytes, 905.99 MiB
      {"E:4G:real=1G:wrap", FileFault::Overwrite, 905 * kMi},
      {"E:4G:real=1G:chain", FileFault::Overwrite, 905 * kMi},
      {"E:4G:real=1G:writeerr", FileFault::FailWrite, 905 * kMi},
      {"E:4G:real=0", FileFault::Lose, 0},
      {"E:4G:real=1G:free=100M", FileFault::Lose, 905 * kMi},
      {"E:4G", FileFault::None, 0},
      {"E:4G:real=4G", FileFault::None, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const ParsedSimDrive p = ParseSimDrive(row.text);
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.config.volumes[0].fileFault, row.fault);
    EXPECT_EQ(p.config.volumes[0].fileFaultAfter, row.after);
  }
  EXPECT_EQ(ParseSimDrive("E:4G:real=1G").config.volumes[0].freeBytes, 3'800'000'000ull);
  EXPECT_EQ(ParseSimDrive("E:4G:real=1G:free=100M").config.volumes[0].freeBytes, 99'999'744ull);
}

TEST(ParseSimDrive, BadDescriptionsSayWhatIsWrong) {
  struct Row {
    std::string text;
    std::string errorStart;
  };
  const Row rows[] = {
      {"", "a drive letter D: to Z: must come first"},
      {"E", "a drive letter D: to Z: must come first"},
      {"32G", "a drive letter D: to Z: must come first"},
      {"C:32G", "a drive letter D: to Z: must come first"},
      {"1:32G", "a drive letter D: to Z: must come first"},
      {"E:usb", "the announced size is missing"},
      {"E:usb:32G:x", "unknown option 'x'"},
      {"E:32G:foo=1", "unknown option 'foo=1'"},
      {"E:32Q", "bad value in '32Q'"},
      {"E:32.G", "bad value in '32.G'"},
      {"E:100", "bad value in '100'"},
      {"E:99999999999999999999G", "bad value in '99999999999999999999G'"},
      {"E:20000000000T", "bad value in '20000000000T'"},
      {"E:32G:real=", "bad value in 'real='"},
      {"E:32G:real=64G", "real= is larger than the announced size"},
      {"E:32G:real=8G:good", "'good' contradicts real= below the announced size"},
      {"E:32G:limbo", "wrap, limbo, chain and follow need real= below the announced size"},
      {"E:32G:fill=grey", "bad value in 'fill=grey'"},
      {"E:32G:block=1024", "bad value in 'block=1024'"},
      {"E:32G:cache=-1", "bad value in 'cache=-1'"},
      {"E:32G:delay=x", "bad value in 'delay=x'"},
      {"E:32G:model=NOSLASH", "bad value in 'model=NOSLASH'"},
      {"E:32G:model=VERYLONGVENDOR/X", "the vendor of model= has more than 8 characters"},
      {"E:32G:model=V/THIS PRODUCT IS TOO LONG", "the product of model= has more than 16"},
      {"E:32G:vol=C:", "bad value in 'vol=C'"},
      {"E:32G:vol=E:", "a volume letter is used twice"},
      {"E:32G:16G", "given twice: '16G'"},
      {"E:32G:usb:sata", "given twice: 'sata'"},
      {"E:32G:follow", "wrap, limbo, chain and follow need real= below the announced size"},
      {"E:32G:real=8G:limbo:full=drop", "full= needs follow"},
      {"E:32G:real=8G:follow:full=keep", "bad value in 'full=keep'"},
      {"E:32G:fast=1G", "fast= needs speed="},
      {"E:32G:speed=10M:fast=lots", "bad value in 'fast=lots'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const ParsedSimDrive p = ParseSimDrive(row.text);
    EXPECT_EQ(p.error.rfind(row.errorStart, 0), 0u) << p.error;
    EXPECT_NE(p.error.find(" in --simulate " + row.text), std::string::npos) << p.error;
    EXPECT_EQ(p.config.announcedBytes, 0u);
    EXPECT_TRUE(p.config.volumes.empty());
  }
}

TEST(ParseSimDrive, ParsedDriveWorksOnTheMachine) {
  const ParsedSimDrive p = ParseSimDrive("E:usb:1M:real=64Ki:wrap:vol=F:label=TINY");
  ASSERT_EQ(p.error, "");
  SimOs os;
  os.AddDrive(1, p.config);
  EXPECT_EQ(os.LogicalDrives(), (std::vector<std::string>{"C:", "E:", "F:"}));
  const Handle h = Open(os, DiskPath(1));
  ASSERT_TRUE(WriteAt(os, h, 128, Tagged(128)));  // 64 KiB real: wraps onto sector 0
  EXPECT_EQ(os.PeekSector(1, 0), Tagged(128));
  os.CloseHandle(h);
}

TEST(DemoDrives, ListsTwoUsbDrivesBehindEnoughLetters) {
  SimOs os;
  AddDemoDrives(os);
  EXPECT_EQ(os.LogicalDrives(), (std::vector<std::string>{"C:", "D:", "E:", "F:"}));
  struct Row {
    int drive;
    std::string letter;
    std::string label;
    std::uint64_t announced;
  };
  for (const Row& row : {Row{1, "E:", "BARGAIN32", 32'000'000'000ull},
                         Row{2, "F:", "GENUINE16", 16'000'000'000ull}}) {
    SCOPED_TRACE(row.letter);
    char label[14];
    std::uint32_t serial = 0, maxLength = 0, flags = 0;
    ASSERT_TRUE(os.GetVolumeInformationA(row.letter, label, serial, maxLength, flags, {}));
    EXPECT_STREQ(label, row.label.c_str());
    const Handle h = os.CreateFileA(DiskPath(row.drive), 0, 0, win::OPEN_EXISTING, 0);
    std::vector<std::uint8_t> out(8);
    std::uint32_t returned = 0;
    ASSERT_TRUE(os.DeviceIoControl(h, win::IOCTL_DISK_GET_LENGTH_INFO, {}, out, returned));
    EXPECT_EQ(le32(out, 0) | static_cast<std::uint64_t>(le32(out, 4)) << 32, row.announced);
    const std::vector<std::uint8_t> query(win::kStoragePropertyQuerySize, 0);
    std::vector<std::uint8_t> descriptor(512);
    ASSERT_TRUE(
        os.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, query, descriptor, returned));
    EXPECT_EQ(descriptor[28], win::BusTypeUsb);
    os.CloseHandle(h);
  }
  // The fake loses what lands past its 8 GB.
  const Handle h = Open(os, DiskPath(1));
  const std::uint64_t pastReal = 8'000'000'000ull / 512 + 10;
  ASSERT_TRUE(WriteAt(os, h, pastReal, Tagged(pastReal)));
  EXPECT_EQ(os.PeekSector(1, pastReal), std::vector<std::uint8_t>(512, 0));
  os.CloseHandle(h);
  std::uint64_t free = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(os.GetDiskFreeSpaceExA("F:", free, total, totalFree));
  EXPECT_EQ(free, 1'000'000'000ull);
}

}  // namespace
}  // namespace sw::platform::sim::testing
