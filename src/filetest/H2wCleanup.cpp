// Which .h2w files are test files, and their deletion.
#include "filetest/H2wCleanup.h"

#include <charconv>

#include "core/AlignedBuffer.h"
#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/H2wFormat.h"
#include "filetest/TestFileHandle.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

// "12.h2w" gives 12; 0 for any other name.
std::uint64_t NumberOf(const std::string& name) {
  const std::size_t dot = name.find('.');
  std::uint64_t n = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + dot, n);
  if (error != std::errc{} || end != name.data() + dot || name.substr(dot) != ".h2w") return 0;
  return n;
}

bool SectorHolds(core::Context& ctx, platform::Handle h, std::int64_t at, std::uint64_t offset) {
  core::AlignedBuffer sector(h2w::kSectorBytes);
  std::uint32_t got = 0;
  return ctx.os.SetFilePointerEx(h, at, nullptr, win::FILE_BEGIN) &&
         ctx.os.ReadFile(h, sector.span(), got) && got == h2w::kSectorBytes &&
         (h2w::CheckSector(sector.span(), offset).state == h2w::SectorState::Good ||
          h2w::CheckSector(sector.span(), offset).state == h2w::SectorState::Changed);
}

// A test file of number n: its first and last sectors are those of file n (whatever tool, and
// whatever file size, wrote it: H2testw and f3write both use 1 GiB files).
bool IsTestFile(core::Context& ctx, const std::string& path, std::uint64_t n) {
  if (n == 0) return false;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(path, win::GENERIC_READ, win::FILE_SHARE_READ,
                                                 win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL));
  std::int64_t size = 0;
  if (!file.opened() || !ctx.os.SetFilePointerEx(file.get(), 0, &size, win::FILE_END) ||
      size < static_cast<std::int64_t>(h2w::kSectorBytes)) {
    return false;
  }
  const std::int64_t last = (size / h2w::kSectorBytes - 1) * h2w::kSectorBytes;
  for (const std::uint64_t fileBytes : {ctx.state.ThoroughFileBytes, h2w::kFileBytes}) {
    const std::uint64_t base = (n - 1) * fileBytes;
    if (SectorHolds(ctx, file.get(), 0, base) &&
        SectorHolds(ctx, file.get(), last, base + static_cast<std::uint64_t>(last))) {
      return true;
    }
  }
  return false;
}

}  // namespace

void CleanupH2wFiles(core::Context& ctx) {
  const std::string volume = ctx.state.SelectedVolume;
  const std::vector<std::string> names = ctx.os.FindFiles(h2w::FilePattern(volume));
  if (names.empty()) return;
  core::LogText(ctx, core::kCrLf + std::string(texts::kDeleting) +
                         ctx.os.ShownPath(h2w::FilePattern(volume)) + texts::kFilesEllipsis);
  ctx.win.DoEvents();
  std::vector<std::string> kept;
  for (const std::string& name : names) {
    const std::string path = volume + "\\" + name;
    if (ctx.state.DeleteForeignH2w || IsTestFile(ctx, path, NumberOf(name))) {
      ctx.os.DeleteFiles(path);
    } else {
      kept.push_back(path);
    }
  }
  core::LogText(ctx, texts::kCleanupFinished);
  for (const std::string& path : kept) {
    core::LogText(ctx, std::string(core::kCrLf) + texts::kKeptForeign1 + ctx.os.ShownPath(path) +
                           texts::kKeptForeign2);
  }
}

}  // namespace sw::filetest
