// Our own FAT32 as other programs read it: written into a partition image by the writer, then
// checked by fsck.fat, listed and written by mtools, named by blkid; at the cluster-size edges,
// just under and over 32 GiB, at the 2 TiB edge, on 512- and 4,096-byte sectors; and the writer's
// failures, each named, with no volume left that looks whole.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Context.h"
#include "fix/Fat32Writer.h"
#include "fix/FileSystemSize.h"
#include "fix/PartitionImageOs.h"
#include "platform/ByteOrder.h"
#include "support/ScriptedWindow.h"

namespace sw::fix {
namespace {

constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t TiB = 1ull << 40;

struct Ran {
  int status = -1;
  std::string output;
};

Ran Shell(const std::string& command) {
  Ran r;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) r.output.append(chunk, n);
  const int raw = ::pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

bool Have(const char* program) { return Shell(std::string("command -v ") + program).status == 0; }

std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

class Fat32Image : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sw-fat32-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    image_ = dir_ / "partition.img";
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // A new sparse partition image; `garbage` bytes at its start as a used stick would hold.
  void MakeImage(std::uint64_t bytes, std::uint64_t garbage = 0) {
    { std::ofstream(image_, std::ios::binary).flush(); }
    std::filesystem::resize_file(image_, bytes);
    if (garbage == 0) return;
    std::fstream f(image_, std::ios::binary | std::ios::in | std::ios::out);
    const std::vector<char> junk(garbage, static_cast<char>(0xA5));
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
  }

  FixPlan Plan(std::uint64_t bytes, std::uint32_t sector, std::string label = "VERIFIED") {
    FixPlan plan;
    plan.fileSystem = FileSystem::Fat32;
    plan.sectorBytes = sector;
    plan.firstByte = MiB;
    plan.lengthBytes = bytes;
    plan.label = std::move(label);
    return plan;
  }

  // The writer on the image, as the fix calls it: the drive open, the plan's partition.
  std::string Write(testing::PartitionImageOs& os, const FixPlan& plan) {
    testing::ScriptedWindow win;
    core::Context ctx(os, win);
    ctx.state.hDrive = os.CreateFileA("\\\\.\\PhysicalDrive1", win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                      win::OPEN_EXISTING, 0);
    EXPECT_NE(ctx.state.hDrive, platform::kInvalidHandle);
    const std::string result = WriteOwnFat32(ctx, plan, 0x5357F432);
    os.CloseHandle(ctx.state.hDrive);
    return result;
  }

  std::vector<std::uint8_t> Head() {
    std::vector<std::uint8_t> head(kFileSystemHeadBytes, 0);
    std::ifstream f(image_, std::ios::binary);
    f.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    return head;
  }

