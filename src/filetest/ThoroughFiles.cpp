// Writing and reading back the files of the thorough test.
#include "filetest/ThoroughFiles.h"

#include <algorithm>
#include <cstring>

#include "core/Log.h"
#include "core/Progress.h"
#include "filetest/ChunkHelper.h"
#include "filetest/FileTestTexts.h"
#include "filetest/StopReason.h"
#include "filetest/TestFileHandle.h"
#include "platform/WinApi.h"

namespace sw::filetest::thorough {

namespace {

// Unbuffered, so the data goes to the device as each chunk is written; not write-through, which
// would also commit the file's growth after every chunk (on FAT a rewrite of the allocation table
// each time, on ext4 a journal commit): the flush at the end of the file does that once, before
// the file is read back.
constexpr std::uint32_t kWriteFlags = win::FILE_FLAG_NO_BUFFERING | win::FILE_ATTRIBUTE_NORMAL;
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

// Good sectors, nearly all of them on a sound drive, are told by one comparison each with what
// the format makes; only the others are examined one by one.
void JudgeAll(Tally& t, std::span<const std::uint8_t> sectors, std::uint64_t offset) {
  std::size_t at = 0;
  while (at < sectors.size()) {
    const std::size_t good = h2w::MatchingSectors(sectors.subspan(at), offset + at);
    t.good += good;
    at += good * h2w::kSectorBytes;
    if (at + h2w::kSectorBytes > sectors.size()) break;
    Judge(t, sectors.subspan(at, h2w::kSectorBytes), offset + at);
    at += h2w::kSectorBytes;
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
  if (unreadableFile == 0 && other.unreadableFile != 0) {
    unreadableFile = other.unreadableFile;
    unreadableError = other.unreadableError;
  }
  unreadable += other.unreadable;
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

Result WriteFile(core::Context& ctx, std::uint64_t n, std::uint64_t bytes, ChunkBuffers& buffers,
                 Progress& progress, std::uint64_t& written) {
  core::State& s = ctx.state;
  written = 0;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(h2w::FilePath(s.SelectedVolume, n),
                                                 win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                                                 kWriteFlags));
  if (!file.opened()) {
    s.FileTestLastError = ctx.os.GetLastError();
    return Result::Failed;
  }
  const std::uint64_t base = (n - 1) * s.ThoroughFileBytes;
  const std::uint64_t chunks = (bytes + kChunkBytes - 1) / kChunkBytes;
  const auto sizeOf = [&](std::uint64_t i) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, bytes - i * kChunkBytes));
  };
  // Gone on every way out of here, before the caller's buffers: it finishes the chunks in the
  // making first.
  ChunkHelper helper;
  // Job i makes chunk i, in buffer i mod kChunkBuffers.
  const auto make = [&](std::uint64_t i) {
    const std::span<std::uint8_t> to{buffers.each[i % kChunkBuffers].data(), sizeOf(i)};
    const std::uint64_t at = base + i * kChunkBytes;
    helper.Start([to, at] { h2w::FillSectors(to, at); });
  };
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(chunks, kChunkBuffers); ++i) make(i);
  for (std::uint64_t i = 0; i < chunks; ++i) {
    helper.WaitFor(i);
    const std::size_t chunk = sizeOf(i);
    std::uint32_t took = 0;
    const bool ok =
        ctx.os.WriteFile(file.get(), {buffers.each[i % kChunkBuffers].data(), chunk}, took);
    core::CountWrite(ctx, chunk, ok);
    if (!ok) {
      s.FileTestLastError = ctx.os.GetLastError();
      // What went in before stays and may still be read back.
      ctx.os.FlushFileBuffers(file.get());
      return Result::Failed;
    }
    written += chunk;
    if (i + kChunkBuffers < chunks) make(i + kChunkBuffers);
    progress.Moved(chunk);
    if (Cancelled(ctx)) return Result::Cancelled;
  }
  // What the volume could not take in the end (space it promised, a drive that went away)
  // fails the file as a failed write would.
  if (!ctx.os.FlushFileBuffers(file.get())) {
    s.FileTestLastError = ctx.os.GetLastError();
    return Result::Failed;
  }
  return Result::Done;
}

