// Byte layouts of the device controls (SCSI pass-through block, storage descriptor) and the
// date and number formats, without any device.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/LocalClock.h"
#include "platform/linux/ScsiPassThrough.h"
#include "platform/linux/StorageDescriptor.h"

namespace sw::platform::linuxos {
namespace {

constexpr std::size_t kCoreBlockBytes = 585;  // what the core offers in and out

// The block as the identity query builds it: READ CAPACITY(10) or INQUIRY for 192 bytes.
std::vector<std::uint8_t> CoreBlock(std::uint8_t opcode) {
  std::vector<std::uint8_t> b(win::kSptBlockSize, 0);
  b[0] = 44;
  b[4] = 1;
  b[6] = 6;
  b[7] = 24;
  b[8] = win::SCSI_IOCTL_DATA_IN;
  b[12] = 192;
  b[16] = 2;
  b[20] = win::kSptDataOffset;
  b[24] = win::kSptSenseOffset;
  const std::uint8_t cdb[6] = {opcode, 0x08, 0x00, 0x00, 0xC0, 0x00};
  std::memcpy(&b[win::kSptCdbOffset], cdb, 6);
  return b;
}

TEST(ScsiPassThrough, ReadCapacityAnswerLandsInTheDataArea) {
  std::vector<std::uint8_t> block = CoreBlock(win::kScsiReadCapacity10);
  SptRequest seen;
  auto transport = [&seen](const SptRequest& req, std::span<std::uint8_t> data, std::span<std::uint8_t>) {
    seen = req;
    const std::uint8_t answer[8] = {0x00, 0xEF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00};
    std::memcpy(data.data(), answer, 8);
    SptOutcome outcome;
    outcome.transferred = 8;
    return outcome;
  };
  std::span<std::uint8_t> area(block.data(), kCoreBlockBytes);
  std::uint32_t returned = 99, error = 0;
  ASSERT_TRUE(ScsiPassThrough(area, area, returned, error, transport));
  EXPECT_EQ(seen.cdbLength, 6);
  EXPECT_EQ(seen.cdb[0], win::kScsiReadCapacity10);
  EXPECT_EQ(seen.cdb[4], 0xC0);
  EXPECT_EQ(seen.transferLength, 192u);
  EXPECT_EQ(seen.timeoutSeconds, 2u);
  EXPECT_EQ(returned, win::kSptDataOffset + 8);
  EXPECT_EQ(le32(block, 12), 8u);  // DataTransferLength now says what came back
  EXPECT_EQ(block[win::kSptDataOffset + 1], 0xEF);
  EXPECT_EQ(block[win::kSptDataOffset + 6], 0x02);
  EXPECT_EQ(block[2], 0);     // ScsiStatus GOOD
  EXPECT_EQ(block[0], 44);    // the header stays as sent
  EXPECT_EQ(block[584], 0);   // nothing past the 585 bytes offered
}

TEST(ScsiPassThrough, InquiryKeepsTheEarlierAnswerWhereTheNewOneDoesNotReach) {
  std::vector<std::uint8_t> block = CoreBlock(win::kScsiInquiry);
  std::memset(&block[win::kSptDataOffset], 0x77, 100);
  auto transport = [](const SptRequest&, std::span<std::uint8_t> data, std::span<std::uint8_t> sense) {
    std::memset(data.data(), 'A', 36);
    sense[0] = 0x70;
    SptOutcome outcome;
    outcome.transferred = 36;
    outcome.scsiStatus = 0;
    outcome.senseWritten = 0;
    return outcome;
  };
  std::span<std::uint8_t> area(block.data(), kCoreBlockBytes);
  std::uint32_t returned = 0, error = 0;
  ASSERT_TRUE(ScsiPassThrough(area, area, returned, error, transport));
  EXPECT_EQ(returned, win::kSptDataOffset + 36);
  EXPECT_EQ(block[win::kSptDataOffset + 35], 'A');
  EXPECT_EQ(block[win::kSptDataOffset + 36], 0x77);
}

TEST(ScsiPassThrough, HonestFailures) {
  std::uint32_t returned = 7, error = 0;
  // No SCSI layer (loop, nvme, mmc): the ioctl itself fails.
  std::vector<std::uint8_t> block = CoreBlock(win::kScsiInquiry);
  std::span<std::uint8_t> area(block.data(), kCoreBlockBytes);
  auto noScsi = [](const SptRequest&, std::span<std::uint8_t>, std::span<std::uint8_t>) {
    SptOutcome o;
    o.error = ENOTTY;
    return o;
  };
  EXPECT_FALSE(ScsiPassThrough(area, area, returned, error, noScsi));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(error, win::ERROR_INVALID_FUNCTION);
  EXPECT_EQ(block[win::kSptDataOffset], 0);

  // The bridge lost the command.
  auto lost = [](const SptRequest&, std::span<std::uint8_t>, std::span<std::uint8_t>) {
    SptOutcome o;
    o.transportFault = true;
    return o;
  };
  EXPECT_FALSE(ScsiPassThrough(area, area, returned, error, lost));
  EXPECT_EQ(error, win::ERROR_IO_DEVICE);

  // Malformed blocks never reach the device.
  bool called = false;
  auto spy = [&called](const SptRequest&, std::span<std::uint8_t>, std::span<std::uint8_t>) {
    called = true;
    return SptOutcome{};
  };
  std::vector<std::uint8_t> bad = CoreBlock(win::kScsiInquiry);
  bad[12] = 0x00;
  bad[13] = 0x02;  // 512 bytes from offset 76 do not fit in 585
  std::span<std::uint8_t> badArea(bad.data(), kCoreBlockBytes);
  EXPECT_FALSE(ScsiPassThrough(badArea, badArea, returned, error, spy));
  EXPECT_EQ(error, win::ERROR_INVALID_PARAMETER);
  std::vector<std::uint8_t> fresh = CoreBlock(win::kScsiInquiry);
  std::copy(fresh.begin(), fresh.end(), bad.begin());
  bad[6] = 17;  // CDB longer than 16
  EXPECT_FALSE(ScsiPassThrough(badArea, badArea, returned, error, spy));
  EXPECT_FALSE(ScsiPassThrough(std::span<std::uint8_t>(bad.data(), 40), badArea, returned, error, spy));
  EXPECT_FALSE(called);
}

TEST(ScsiPassThrough, CheckConditionIsReportedInTheBlockNotAsAFailedCall) {
  std::vector<std::uint8_t> block = CoreBlock(win::kScsiReadCapacity10);
  auto check = [](const SptRequest&, std::span<std::uint8_t>, std::span<std::uint8_t> sense) {
    sense[0] = 0x70;
    sense[2] = 0x02;  // NOT READY: no medium in the card reader
    SptOutcome o;
    o.scsiStatus = 0x02;
    o.senseWritten = 18;
    return o;
  };
  std::span<std::uint8_t> area(block.data(), kCoreBlockBytes);
  std::uint32_t returned = 0, error = 0;
  ASSERT_TRUE(ScsiPassThrough(area, area, returned, error, check));
  EXPECT_EQ(block[2], 0x02);
  EXPECT_EQ(block[7], 18);
  EXPECT_EQ(block[win::kSptSenseOffset + 2], 0x02);
  EXPECT_EQ(le32(block, 12), 0u);
  EXPECT_EQ(returned, win::kSptHeaderSize);  // no data: the core's capacity stays unset
}

TEST(StorageDescriptor, BusTypeAtOffset28AndStringsBehind) {
  DeviceDescription d;
  d.busType = win::BusTypeUsb;
  d.removable = true;
  d.vendor = "ACME";
  d.product = "Flash Disk";
  d.serial = "0123";
  std::vector<std::uint8_t> query(win::kStoragePropertyQuerySize, 0);
  std::vector<std::uint8_t> out(1025, 0);
  std::uint32_t returned = 0, error = 0;
  ASSERT_TRUE(AnswerStorageQuery(query, std::span(out.data(), 512), d, returned, error));
  EXPECT_EQ(out[win::kStorageDeviceDescriptorBusTypeOffset], win::BusTypeUsb);
  EXPECT_EQ(le32(out, 0), 40u);
  EXPECT_EQ(returned, le32(out, 4));
  EXPECT_EQ(out[10], 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(&out[le32(out, 12)]), "ACME");
  EXPECT_STREQ(reinterpret_cast<const char*>(&out[le32(out, 16)]), "Flash Disk");
  EXPECT_EQ(le32(out, 20), 0u);  // no revision known
  EXPECT_STREQ(reinterpret_cast<const char*>(&out[le32(out, 24)]), "0123");

  // A short buffer gets what fits, as Windows gives it.
  std::vector<std::uint8_t> small(30, 0xEE);
  ASSERT_TRUE(AnswerStorageQuery(query, small, d, returned, error));
  EXPECT_EQ(returned, 30u);
  EXPECT_EQ(le32(small, 4), BuildStorageDeviceDescriptor(d).size());

  std::vector<std::uint8_t> tiny(4);
  EXPECT_FALSE(AnswerStorageQuery(query, tiny, d, returned, error));
  EXPECT_EQ(error, win::ERROR_INSUFFICIENT_BUFFER);
  query[0] = 1;  // StorageAdapterProperty
  EXPECT_FALSE(AnswerStorageQuery(query, out, d, returned, error));
  EXPECT_EQ(error, win::ERROR_NOT_SUPPORTED);
  EXPECT_EQ(returned, 0u);
}

std::tm Tm(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(LocalClock, GeneralDateInTheCLocaleIsTheUsWindowsOne) {
  const struct {
    std::tm tm;
    const char* text;
  } rows[] = {
      {Tm(2026, 12, 8, 1, 53, 6), "12/8/2026 1:53:06 AM"},
      {Tm(2026, 1, 31, 0, 0, 0), "1/31/2026 12:00:00 AM"},
      {Tm(2026, 7, 4, 12, 5, 59), "7/4/2026 12:05:59 PM"},
      {Tm(2026, 7, 4, 23, 59, 59), "7/4/2026 11:59:59 PM"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatGeneralDate(row.tm, std::nullopt), row.text);
}

// A locale as German users have it, built in so that the test does not depend on which
// locales the machine has generated.
struct GermanPunct : std::numpunct<char> {
  char do_thousands_sep() const override { return '.'; }
  char do_decimal_point() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};
// A separator that is not one byte in UTF-8 (fr_FR's narrow no-break space starts with 0xE2).
struct MultibytePunct : std::numpunct<char> {
  char do_thousands_sep() const override { return '\xE2'; }
};

TEST(LocalClock, UserLocaleDecidesDateAndSeparators) {
  EXPECT_EQ(NumberFormatOf(std::nullopt).thousands, ",");
  EXPECT_EQ(NumberFormatOf(std::nullopt).decimal, ".");
  std::optional<std::locale> german = std::locale(std::locale::classic(), new GermanPunct);
  EXPECT_EQ(NumberFormatOf(german).thousands, ".");
  EXPECT_EQ(NumberFormatOf(german).decimal, ",");
  std::optional<std::locale> multibyte = std::locale(std::locale::classic(), new MultibytePunct);
  NumberFormat format = NumberFormatOf(multibyte);
  EXPECT_FALSE(format.thousands.empty());
  EXPECT_EQ(format.thousands.find('\xE2') == 0, format.thousands.size() > 1)
      << "a lone lead byte of a UTF-8 sequence must not become the separator";
  // With a locale its own date and time order applies ("%x %X"), not the US general date.
  std::optional<std::locale> classic = std::locale::classic();
  EXPECT_EQ(FormatGeneralDate(Tm(2026, 12, 8, 14, 3, 9), classic), "12/08/26 14:03:09");
}

TEST(LocalClock, LocalSecondsCountLocalWallTime) {
  // 2026-12-08 01:53:06 UTC; with TZ unset or UTC the local count equals the UTC count, and in
  // any zone the difference to UTC is whole quarter hours.
  std::time_t utc = 1796694786;
  LocalTime local = LocalSecondsOf(utc);
  EXPECT_EQ((local - utc) % 900, 0);
  std::tm fields{};
  std::time_t asUtc = local;
  gmtime_r(&asUtc, &fields);
  std::tm expected{};
  localtime_r(&utc, &expected);
  EXPECT_EQ(fields.tm_hour, expected.tm_hour);
  EXPECT_EQ(fields.tm_mday, expected.tm_mday);
}

}  // namespace
}  // namespace sw::platform::linuxos

namespace sw::platform::linuxos {
namespace {

TEST(LinuxClock, TicksAdvanceAcrossASleepAndNowIsLocalWallTime) {
  LinuxOs os{SystemPaths{}};
  std::uint32_t before = os.GetTickCount();
  os.Sleep(30);
  std::uint32_t elapsed = os.GetTickCount() - before;  // unsigned: right across a wrap too
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 10000u);
  EXPECT_LE(std::llabs(os.Now() - LocalSecondsOf(std::time(nullptr))), 1);
}

}  // namespace
}  // namespace sw::platform::linuxos