  // fsck.fat's verdict, mtools listing the label and taking a file in and out, blkid's type and
  // label; each with what the program said when it disagrees.
  void ExpectOthersReadIt(const std::string& label) {
    const Ran fsck = Shell("fsck.fat -n -v " + Quote(image_));
    EXPECT_EQ(fsck.status, 0) << fsck.output;
    EXPECT_EQ(fsck.output.find("differences between boot sector and its backup"), std::string::npos) << fsck.output;
    EXPECT_EQ(fsck.output.find("Free cluster summary wrong"), std::string::npos) << fsck.output;

    const Ran type = Shell("blkid -p -o value -s TYPE " + Quote(image_));
    EXPECT_EQ(type.output, "vfat\n");
    const Ran named = Shell("blkid -p -o value -s LABEL " + Quote(image_));
    EXPECT_EQ(named.output, label.empty() ? "" : label + "\n");

    const Ran listed = Shell("mdir -i " + Quote(image_) + " ::");
    EXPECT_EQ(listed.status, 0) << listed.output;
    if (!label.empty()) {
      EXPECT_NE(listed.output.find("Volume in drive : is " + label), std::string::npos) << listed.output;
    }
    const std::filesystem::path in = dir_ / "in.txt";
    const std::filesystem::path out = dir_ / "out.txt";
    std::string payload;
    for (int i = 0; i < 20000; ++i) payload += "line " + std::to_string(i) + " of a file put on the new volume\n";
    { std::ofstream(in, std::ios::binary) << payload; }
    const Ran put = Shell("mcopy -i " + Quote(image_) + " " + Quote(in) + " ::/PROOF.TXT");
    EXPECT_EQ(put.status, 0) << put.output;
    const Ran got = Shell("mcopy -n -i " + Quote(image_) + " ::/PROOF.TXT " + Quote(out));
    EXPECT_EQ(got.status, 0) << got.output;
    std::ifstream back(out, std::ios::binary);
    const std::string read((std::istreambuf_iterator<char>(back)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(read == payload) << "the file read back differs (" << read.size() << " of " << payload.size() << " bytes)";
    const Ran after = Shell("fsck.fat -n " + Quote(image_));
    EXPECT_EQ(after.status, 0) << "after mcopy: " << after.output;
  }

  std::filesystem::path dir_;
  std::filesystem::path image_;
};

struct Size {
  const char* name;
  std::uint64_t bytes;
  std::uint32_t sector;
  std::uint32_t clusterBytes;  // as fsck.fat reports it
  std::uint64_t garbage;       // bytes of junk at the start before the format
};

TEST_F(Fat32Image, FsckMtoolsAndBlkidReadOurFat32AtEverySize) {
  if (!Have("fsck.fat") || !Have("mdir") || !Have("mcopy") || !Have("blkid")) {
    GTEST_SKIP() << "needs dosfstools, mtools and util-linux (scripts/setup installs them)";
  }
  const Size sizes[] = {
      {"smallest cluster, junk before", 40 * MiB, 512, 512, 40 * MiB},
      {"1 GiB, junk before", GiB, 512, 4096, 16 * MiB},
      // FATs of 4 MiB each: zeroed past the first piece the writer sends.
      {"4 GiB, junk before", 4 * GiB, 512, 4096, 12 * MiB},
      {"32 GiB", 32 * GiB, 512, 16384, 0},
      {"just over 32 GiB", 32 * GiB + MiB, 512, 32768, 0},
      {"2 TiB edge", 2 * TiB - MiB, 512, 32768, 0},
      {"4Kn smallest", 300 * MiB, 4096, 4096, 8 * MiB},
      {"4Kn over 32 GiB", 40 * GiB, 4096, 32768, 0},
      {"4Kn past 2 TiB", 2 * TiB + GiB, 4096, 32768, 0},
  };
  for (const Size& s : sizes) {
    SCOPED_TRACE(s.name);
    MakeImage(s.bytes, s.garbage);
    testing::PartitionImageOs os(image_.string(), MiB, s.bytes, s.sector);
    os.sparseZeros = s.garbage == 0;
    ASSERT_EQ(Write(os, Plan(s.bytes, s.sector)), "");
    EXPECT_EQ(os.writesOutside, 0);
    EXPECT_EQ(os.lowestWrite, 0u);

    const auto found = ReadFileSystemSize(Head());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->fileSystem, FileSystem::Fat32);
    EXPECT_EQ(found->bytes, s.bytes);
    const Ran fsck = Shell("fsck.fat -n -v " + Quote(image_));
    EXPECT_NE(fsck.output.find(std::to_string(s.clusterBytes) + " bytes per cluster"), std::string::npos) << fsck.output;
    EXPECT_NE(fsck.output.find(std::to_string(s.sector) + " bytes per logical sector"), std::string::npos) << fsck.output;
    ExpectOthersReadIt("VERIFIED");
  }
}

TEST_F(Fat32Image, AVolumeWithoutLabelHasNoLabelEntry) {
  if (!Have("fsck.fat") || !Have("mdir") || !Have("blkid")) GTEST_SKIP() << "needs dosfstools, mtools, util-linux";
  MakeImage(100 * MiB, 100 * MiB);
  testing::PartitionImageOs os(image_.string(), MiB, 100 * MiB, 512);
  ASSERT_EQ(Write(os, Plan(100 * MiB, 512, "")), "");
  ExpectOthersReadIt("");
}

TEST_F(Fat32Image, OnlyThePartitionsMetadataIsWrittenAndTheBootSectorAndFsInfoHaveCopies) {
  MakeImage(GiB);
  testing::PartitionImageOs os(image_.string(), MiB, GiB, 512);
  ASSERT_EQ(Write(os, Plan(GiB, 512)), "");
  EXPECT_EQ(os.writesOutside, 0);
  // 1 GiB at 4 KiB clusters: 32 reserved sectors, two FATs of 2,044 sectors, the root's 8.
  EXPECT_EQ(os.highestWriteEnd, (32u + 2 * 2044 + 8) * 512);
  const std::vector<std::uint8_t> head = Head();
  std::ifstream f(image_, std::ios::binary);
  std::vector<std::uint8_t> backup(512);
  f.seekg(6 * 512);
  f.read(reinterpret_cast<char*>(backup.data()), 512);
  EXPECT_TRUE(std::equal(backup.begin(), backup.end(), head.begin()));
  // The FSInfo at 1 and its copy at 7.
  std::vector<std::uint8_t> info(512);
  f.seekg(7 * 512);
  f.read(reinterpret_cast<char*>(info.data()), 512);
  EXPECT_EQ(platform::le32(info, 0), 0x41615252u) << "no copy of the FSInfo sector";
  EXPECT_TRUE(std::equal(info.begin(), info.end(), head.begin() + 512));
}

TEST_F(Fat32Image, AFailedWriteIsNamedAndLeavesNoBootSector) {
  MakeImage(GiB);
  testing::PartitionImageOs os(image_.string(), MiB, GiB, 512);
  os.failWriteAt = (32 + 2044 + 100) * 512;  // inside the second FAT
  const std::string failed = Write(os, Plan(GiB, 512));
  EXPECT_NE(failed.find("writing the second FAT at sector"), std::string::npos) << failed;
  EXPECT_NE(failed.find("(error 29)"), std::string::npos) << failed;  // ERROR_WRITE_FAULT
  EXPECT_FALSE(ReadFileSystemSize(Head())) << "a format cut short left a boot sector";
  if (Have("blkid")) {
    EXPECT_NE(Shell("blkid -p " + Quote(image_)).status, 0);
  }
}

TEST_F(Fat32Image, TheFinalFlushIsCheckedAndNamed) {
  MakeImage(GiB);
  int flushes = 0;
  {
    testing::PartitionImageOs os(image_.string(), MiB, GiB, 512);
    ASSERT_EQ(Write(os, Plan(GiB, 512)), "");
    EXPECT_EQ(os.writesAfterLastFlush, 0);
    flushes = os.flushes;
  }
  testing::PartitionImageOs os(image_.string(), MiB, GiB, 512);
  os.failFlush = flushes;
  const std::string failed = Write(os, Plan(GiB, 512));
  EXPECT_NE(failed.find("flushing the new file system to the drive failed"), std::string::npos) << failed;
}

TEST_F(Fat32Image, SizesNoFat32HoldsAreRefusedBeforeAnyWrite) {
  struct Case {
    std::uint64_t bytes;
    std::uint32_t sector;
    const char* words;
  } cases[] = {
      {32 * MiB, 512, "needs at least 65,525 clusters"},
      {256 * MiB, 4096, "needs at least 65,525 clusters"},
      {2 * TiB, 512, "at most 4,294,967,295 sectors"},
      {16 * TiB, 4096, "at most 4,294,967,295 sectors"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    // Refused on the size alone: the image need not be that large (nor could be, on every
    // file system the tests run on).
    MakeImage(std::min<std::uint64_t>(c.bytes, GiB));
    testing::PartitionImageOs os(image_.string(), MiB, c.bytes, c.sector);
    const std::string failed = Write(os, Plan(c.bytes, c.sector));
    EXPECT_NE(failed.find(c.words), std::string::npos) << failed;
    EXPECT_EQ(os.writes, 0);
  }
}

}  // namespace
}  // namespace sw::fix
