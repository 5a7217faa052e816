// The fix's layout from the measured end and the user's options.
#include "fix/FixPlan.h"

#include <algorithm>
#include <cctype>

#include "fix/FixTexts.h"

namespace sw::fix {

namespace {

constexpr const char* kDefaultLabel = "VERIFIED";
constexpr std::size_t kLabelMax = 11;

PlanOutcome Refused(std::string why) {
  PlanOutcome out;
  out.refusal = std::move(why);
  return out;
}

bool LabelFits(const std::string& label) {
  if (label.size() > kLabelMax) return false;
  return std::all_of(label.begin(), label.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '_' || c == '-';
  });
}

}  // namespace

std::optional<FileSystem> FileSystemNamed(const std::string& name) {
  if (name == "fat32") return FileSystem::Fat32;
  if (name == "exfat") return FileSystem::ExFat;
  if (name == "ntfs") return FileSystem::Ntfs;
  if (name == "ext4") return FileSystem::Ext4;
  return std::nullopt;
}

std::string FileSystemName(FileSystem fs) {
  switch (fs) {
    case FileSystem::Fat32:
      return "fat32";
    case FileSystem::ExFat:
      return "exfat";
    case FileSystem::Ntfs:
      return "ntfs";
    case FileSystem::Ext4:
      break;
  }
  return "ext4";
}

std::string FileSystemTitle(FileSystem fs) {
  switch (fs) {
    case FileSystem::Fat32:
      return "FAT32";
    case FileSystem::ExFat:
      return "exFAT";
    case FileSystem::Ntfs:
      return "NTFS";
    case FileSystem::Ext4:
      break;
  }
  return "ext4";
}

std::string TableName(Table table) { return table == Table::Gpt ? "gpt" : "mbr"; }

PlanOutcome PlanFix(const PlanInput& in) {
  const core::FixRequest& ask = in.request;
  std::optional<FileSystem> chosen;
  if (!ask.fileSystem.empty()) {
    chosen = FileSystemNamed(ask.fileSystem);
    if (!chosen) return Refused(text::kBadFileSystem + ask.fileSystem);
  }
  if (!LabelFits(ask.label)) return Refused(text::kBadLabel + ask.label);
  const std::uint64_t sector = in.sectorBytes == 4096 ? 4096 : 512;

  FixPlan plan;
  plan.sectorBytes = static_cast<std::uint32_t>(sector);
  std::uint64_t end = 0;
  std::optional<std::uint64_t> asked;
  if (ask.lastSector) asked = (*ask.lastSector + 1) * sector;
  if (!asked && ask.sizeBytes) asked = kMiB + *ask.sizeBytes;
  if (asked) {
    // A size given never overrides what this run measured: it may only make the stick smaller.
    if (in.measured && *asked > in.measured->endBytes) {
      return Refused(text::kPastMeasured1 + std::to_string(*asked) + text::kPastMeasured2 +
                     std::to_string(in.measured->endBytes) + text::kPastMeasured3);
    }
    if (*asked > in.diskBytes) return Refused(text::kPastDisk);
    end = *asked;
    plan.measuredBy = "size";
  } else if (in.measured) {
    end = std::min(in.measured->endBytes, in.diskBytes);
    plan.measuredBy = in.measured->command;
  } else {
    return Refused(text::kNotMeasured);
  }

  plan.table = end > kMbrLimit ? Table::Gpt : Table::Mbr;
  // GPT keeps a copy of itself in the disk's last sectors; the partition stays clear of them.
  if (plan.table == Table::Gpt) {
    const std::uint64_t backup = kGptBackupBytes + sector;
    end = std::min(end, in.diskBytes > backup ? in.diskBytes - backup : 0);
  }
  const std::uint64_t aligned = end / kMiB * kMiB;
  if (aligned <= plan.firstByte) return Refused(text::kTooSmall);
  plan.lengthBytes = aligned - plan.firstByte;
  plan.fileSystem = chosen.value_or(plan.lengthBytes <= kFat32Limit ? FileSystem::Fat32 : FileSystem::ExFat);
  plan.label = ask.label.empty() ? kDefaultLabel : ask.label;
  if (plan.fileSystem == FileSystem::Fat32 || plan.fileSystem == FileSystem::ExFat) {
    // FAT labels are kept in capitals; exFAT's are not, but stay alike on both.
    for (char& c : plan.label) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  PlanOutcome out;
  out.plan = plan;
  return out;
}

}  // namespace sw::fix
