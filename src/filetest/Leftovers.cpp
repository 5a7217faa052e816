// Which files named like test files are this program's, and their deletion.
#include "filetest/Leftovers.h"

#include <algorithm>
#include <charconv>

#include "core/AlignedBuffer.h"
#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/H2wFormat.h"
#include "filetest/H2wLedger.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileHandle.h"
#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

constexpr std::size_t kHeaderBytes = 9;  // n (4 bytes), "FFF", CR LF

// The number in "WARDFILE12.tmp" or "12.h2w" (case as Windows ignores it); 0 for any other name.
std::uint64_t NumberIn(const std::string& name, const std::string& prefix, const std::string& suffix) {
  if (name.size() <= prefix.size() + suffix.size()) return 0;
  const auto same = [](const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) ==
                                                  std::tolower(static_cast<unsigned char>(y)); });
  };
  if (!same(name.substr(0, prefix.size()), prefix) || !same(name.substr(name.size() - suffix.size()), suffix)) {
    return 0;
  }
  const char* first = name.data() + prefix.size();
  const char* last = name.data() + name.size() - suffix.size();
  std::uint64_t n = 0;
  const auto [end, error] = std::from_chars(first, last, n);
  return error == std::errc{} && end == last ? n : 0;
}

class OpenedFile {
 public:
  OpenedFile(core::Context& ctx, const std::string& path)
      : ctx_(ctx), file_(ctx.os, ctx.os.CreateFileA(path, win::GENERIC_READ, win::FILE_SHARE_READ,
                                                    win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL)) {
    if (!file_.opened() || !ctx.os.SetFilePointerEx(file_.get(), 0, &size_, win::FILE_END)) size_ = -1;
  }
  std::int64_t size() const { return size_; }  // -1: could not be opened
  bool Read(std::int64_t at, std::span<std::uint8_t> into) {
    std::uint32_t got = 0;
    return ctx_.os.SetFilePointerEx(file_.get(), at, nullptr, win::FILE_BEGIN) &&
           ctx_.os.ReadFile(file_.get(), into, got) && got == into.size();
  }

 private:
  core::Context& ctx_;
  TestFileHandle file_;
  std::int64_t size_ = 0;
};

bool IsOurPlainFile(OpenedFile& file, std::uint64_t n) {
  if (file.size() == 0) return true;
  if (file.size() < static_cast<std::int64_t>(kHeaderBytes)) return false;
  std::array<std::uint8_t, kHeaderBytes> header{};
  if (!file.Read(0, header)) return false;
  return platform::le32(header, 0) == static_cast<std::uint32_t>(n) && header[4] == kHeaderF &&
         header[5] == kHeaderF && header[6] == kHeaderF && header[7] == 0x0D && header[8] == 0x0A;
}

bool SectorHolds(OpenedFile& file, std::int64_t at, std::uint64_t offset) {
  core::AlignedBuffer sector(h2w::kSectorBytes);
  if (!file.Read(at, sector.span())) return false;
  const h2w::SectorState state = h2w::CheckSector(sector.span(), offset).state;
  return state == h2w::SectorState::Good || state == h2w::SectorState::Changed;
}

// The data of file n in its first or its last sector, whichever file size wrote it (H2testw and
// f3write both use 1 GiB files). Either will do: on a fake, part of a file this program wrote
// and listed may be lost, and the file is no less its own; a file that holds no test data at
// all is someone else's, whatever the list says.
bool HoldsH2wData(core::Context& ctx, OpenedFile& file, std::uint64_t n) {
  if (file.size() < static_cast<std::int64_t>(h2w::kSectorBytes)) return file.size() == 0;
  const std::int64_t last = (file.size() / static_cast<std::int64_t>(h2w::kSectorBytes) - 1) *
                            static_cast<std::int64_t>(h2w::kSectorBytes);
  for (const std::uint64_t fileBytes : {ctx.state.ThoroughFileBytes, h2w::kFileBytes}) {
    if (fileBytes == 0) continue;
    const std::uint64_t base = (n - 1) * fileBytes;
    if (SectorHolds(file, 0, base) || SectorHolds(file, last, base + static_cast<std::uint64_t>(last))) return true;
  }
  return false;
}

}  // namespace

Leftovers FindLeftovers(core::Context& ctx, const std::string& volume, LeftoverKind kind) {
  Leftovers found;
  const auto keep = [&found](bool ours, const std::string& name, std::int64_t size) {
    if (ours) {
      found.ours.push_back(name);
      found.ourBytes += static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0));
    } else {
      found.foreign.push_back(name);
    }
  };
  if (kind != LeftoverKind::H2w) {
    for (const std::string& name : ctx.os.FindFiles(TestFilePattern(volume))) {
      const std::uint64_t n = NumberIn(name, "WARDFILE", ".tmp");
      OpenedFile file(ctx, volume + "\\" + name);
      keep(n != 0 && IsOurPlainFile(file, n), name, file.size());
    }
  }
  if (kind != LeftoverKind::Plain) {
    const std::vector<std::string> recorded = RecordedH2wFiles(ctx, volume);
    for (const std::string& name : ctx.os.FindFiles(h2w::FilePattern(volume))) {
      const std::uint64_t n = NumberIn(name, "", ".h2w");
      OpenedFile file(ctx, volume + "\\" + name);
      const bool listed = std::find(recorded.begin(), recorded.end(), name) != recorded.end();
      const bool ours = ctx.state.DeleteForeignH2w || (listed && n != 0 && HoldsH2wData(ctx, file, n));
      keep(ours, name, file.size());
    }
  }
  return found;
}

std::string ListedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

void DeleteLeftovers(core::Context& ctx, const std::string& volume, const std::vector<std::string>& names) {
  std::vector<std::string> plain, h2wFiles;
  for (const std::string& name : names) {
    // A name with wildcards would stand for more files than itself.
    if (name.find_first_of("*?") != std::string::npos) continue;
    (NumberIn(name, "", ".h2w") != 0 || name.ends_with(".h2w") ? h2wFiles : plain).push_back(name);
  }
  const auto deleteGroup = [&](const std::vector<std::string>& group, const std::string& pattern) {
    if (group.empty()) return;
    core::LogText(ctx, core::kCrLf + std::string(texts::kDeleting) + ctx.os.ShownPath(pattern) +
                           texts::kFilesEllipsis);
    ctx.win.DoEvents();
    // A file that cannot go (in use, read-only) stays; the line ends the same either way.
    for (const std::string& name : group) ctx.os.DeleteFiles(volume + "\\" + name);
    core::LogText(ctx, texts::kCleanupFinished);
  };
  deleteGroup(h2wFiles, h2w::FilePattern(volume));
  deleteGroup(plain, TestFilePattern(volume));
  if (!h2wFiles.empty() && ctx.os.FindFiles(h2w::FilePattern(volume)).empty()) ForgetH2wFiles(ctx, volume);
}

void LogKeptForeign(core::Context& ctx, const std::string& volume, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const bool h2wName = name.ends_with(".h2w");
    core::LogText(ctx, std::string(core::kCrLf) + texts::kKeptForeign1 + ctx.os.ShownPath(volume + "\\" + name) +
                           (h2wName ? texts::kKeptForeign2 : texts::kKeptForeignPlain));
  }
}

}  // namespace sw::filetest
