// Writing and reading back the files of the thorough test.
#include "filetest/ThoroughFiles.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/TestFileHandle.h"
#include "platform/WinApi.h"

namespace sw::filetest::thorough {

namespace {

constexpr std::uint32_t kWriteFlags =
    win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING | win::FILE_ATTRIBUTE_NORMAL;
constexpr std::uint32_t kReadFlags = win::FILE_FLAG_NO_BUFFERING | win::FILE_ATTRIBUTE_NORMAL;

void NoteFirstBad(Tally& t, std::span<const std::uint8_t> sector, std::uint64_t offset) {
  if (t.haveFirstBad) return;
  std::uint8_t expected[h2w::kSectorBytes];
  h2w::FillSectors(expected, offset);
  for (std::size_t i = 0; i < h2w::kSectorBytes; ++i) {
    if (sector[i] != expected[i]) {
      t.haveFirstBad = true;
      t.firstBadOffset = offset + i;
      t.expectedByte = expected[i];
      t.foundByte = sector[i];
      return;
    }
  }
}

void Judge(Tally& t, std::span<const std::uint8_t> sector, std::uint64_t offset) {
  const h2w::SectorCheck check = h2w::CheckSector(sector, offset);
  switch (check.state) {
    case h2w::SectorState::Good:
      ++t.good;
      return;
    case h2w::SectorState::Changed:
      ++t.changed;
      break;
    case h2w::SectorState::Overwritten:
      ++t.overwritten;
      if (!t.haveOverwrite) {
        t.haveOverwrite = true;
        t.overwrittenAt = offset;
        t.overwrittenFrom = check.foundOffset;
      }
      break;
    case h2w::SectorState::Corrupted:
      ++t.corrupted;
      break;
  }
  NoteFirstBad(t, sector, offset);
}

// Good sectors, nearly all of them on a sound drive, are told by one comparison with what the
// format makes; only the others are examined one by one.
void JudgeAll(Tally& t, std::span<const std::uint8_t> sectors, std::uint64_t offset) {
  constexpr std::size_t kPiece = 64 * h2w::kSectorBytes;
  std::array<std::uint8_t, kPiece> expected;
  for (std::size_t at = 0; at < sectors.size(); at += kPiece) {
    const std::size_t n = std::min(kPiece, sectors.size() - at);
    h2w::FillSectors({expected.data(), n}, offset + at);
    for (std::size_t s = 0; s < n; s += h2w::kSectorBytes) {
      const std::uint8_t* sector = sectors.data() + at + s;
      if (std::memcmp(sector, expected.data() + s, h2w::kSectorBytes) == 0) {
        ++t.good;
      } else {
        Judge(t, {sector, h2w::kSectorBytes}, offset + at + s);
      }
    }
  }
}

bool Cancelled(core::Context& ctx) {
  ctx.win.DoEvents();
  return ctx.state.CancelRequested;
}

}  // namespace

void Tally::Add(const Tally& other) {
  if (!haveFirstBad && other.haveFirstBad) {
    haveFirstBad = true;
    firstBadOffset = other.firstBadOffset;
    expectedByte = other.expectedByte;
    foundByte = other.foundByte;
  }
  if (!haveOverwrite && other.haveOverwrite) {
    haveOverwrite = true;
    overwrittenAt = other.overwrittenAt;
    overwrittenFrom = other.overwrittenFrom;
  }
  good += other.good;
  changed += other.changed;
  overwritten += other.overwritten;
  corrupted += other.corrupted;
}

Result WriteFile(core::Context& ctx, std::uint64_t n, std::uint64_t bytes,
                 core::AlignedBuffer& buffer) {
  core::State& s = ctx.state;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(h2w::FilePath(s.SelectedVolume, n),
                                                 win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                                                 kWriteFlags));
  if (!file.opened()) {
    s.FileTestLastError = ctx.os.GetLastError();
    return Result::Failed;
  }
  const std::uint64_t base = (n - 1) * s.ThoroughFileBytes;
  for (std::uint64_t done = 0; done < bytes;) {
    const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - done));
    h2w::FillSectors({buffer.data(), chunk}, base + done);
    std::uint32_t written = 0;
    if (!ctx.os.WriteFile(file.get(), {buffer.data(), chunk}, written)) {
      s.FileTestLastError = ctx.os.GetLastError();
      return Result::Failed;
    }
    done += chunk;
    if (Cancelled(ctx)) return Result::Cancelled;
  }
  ctx.os.FlushFileBuffers(file.get());
  return Result::Done;
}

Result ReadFile(core::Context& ctx, std::uint64_t n, std::uint64_t bytes,
                core::AlignedBuffer& buffer, Tally& tally) {
  core::State& s = ctx.state;
  const std::uint64_t base = (n - 1) * s.ThoroughFileBytes;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(h2w::FilePath(s.SelectedVolume, n),
                                                 win::GENERIC_READ, win::FILE_SHARE_READ,
                                                 win::OPEN_EXISTING, kReadFlags));
  std::uint64_t done = 0;
  if (file.opened()) {
    const std::string note = ctx.os.CacheBypassNote(file.get());
    if (!note.empty()) core::Trace(ctx, texts::kThoroughTrace + note);
    while (done < bytes) {
      const auto chunk =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - done));
      // Whole sectors of the volume: a file ending inside one still reads that sector whole.
      std::uint32_t got = 0;
      if (!ctx.os.ReadFile(file.get(), buffer.span(), got) || got == 0) break;
      const std::size_t usable = std::min<std::size_t>(got, chunk) / h2w::kSectorBytes * h2w::kSectorBytes;
      JudgeAll(tally, {buffer.data(), usable}, base + done);
      done += usable;
      if (Cancelled(ctx)) return Result::Cancelled;
      if (usable < chunk) break;
    }
  } else {
    s.FileTestLastError = ctx.os.GetLastError();
  }
  // What could not be read at all is data the drive did not give back.
  if (done < bytes) tally.corrupted += (bytes - done + h2w::kSectorBytes - 1) / h2w::kSectorBytes;
  if (done < bytes && !tally.haveFirstBad) {
    tally.haveFirstBad = true;
    tally.firstBadOffset = base + done;
  }
  return file.opened() ? Result::Done : Result::Failed;
}

}  // namespace sw::filetest::thorough
