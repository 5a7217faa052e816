// The probe's journal on the computer's own disk: which stick it is, and each block the probe
// saved before its first write there, in the order saved. It is appended and on the disk before
// the write it covers, so that a crash, a power cut or a pulled stick at any moment leaves
// enough to put every block back on the next start.
//
// The file is a chain of records: a type byte, a 4-byte length, the payload and a 64-bit
// FNV-1a checksum of the three. A record cut short by a crash fails its checksum, and it and
// everything after it are ignored: its append never returned, so no write it covers was made.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Context.h"

namespace sw::probe {

// Which stick a journal is for, and when and where it was written.
struct JournalHeader {
  std::string model;
  std::string serial;
  std::uint64_t sizeBytes = 0;
  std::string key;     // the provider's key in hex, empty when it has none
  std::string device;  // "/dev/sdb" or "\\.\PhysicalDrive2", as the user knew it then
  std::string date;    // when the probe began, as the report dates it
};

struct JournalBlock {
  std::int64_t sector = 0;
  std::array<std::uint8_t, 512> bytes{};
};

struct JournalContents {
  JournalHeader header;
  std::vector<JournalBlock> blocks;  // in the order saved, blocks forgotten again left out
};

JournalHeader HeaderFor(const core::DriveIdentity& identity, const std::string& device,
                        const std::string& date);
// The file name of the journal of this stick: one per stick, the same when it comes back.
std::string JournalName(const JournalHeader& header);
bool IsJournalName(const std::string& name);

std::vector<std::uint8_t> EncodeHeader(const JournalHeader& header);
std::vector<std::uint8_t> EncodeBlock(std::int64_t sector, std::span<const std::uint8_t> bytes);
// The block saved last was not changed after all: the write it covered failed.
std::vector<std::uint8_t> EncodeForget(std::int64_t sector);
// Nothing when the file does not begin with a whole header.
std::optional<JournalContents> DecodeJournal(std::span<const std::uint8_t> file);

// Whether the drive now answering is the stick the journal is for. A stick with a serial is
// known by model, serial and size wherever it is plugged in again; one without a serial (a loop
// device, some card readers) only by the key of the same attachment.
bool JournalIsFor(const JournalHeader& header, const core::DriveIdentity& now);

}  // namespace sw::probe
