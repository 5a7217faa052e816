// One file of the thorough test: written whole from the shared format, and read back whole
// with every sector judged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/AlignedBuffer.h"
#include "core/Context.h"
#include "filetest/H2wFormat.h"
#include "filetest/ThoroughProgress.h"

namespace sw::filetest::thorough {

// Sectors by what they held, and where the first bad ones were.
struct Tally {
  std::uint64_t good = 0, changed = 0, overwritten = 0, corrupted = 0;
  // Sectors of files that could not be opened or read: nothing came back to judge, which is
  // not the same as data that came back wrong.
  std::uint64_t unreadable = 0;
  std::uint64_t unreadableFile = 0;     // the first such file's number (0: none)
  std::uint32_t unreadableError = 0;    // and the system's error code for it
  bool haveFirstBad = false;
  std::uint64_t firstBadOffset = 0;  // stream offset of the first byte that differs
  std::uint8_t expectedByte = 0, foundByte = 0;
  bool haveOverwrite = false;
  std::uint64_t overwrittenAt = 0, overwrittenFrom = 0;  // first overwritten sector, its source

  std::uint64_t Sectors() const { return good + changed + overwritten + corrupted + unreadable; }
  bool Lost() const { return Sectors() != good; }
  void Add(const Tally& other);
};

enum class Result { Done, Cancelled, Failed };

// Bytes per transfer: large enough to keep a stick busy and the calls few, small enough to poll
// Cancel and show progress several times a second on a 20 MB/s stick.
inline constexpr std::size_t kChunkBytes = 4 * 1'048'576;
// Chunks in the making or waiting to be checked while one moves. Two are enough: making or
// checking a chunk takes a fraction of the time moving it does, so the helper is always done
// before its buffer is wanted again. More only slowed the transfers of a fast volume (likely
// because each buffer has left the processor's cache by its next turn): with four, the verify
// reads of a 1.5 GB/s virtual disk took 10 to 20 % longer per chunk than with two.
inline constexpr std::size_t kChunkBuffers = 2;

// The buffers of the transfers: one moves while the others are made or checked.
struct ChunkBuffers {
  ChunkBuffers() {
    for (core::AlignedBuffer& b : each) b.Resize(kChunkBytes);
  }
  std::array<core::AlignedBuffer, kChunkBuffers> each;
};

// Writes file n (stream offset (n - 1) * fileBytes, `bytes` long) in chunks, unbuffered and
// write-through, yielding, polling Cancel and telling `progress` at every chunk. Failed leaves
// the system's error code in FileTestLastError; `written` is what went in whole before it (a
// whole number of chunks).
Result WriteFile(core::Context& ctx, std::uint64_t n, std::uint64_t bytes, ChunkBuffers& buffers,
                 Progress& progress, std::uint64_t& written);

// Reads file n back unbuffered and adds every sector to `tally`; `bytes` is the size it should
// have (a shorter file counts its missing sectors as corrupted, a file that cannot be opened
// or read counts them as unreadable, but a volume that went away leaves them untested and sets
// FileTestStopError). Polls Cancel and tells `progress` at every chunk.
Result ReadFile(core::Context& ctx, std::uint64_t n, std::uint64_t bytes, ChunkBuffers& buffers,
                Tally& tally, Progress& progress);

// Reads `bytes` (whole sectors, at most kChunkBytes) of file n at `offset` into `buffer` and
// judges them into `tally`: one sample of the verification behind the writing. Failed: the
// volume went away (FileTestStopError is set); a sample that cannot be read is unreadable.
Result ReadSample(core::Context& ctx, std::uint64_t n, std::uint64_t offset, std::size_t bytes,
                  core::AlignedBuffer& buffer, Tally& tally);

}  // namespace sw::filetest::thorough
