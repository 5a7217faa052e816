// Files on simulated volumes: opening rules, unbuffered writes, free space, listing and
// deleting by pattern, and counterfeit file data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "SimTestSupport.h"

namespace sw::platform::sim::testing {
namespace {

constexpr std::uint32_t kWriterFlags =
    win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING | win::FILE_ATTRIBUTE_NORMAL;
constexpr std::uint64_t kFree = 1 << 20;

// A 512-aligned buffer, as unbuffered writes need.
struct AlignedBuffer {
  explicit AlignedBuffer(std::size_t size, std::uint8_t fill) : storage(size + 512, fill) {
    const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
    offset = (512 - address % 512) % 512;
  }
  std::span<const std::uint8_t> Span(std::size_t size, std::size_t shift = 0) const {
    return {storage.data() + offset + shift, size};
  }
  std::vector<std::uint8_t> storage;
  std::size_t offset;
};

struct SimFiles : ::testing::Test {
  SimOs os;
  void SetUp() override {
    SimDriveSpec stick = Stick(8ull << 30);
    stick.volumes[0].freeBytes = kFree;
    os.AddDrive(1, stick);
    os.AddDrive(2, Stick(8ull << 30, "F:"));  // unformatted
  }
  Handle Create(const std::string& path, std::uint32_t flags = 0) {
    return os.CreateFileA(path, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, flags);
  }
  bool WriteFileOf(const std::string& path, std::size_t size, std::uint8_t fill) {
    const Handle h = Create(path);
    std::vector<std::uint8_t> data(size, fill);
    std::uint32_t written = 0;
    const bool ok = h != kInvalidHandle && os.WriteFile(h, data, written);
    os.CloseHandle(h);
    return ok;
  }
  std::uint64_t Free() {
    std::uint64_t free = 0, total = 0, totalFree = 0;
    EXPECT_TRUE(os.GetDiskFreeSpaceExA("E:\\", free, total, totalFree));
    return free;
  }
};

TEST_F(SimFiles, OpeningFilesByPath) {
  ASSERT_TRUE(WriteFileOf("E:\\WARDFILE1.tmp", 1000, 0x11));
  struct Row {
    std::string path;
    std::uint32_t access;
    std::uint32_t disposition;
    std::uint32_t error;  // ERROR_SUCCESS when the open works
  };
  const Row rows[] = {
      {"E:\\WARDFILE1.tmp", win::GENERIC_READ, win::OPEN_EXISTING, win::ERROR_SUCCESS},
      {"e:/wardfile1.TMP", win::GENERIC_READ, win::OPEN_EXISTING, win::ERROR_SUCCESS},
      {"E:\\WARDFILE2.tmp", win::GENERIC_READ, win::OPEN_EXISTING, win::ERROR_FILE_NOT_FOUND},
      {"E:\\SUB\\X.tmp", win::GENERIC_WRITE, win::CREATE_ALWAYS, win::ERROR_PATH_NOT_FOUND},
      {"E:\\A*.tmp", win::GENERIC_WRITE, win::CREATE_ALWAYS, win::ERROR_INVALID_NAME},
      {"F:\\X.tmp", win::GENERIC_WRITE, win::CREATE_ALWAYS, win::ERROR_UNRECOGNIZED_VOLUME},
      {"Q:\\X.tmp", win::GENERIC_WRITE, win::CREATE_ALWAYS, win::ERROR_PATH_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const Handle h = os.CreateFileA(row.path, row.access, win::FILE_SHARE_READ, row.disposition, 0);
    EXPECT_EQ(h != kInvalidHandle, row.error == win::ERROR_SUCCESS);
    if (h == kInvalidHandle) {
      EXPECT_EQ(os.GetLastError(), row.error);
    } else {
      os.CloseHandle(h);
    }
  }
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(SimFiles, ReadsBackWhatWasWrittenAndStopsAtTheEnd) {
  std::vector<std::uint8_t> data(3000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13);
  const Handle w = Create("E:\\DATA.BIN");
  std::uint32_t count = 0;
  ASSERT_TRUE(os.WriteFile(w, data, count));
  EXPECT_EQ(count, 3000u);
  os.CloseHandle(w);

  const Handle r = os.CreateFileA("E:\\DATA.BIN", win::GENERIC_READ, win::FILE_SHARE_READ,
                                  win::OPEN_EXISTING, 0);
  std::vector<std::uint8_t> back(4096, 0xEE);
  ASSERT_TRUE(os.ReadFile(r, back, count));
  EXPECT_EQ(count, 3000u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
  EXPECT_EQ(back[3000], 0xEE);
  ASSERT_TRUE(os.ReadFile(r, back, count));
  EXPECT_EQ(count, 0u);
  ASSERT_TRUE(os.SetFilePointerEx(r, 16'384 * 3, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(os.ReadFile(r, std::span<std::uint8_t>(back.data(), 1), count));
  EXPECT_EQ(count, 0u);
  ASSERT_TRUE(os.SetFilePointerEx(r, 2999, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(os.ReadFile(r, std::span<std::uint8_t>(back.data(), 1), count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(back[0], data[2999]);
  std::uint32_t written = 0;
  EXPECT_FALSE(os.WriteFile(r, data, written));
  EXPECT_EQ(os.GetLastError(), win::ERROR_ACCESS_DENIED);
  os.CloseHandle(r);
}

TEST_F(SimFiles, UnbufferedWritesNeedWholeSectorsFromAlignedBuffers) {
  const AlignedBuffer buffer(4096, 0xA5);
  struct Row {
    const char* name;
    std::size_t size;
    std::size_t shift;
    bool ok;
  };
  const Row rows[] = {
      {"aligned 1024", 1024, 0, true},
      {"1,000 bytes", 1000, 0, false},
      {"buffer off by 8", 1024, 8, false},
      {"empty", 0, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Handle h = Create("E:\\U.tmp", kWriterFlags);
    std::uint32_t written = 7;
    EXPECT_EQ(os.WriteFile(h, buffer.Span(row.size, row.shift), written), row.ok);
    if (!row.ok) {
      EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_PARAMETER);
      EXPECT_EQ(written, 0u);
    }
    os.CloseHandle(h);
  }
  const Handle buffered = Create("E:\\B.tmp");
  std::uint32_t written = 0;
  EXPECT_TRUE(os.WriteFile(buffered, buffer.Span(1000, 8), written));
  os.CloseHandle(buffered);
}

TEST_F(SimFiles, UnbufferedReadsAndPositionsNeedWholeSectorsToo) {
  ASSERT_TRUE(WriteFileOf("E:\\R.tmp", 8192, 0x3C));
  AlignedBuffer into(4096, 0);
  struct Row {
    const char* name;
    std::int64_t position;
    std::size_t size;
    std::size_t shift;
    bool ok;
  };
  const Row rows[] = {
      {"aligned 512 at 1024", 1024, 512, 0, true},
      {"511 bytes", 0, 511, 0, false},
      {"buffer off by 4", 0, 512, 4, false},
      {"position 100", 100, 512, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Handle h = os.CreateFileA("E:\\R.tmp", win::GENERIC_READ, win::FILE_SHARE_READ,
                                    win::OPEN_EXISTING, win::FILE_FLAG_NO_BUFFERING);
    ASSERT_NE(h, kInvalidHandle);
    ASSERT_TRUE(os.SetFilePointerEx(h, row.position, nullptr, win::FILE_BEGIN));
    auto span = into.Span(row.size, row.shift);
    std::span<std::uint8_t> target(const_cast<std::uint8_t*>(span.data()), span.size());
    std::uint32_t read = 7;
    EXPECT_EQ(os.ReadFile(h, target, read), row.ok);
    if (row.ok) {
      EXPECT_EQ(read, row.size);
      EXPECT_EQ(target[0], 0x3C);
    } else {
      EXPECT_EQ(os.GetLastError(), win::ERROR_INVALID_PARAMETER);
      EXPECT_EQ(read, 0u);
    }
    os.CloseHandle(h);
  }
}

TEST_F(SimFiles, FreeSpaceShrinksWithFilesAndFullVolumesRefuseWrites) {
  EXPECT_EQ(Free(), kFree);
  ASSERT_TRUE(WriteFileOf("E:\\A.tmp", 600'000, 1));
  EXPECT_EQ(Free(), kFree - 600'000);
  EXPECT_FALSE(WriteFileOf("E:\\B.tmp", 500'000, 2));
  EXPECT_EQ(os.GetLastError(), win::ERROR_DISK_FULL);
  ASSERT_TRUE(WriteFileOf("E:\\B.tmp", kFree - 600'000, 2));
  EXPECT_EQ(Free(), 0u);
  ASSERT_TRUE(WriteFileOf("E:\\A.tmp", 100, 3));  // recreating truncates first
  EXPECT_EQ(Free(), 600'000u - 100);
  EXPECT_EQ(os.DeleteFiles("E:\\*.tmp"), 2);
  EXPECT_EQ(Free(), kFree);

  std::uint64_t free = 0, total = 0, totalFree = 0;
  EXPECT_FALSE(os.GetDiskFreeSpaceExA("F:", free, total, totalFree));
  EXPECT_EQ(os.GetLastError(), win::ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_FALSE(os.GetDiskFreeSpaceExA("Q:", free, total, totalFree));
}

TEST_F(SimFiles, FreeSpaceAboveFourGigabytesIsReportedInFull) {
  SimDriveSpec big = Stick(64'000'000'000ull, "G:");
  big.volumes[0].freeBytes = 60'000'000'000ull;
  os.AddDrive(3, big);
  std::uint64_t free = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(os.GetDiskFreeSpaceExA("G:", free, total, totalFree));
  EXPECT_EQ(free, 60'000'000'000ull);
  EXPECT_EQ(totalFree, free);
}

TEST_F(SimFiles, PatternsSkipHiddenFilesAndDeletionsSkipReadOnlyAndOpenFiles) {
  const std::vector<std::uint8_t> bytes(100, 9);
  ASSERT_TRUE(os.AddVolumeFile("E:", "WARDFILE1.tmp", bytes));
  ASSERT_TRUE(os.AddVolumeFile("E:", "wardfile2.TMP", bytes));
  ASSERT_TRUE(os.AddVolumeFile("E:", "WARDFILE3.tmp", bytes, {.hidden = true}));
  ASSERT_TRUE(os.AddVolumeFile("E:", "WARDFILE4.tmp", bytes, {.system = true}));
  ASSERT_TRUE(os.AddVolumeFile("E:", "WARDFILE5.tmp", bytes, {.readOnly = true}));
  ASSERT_TRUE(os.AddVolumeFile("E:", "WARDFILE6.tmp.bak", bytes));
  ASSERT_TRUE(os.AddVolumeFile("E:", "OTHER.tmp", bytes));
  ASSERT_TRUE(WriteFileOf("E:\\WARDFILE7.tmp", 10, 1));
  EXPECT_FALSE(os.AddVolumeFile("F:", "X.tmp", bytes));

  EXPECT_EQ(os.FindFiles("E:\\WARDFILE*.tmp"),
            (std::vector<std::string>{"WARDFILE1.tmp", "wardfile2.TMP", "WARDFILE5.tmp",
                                      "WARDFILE7.tmp"}));
  EXPECT_EQ(os.FindFiles("E:\\WARDFILE?.TMP").size(), 4u);
  EXPECT_TRUE(os.FindFiles("F:\\*").empty());

  const Handle open = os.CreateFileA("E:\\WARDFILE7.tmp", win::GENERIC_READ, win::FILE_SHARE_READ,
                                     win::OPEN_EXISTING, 0);
  EXPECT_EQ(os.DeleteFiles("E:\\WARDFILE*.tmp"), 2);
  EXPECT_EQ(os.FindFiles("E:\\WARDFILE*.tmp"),
            (std::vector<std::string>{"WARDFILE5.tmp", "WARDFILE7.tmp"}));
  os.CloseHandle(open);
  EXPECT_EQ(os.DeleteFiles("E:\\WARDFILE*.tmp"), 1);
  EXPECT_EQ(os.VolumeFileNames("E:"),
            (std::vector<std::string>{"OTHER.tmp", "WARDFILE3.tmp", "WARDFILE4.tmp",
                                      "WARDFILE5.tmp", "WARDFILE6.tmp.bak"}));
}

TEST_F(SimFiles, AFileWrittenWithoutSharingCannotBeOpenedTwice) {
  const Handle writer = Create("E:\\W.tmp");
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_EQ(os.CreateFileA("E:\\W.tmp", win::GENERIC_READ, kShareBoth, win::OPEN_EXISTING, 0),
            kInvalidHandle);
  EXPECT_EQ(os.GetLastError(), win::ERROR_SHARING_VIOLATION);
  os.CloseHandle(writer);
  const Handle reader =
      os.CreateFileA("E:\\W.tmp", win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING, 0);
  EXPECT_NE(reader, kInvalidHandle);
  os.CloseHandle(reader);
}

TEST_F(SimFiles, LockedVolumeRefusesFileOpens) {
  const Handle volume = Open(os, VolumePath("E:"));
  std::uint32_t returned = 0;
  ASSERT_TRUE(os.DeviceIoControl(volume, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  EXPECT_EQ(Create("E:\\X.tmp"), kInvalidHandle);
  EXPECT_EQ(os.GetLastError(), win::ERROR_ACCESS_DENIED);
  os.CloseHandle(volume);
}

TEST(SimFileFaults, CounterfeitFileDataLosesOverwritesOrFails) {
  constexpr std::uint64_t kAfter = 64 * 1024;
  constexpr std::size_t kFileSize = 48 * 1024;
  struct Row {
    const char* name;
    FileFault fault;
    bool secondWriteOk;
    // Expected first byte of each 16 KiB block of files A and B after both were written.
    std::vector<std::uint8_t> a;
    std::vector<std::uint8_t> b;
  };
  const Row rows[] = {
      {"no fault", FileFault::None, true, {0x11, 0x11, 0x11}, {0x22, 0x22, 0x22}},
      {"lose", FileFault::Lose, true, {0x11, 0x11, 0x11}, {0x22, 0x00, 0x00}},
      {"overwrite", FileFault::Overwrite, true, {0x22, 0x22, 0x11}, {0x22, 0x22, 0x22}},
      {"fail write", FileFault::FailWrite, false, {0x11, 0x11, 0x11}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SimOs os;
    SimDriveSpec config = Stick(8ull << 30);
    config.volumes[0].freeBytes = 1 << 20;
    config.volumes[0].fileFault = row.fault;
    config.volumes[0].fileFaultAfter = kAfter;
    os.AddDrive(1, config);
    const AlignedBuffer first(kFileSize, 0x11), second(kFileSize, 0x22);
    std::uint32_t written = 0;
    const Handle a =
        os.CreateFileA("E:\\A.tmp", win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, kWriterFlags);
    ASSERT_TRUE(os.WriteFile(a, first.Span(kFileSize), written));
    os.CloseHandle(a);
    const Handle b =
        os.CreateFileA("E:\\B.tmp", win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, kWriterFlags);
    EXPECT_EQ(os.WriteFile(b, second.Span(kFileSize), written), row.secondWriteOk);
    if (!row.secondWriteOk) {
      EXPECT_EQ(os.GetLastError(), win::ERROR_WRITE_FAULT);
    }
    os.CloseHandle(b);

    for (std::size_t block = 0; block < 3; ++block) {
      const std::vector<std::uint8_t> aBytes = os.PeekFile("E:", "A.tmp", block * 16'384, 16'384);
      ASSERT_EQ(aBytes.size(), 16'384u);
      EXPECT_EQ(aBytes, std::vector<std::uint8_t>(16'384, row.a[block])) << "A block " << block;
      if (row.b.empty()) continue;
      const std::vector<std::uint8_t> bBytes = os.PeekFile("E:", "B.tmp", block * 16'384, 16'384);
      EXPECT_EQ(bBytes, std::vector<std::uint8_t>(16'384, row.b[block])) << "B block " << block;
    }
  }
}

TEST(SimFileFaults, OverwriteKeepsWrappingOntoEarlierData) {
  SimOs os;
  SimDriveSpec config = Stick(8ull << 30);
  config.volumes[0].freeBytes = 1 << 20;
  config.volumes[0].fileFault = FileFault::Overwrite;
  config.volumes[0].fileFaultAfter = 3000;
  os.AddDrive(1, config);
  std::uint32_t written = 0;
  const auto write = [&](const std::string& path, std::size_t size, std::uint8_t fill) {
    const Handle h = os.CreateFileA(path, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, 0);
    EXPECT_TRUE(os.WriteFile(h, std::vector<std::uint8_t>(size, fill), written));
    os.CloseHandle(h);
  };
  write("E:\\A", 2000, 0x11);  // stream 0..2000
  write("E:\\B", 2000, 0x22);  // 2000..3000 real, 3000..4000 lands on 0..1000
  write("E:\\C", 2500, 0x33);  // 4000..6500 lands on 1000..3000, then 0..500
  const std::vector<std::uint8_t> a = os.PeekFile("E:", "A", 0, 2000);
  const std::vector<std::uint8_t> b = os.PeekFile("E:", "B", 0, 2000);
  EXPECT_EQ(a[0], 0x33);
  EXPECT_EQ(a[499], 0x33);
  EXPECT_EQ(a[500], 0x22);
  EXPECT_EQ(a[999], 0x22);
  EXPECT_EQ(a[1000], 0x33);
  EXPECT_EQ(b[0], 0x33);     // B's first 1000 bytes sat at 2000..3000
  EXPECT_EQ(b[1000], 0x33);  // B's last 1000 bytes sat at 0..1000, then C's tail came
  EXPECT_EQ(b[1499], 0x33);
  EXPECT_EQ(b[1500], 0x22);
  EXPECT_EQ(os.PeekFile("E:", "C", 0, 2500), std::vector<std::uint8_t>(2500, 0x33));
}

// The volume file test writes 200 MB files in 52,428,800-byte chunks from one pattern buffer;
// a run of gigabytes must stay compact and read back exactly.
TEST(SimFileFaults, GigabyteRunsReadBackTheirMarkers) {
  SimOs os;
  SimDriveSpec config = Stick(32'000'000'000ull);
  config.volumes[0].freeBytes = 3'000'000'000ull;
  os.AddDrive(1, config);
  constexpr std::size_t kChunk = 52'428'800;
  AlignedBuffer pattern(kChunk, 0xA5);
  std::uint8_t* p = pattern.storage.data() + pattern.offset;
  constexpr int kFiles = 10;
  for (int n = 1; n <= kFiles; ++n) {
    for (std::size_t i = 0; i < kChunk; i += 16'384) p[i] = static_cast<std::uint8_t>(n);
    const Handle h = os.CreateFileA("E:\\WARDFILE" + std::to_string(n) + ".tmp", win::GENERIC_WRITE,
                                    0, win::CREATE_ALWAYS, kWriterFlags);
    std::uint32_t written = 0;
    for (int chunk = 0; chunk < 4; ++chunk) {
      ASSERT_TRUE(os.WriteFile(h, pattern.Span(kChunk), written));
    }
    os.CloseHandle(h);
  }
  std::uint64_t free = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(os.GetDiskFreeSpaceExA("E:", free, total, totalFree));
  EXPECT_EQ(free, 3'000'000'000ull - kFiles * 4ull * kChunk);
  for (int n = 1; n <= kFiles; ++n) {
    const std::string name = "WARDFILE" + std::to_string(n) + ".tmp";
    EXPECT_EQ(os.VolumeFileSize("E:", name), 4ull * kChunk);
    for (const std::uint64_t offset : {0ull, 16'384ull * 5, 4ull * kChunk - 16'384}) {
      const std::vector<std::uint8_t> bytes = os.PeekFile("E:", name, offset, 2);
      ASSERT_EQ(bytes.size(), 2u);
      EXPECT_EQ(bytes[0], n);
      EXPECT_EQ(bytes[1], 0xA5);
    }
  }
}

}  // namespace
}  // namespace sw::platform::sim::testing
