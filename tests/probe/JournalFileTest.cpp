// The probe's journal file: what a crash at any byte leaves readable, and which stick a journal
// is for when a drive answers again.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "probe/JournalFile.h"

namespace sw::probe {
namespace {

std::array<std::uint8_t, 512> BlockOf(std::uint8_t seed) {
  std::array<std::uint8_t, 512> b{};
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(seed + i * 3);
  return b;
}

JournalHeader Stick() {
  JournalHeader h;
  h.model = "SIMTEK Flash Disk";
  h.serial = "SIM0000001";
  h.sizeBytes = 16'000'000'000;
  h.key = "0a0b";
  h.device = "/dev/sdb";
  h.date = "12/9/2026 2:00:00 PM";
  return h;
}

void Append(std::vector<std::uint8_t>& file, const std::vector<std::uint8_t>& record) {
  file.insert(file.end(), record.begin(), record.end());
}

TEST(JournalFile, ReadsBackTheHeaderAndTheBlocksInTheOrderSavedLessTheForgottenOne) {
  std::vector<std::uint8_t> file = EncodeHeader(Stick());
  Append(file, EncodeBlock(7, BlockOf(1)));
  Append(file, EncodeBlock(0, BlockOf(2)));
  Append(file, EncodeBlock(99, BlockOf(3)));
  Append(file, EncodeForget(99));
  Append(file, EncodeForget(5));  // not the last one saved: changes nothing
  Append(file, EncodeBlock(3, BlockOf(4)));
  const std::optional<JournalContents> j = DecodeJournal(file);
  ASSERT_TRUE(j);
  EXPECT_EQ(j->header.model, "SIMTEK Flash Disk");
  EXPECT_EQ(j->header.serial, "SIM0000001");
  EXPECT_EQ(j->header.sizeBytes, 16'000'000'000u);
  EXPECT_EQ(j->header.key, "0a0b");
  EXPECT_EQ(j->header.device, "/dev/sdb");
  EXPECT_EQ(j->header.date, "12/9/2026 2:00:00 PM");
  ASSERT_EQ(j->blocks.size(), 3u);
  EXPECT_EQ(j->blocks[0].sector, 7);
  EXPECT_EQ(j->blocks[1].sector, 0);
  EXPECT_EQ(j->blocks[2].sector, 3);
  EXPECT_EQ(j->blocks[1].bytes, BlockOf(2));
  EXPECT_EQ(j->blocks[2].bytes, BlockOf(4));
}

// A crash in the middle of an append leaves a record cut short, at any byte: it is ignored, and
// every whole record before it counts.
TEST(JournalFile, ARecordCutShortAtAnyByteIsIgnoredAndTheOnesBeforeItCount) {
  const std::vector<std::uint8_t> header = EncodeHeader(Stick());
  std::vector<std::uint8_t> file = header;
  Append(file, EncodeBlock(10, BlockOf(1)));
  const std::size_t oneWhole = file.size();
  Append(file, EncodeBlock(20, BlockOf(2)));
  for (std::size_t cut = oneWhole; cut < file.size(); ++cut) {
    const std::vector<std::uint8_t> torn(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    const std::optional<JournalContents> j = DecodeJournal(torn);
    ASSERT_TRUE(j) << cut;
    ASSERT_EQ(j->blocks.size(), 1u) << cut;
    EXPECT_EQ(j->blocks[0].sector, 10);
  }
  for (std::size_t cut = 0; cut < header.size(); ++cut) {
    const std::vector<std::uint8_t> torn(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(DecodeJournal(torn)) << "a header cut at " << cut << " names no stick";
  }
}

TEST(JournalFile, AChangedByteEndsTheJournalAtItsRecord) {
  std::vector<std::uint8_t> file = EncodeHeader(Stick());
  Append(file, EncodeBlock(10, BlockOf(1)));
  const std::size_t second = file.size();
  Append(file, EncodeBlock(20, BlockOf(2)));
  Append(file, EncodeBlock(30, BlockOf(3)));
  file[second + 100] ^= 0x40;
  const std::optional<JournalContents> j = DecodeJournal(file);
  ASSERT_TRUE(j);
  ASSERT_EQ(j->blocks.size(), 1u);
  EXPECT_EQ(j->blocks[0].sector, 10);

  std::vector<std::uint8_t> foreign = EncodeHeader(Stick());
  foreign[6] ^= 1;  // inside the magic line, checksum broken as well
  EXPECT_FALSE(DecodeJournal(foreign));
  EXPECT_FALSE(DecodeJournal(std::vector<std::uint8_t>{}));
  EXPECT_FALSE(DecodeJournal(EncodeBlock(1, BlockOf(1)))) << "a block before any header";
}

// A run that appended its header to a file an earlier one left keeps its blocks readable.
TEST(JournalFile, ASecondHeaderDoesNotHideTheBlocksAfterIt) {
  std::vector<std::uint8_t> file = EncodeHeader(Stick());
  Append(file, EncodeHeader(Stick()));
  Append(file, EncodeBlock(42, BlockOf(9)));
  const std::optional<JournalContents> j = DecodeJournal(file);
  ASSERT_TRUE(j);
  ASSERT_EQ(j->blocks.size(), 1u);
  EXPECT_EQ(j->blocks[0].sector, 42);
}

core::DriveIdentity Now(const std::string& model, const std::string& serial, std::uint64_t size,
                        std::optional<std::uint8_t> keyByte) {
  core::DriveIdentity id;
  id.Model = model;
  id.Serial = serial;
  id.SizeBytes = size;
  if (keyByte) {
    std::array<std::uint8_t, 16> key{};
    key[0] = *keyByte;
    id.Key = key;
  }
  return id;
}

TEST(JournalFile, AStickIsKnownAgainByModelSerialAndSizeOrWithoutASerialByItsKey) {
  const core::DriveIdentity pinned = Now("SIMTEK Flash Disk", "SIM0000001", 16'000'000'000, 0x0a);
  const JournalHeader withSerial = HeaderFor(pinned, "/dev/sdb", "today");
  const JournalHeader noSerial =
      HeaderFor(Now("Loop", "", 1u << 30, 0x0a), "/dev/loop3", "today");
  struct Row {
    const char* what;
    const JournalHeader& header;
    core::DriveIdentity now;
    bool same;
  } rows[] = {
      {"the same stick", withSerial, pinned, true},
      {"plugged in again: another key", withSerial, Now("SIMTEK Flash Disk", "SIM0000001", 16'000'000'000, 0x77), true},
      {"another serial", withSerial, Now("SIMTEK Flash Disk", "SIM0000002", 16'000'000'000, 0x0a), false},
      {"another model", withSerial, Now("OTHER Flash Disk", "SIM0000001", 16'000'000'000, 0x0a), false},
      {"another size", withSerial, Now("SIMTEK Flash Disk", "SIM0000001", 8'000'000'000, 0x0a), false},
      {"no serial, same key", noSerial, Now("Loop", "", 1u << 30, 0x0a), true},
      {"no serial, another key", noSerial, Now("Loop", "", 1u << 30, 0x0b), false},
      {"no serial, no key now", noSerial, Now("Loop", "", 1u << 30, std::nullopt), false},
      {"no serial, another size", noSerial, Now("Loop", "", 2u << 30, 0x0a), false},
      {"size not known through the handle", withSerial, Now("SIMTEK Flash Disk", "SIM0000001", 0, 0x0a), true},
  };
  for (const Row& r : rows) EXPECT_EQ(JournalIsFor(r.header, r.now), r.same) << r.what;

  JournalHeader keyless = noSerial;
  keyless.key.clear();
  EXPECT_FALSE(JournalIsFor(keyless, Now("Loop", "", 1u << 30, std::nullopt)))
      << "a stick with neither serial nor key could be any stick";
}

TEST(JournalFile, OneNamePerStickThatStaysWhenItComesBack) {
  const JournalHeader a = HeaderFor(Now("M", "S1", 100, 1), "/dev/sdb", "x");
  const JournalHeader again = HeaderFor(Now("M", "S1", 100, 2), "/dev/sdc", "y");
  const JournalHeader b = HeaderFor(Now("M", "S2", 100, 1), "/dev/sdb", "x");
  EXPECT_EQ(JournalName(a), JournalName(again));
  EXPECT_NE(JournalName(a), JournalName(b));
  EXPECT_TRUE(IsJournalName(JournalName(a)));
  EXPECT_FALSE(IsJournalName("notes.txt"));
}

}  // namespace
}  // namespace sw::probe
