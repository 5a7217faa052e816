// The probe's only way to the drive: raw transfers through SectorBuffer that count sectors and
// time, poll Cancel, stop for good when the pinned drive is lost, and keep within the write bound.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/Context.h"

namespace sw::probe::detail {

class ProbeIo {
 public:
  static constexpr std::int32_t kChunkSectors = 128;  // the most sectors one request moves

  // writeBudget: the most sectors the probe itself may write; the restore is not held to it.
  ProbeIo(core::Context& ctx, std::uint64_t writeBudget);

  std::uint8_t* Data();  // the transfer buffer, kChunkSectors x 512 bytes
  bool Read(std::int64_t sector, std::int32_t count);
  bool Write(std::int64_t sector, std::int32_t count);

  // Cancel seen or drive lost: the probe writes nothing more (the restore still may after a
  // Cancel, never after a lost drive).
  bool Stopped() const { return cancelled_ || lost_ || overBudget_ || unjournaled_; }
  bool Cancelled() const { return cancelled_; }
  bool Lost() const { return lost_; }
  bool OverBudget() const { return overBudget_; }
  // The journal could not be put on the computer's disk before a write: nothing more is written.
  bool Unjournaled() const { return unjournaled_; }
  // Called before every write of the probe (not of the restore); a false answer stops it.
  void BeforeWrite(std::function<bool()> hook) { beforeWrite_ = std::move(hook); }
  void BeginRestore() { restoring_ = true; }
  // Sectors kept back from the budget for the restore of what was saved.
  void Reserve(std::uint64_t sectors) { reserved_ += sectors; }

  // The live progress line: `done` of `total` steps of the named phase.
  void Progress(const std::string& phase, std::uint64_t done, std::uint64_t total);

  std::uint64_t sectorsWritten = 0;
  // Write requests the drive failed even when tried again (not those the bound or a stop kept
  // back): a phase that writes many at once (a flood) tells from it whether all went in.
  std::uint64_t failedWrites = 0;
  std::uint64_t sectorsRead = 0;
  std::uint64_t writeRequests = 0;
  std::uint64_t readRequests = 0;
  std::uint64_t writeMs = 0;
  std::uint64_t readMs = 0;

 private:
  void Poll();
  void CheckDrive();

  core::Context& ctx_;
  std::uint64_t writeBudget_;
  std::uint32_t lastPoll_;
  std::uint32_t requestsSincePoll_ = 0;
  std::uint64_t failedReads_ = 0;
  bool cancelled_ = false;
  bool lost_ = false;
  bool overBudget_ = false;
  bool restoring_ = false;
  bool unjournaled_ = false;
  std::function<bool()> beforeWrite_;
  std::uint64_t reserved_ = 0;
  std::string phase_;
  std::uint64_t phaseBytes_ = 0;
  std::uint64_t phaseDone_ = 0;
  std::uint64_t phaseTotal_ = 0;
};

}  // namespace sw::probe::detail