Result ReadFile(core::Context& ctx, std::uint64_t n, std::uint64_t bytes, ChunkBuffers& buffers,
                Tally& tally, Progress& progress) {
  core::State& s = ctx.state;
  const std::uint64_t base = (n - 1) * s.ThoroughFileBytes;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(h2w::FilePath(s.SelectedVolume, n),
                                                 win::GENERIC_READ, win::FILE_SHARE_READ,
                                                 win::OPEN_EXISTING, kReadFlags));
  std::uint64_t done = 0;
  std::uint32_t error = 0;  // of the open or the read that failed
  if (file.opened()) {
    const std::string note = ctx.os.CacheBypassNote(file.get());
    if (!note.empty()) core::Trace(ctx, texts::kThoroughTrace + note);
    // The figures of the chunks being checked, in their buffers' places; the helper is gone
    // before them.
    std::array<Tally, kChunkBuffers> parts;
    ChunkHelper helper;
    std::uint64_t started = 0;  // job i checks the i-th chunk read
    std::uint64_t added = 0;    // chunks whose figures are in `tally`
    // In order, so the first bad offsets stay the first ones.
    const auto addUpTo = [&](std::uint64_t end) {
      for (; added < end; ++added) {
        helper.WaitFor(added);
        tally.Add(parts[added % kChunkBuffers]);
      }
    };
    while (done < bytes) {
      // The buffer of this chunk held the one kChunkBuffers before: that must be checked.
      if (started >= kChunkBuffers) addUpTo(started - kChunkBuffers + 1);
      core::AlignedBuffer& buffer = buffers.each[started % kChunkBuffers];
      // Whole sectors of the volume: a file ending inside one still reads that sector whole, so
      // each read asks for the whole buffer and only the bytes of the file are judged.
      std::uint32_t got = 0;
      const bool ok = ctx.os.ReadFile(file.get(), buffer.span(), got);
      core::CountRead(ctx, got, ok);
      if (!ok) error = ctx.os.GetLastError();
      if (!ok || got == 0) break;
      const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, bytes - done));
      const std::size_t usable = std::min<std::size_t>(got, chunk) / h2w::kSectorBytes * h2w::kSectorBytes;
      // Counted as it arrives: the pace is that of the drive.
      progress.Moved(usable);
      Tally* part = &parts[started % kChunkBuffers];
      *part = Tally{};
      const std::span<const std::uint8_t> sectors{buffer.data(), usable};
      const std::uint64_t at = base + done;
      helper.Start([part, sectors, at] { JudgeAll(*part, sectors, at); });
      ++started;
      done += usable;
      if (Cancelled(ctx)) return Result::Cancelled;
      if (usable < chunk) break;
    }
    addUpTo(started);
  } else {
    error = s.FileTestLastError = ctx.os.GetLastError();
  }
  if (done < bytes && ClassifyStop(error) == StopReason::Gone) {
    // A volume that went away is no evidence against the drive: what it did not give back is
    // untested, not lost, and the run ends without a verdict.
    if (s.FileTestStopError == 0) s.FileTestStopError = win::ERROR_DEVICE_NOT_CONNECTED;
    return Result::Failed;
  }
  const std::uint64_t missing = (bytes - std::min(done, bytes) + h2w::kSectorBytes - 1) / h2w::kSectorBytes;
  if (missing > 0 && error != 0) {
    tally.unreadable += missing;
    if (tally.unreadableFile == 0) {
      tally.unreadableFile = n;
      tally.unreadableError = error;
    }
  } else {
    // The file ended early: the drive kept less of it than was written.
    tally.corrupted += missing;
  }
  return file.opened() ? Result::Done : Result::Failed;
}

Result ReadSample(core::Context& ctx, std::uint64_t n, std::uint64_t offset, std::size_t bytes,
                  core::AlignedBuffer& buffer, Tally& tally) {
  core::State& s = ctx.state;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(h2w::FilePath(s.SelectedVolume, n),
                                                 win::GENERIC_READ, win::FILE_SHARE_READ,
                                                 win::OPEN_EXISTING, kReadFlags));
  std::uint32_t got = 0;
  bool ok = file.opened() &&
            ctx.os.SetFilePointerEx(file.get(), static_cast<std::int64_t>(offset), nullptr, win::FILE_BEGIN);
  if (ok) {
    ok = ctx.os.ReadFile(file.get(), {buffer.data(), bytes}, got);
    core::CountRead(ctx, got, ok);
  }
  if (!ok) {
    const std::uint32_t error = ctx.os.GetLastError();
    if (ClassifyStop(error) == StopReason::Gone) {
      if (s.FileTestStopError == 0) s.FileTestStopError = win::ERROR_DEVICE_NOT_CONNECTED;
      return Result::Failed;
    }
    tally.unreadable += bytes / h2w::kSectorBytes;
    if (tally.unreadableFile == 0) {
      tally.unreadableFile = n;
      tally.unreadableError = error;
    }
    return Result::Done;
  }
  const std::size_t usable = std::min<std::size_t>(got, bytes) / h2w::kSectorBytes * h2w::kSectorBytes;
  JudgeAll(tally, {buffer.data(), usable}, (n - 1) * s.ThoroughFileBytes + offset);
  tally.corrupted += (bytes - usable) / h2w::kSectorBytes;
  return Result::Done;
}

}  // namespace sw::filetest::thorough
