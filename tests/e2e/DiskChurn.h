// Disks coming and going beside the stick under test, as on a machine where a card reader, a
// phone or snap's loop devices come and go: a thread that every 50-200 ms attaches or detaches
// a small sparse-file loop device (some with a partition table, so partition nodes come and go),
// gives a low number back and takes it again, and mounts or unmounts a file system of its own.
// Everything it made lives in one temporary folder and is undone by the destructor.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace sw::e2e {

class DiskChurn {
 public:
  // Attaches the low-numbered reserve device at once (so that a stick made next gets a higher
  // number than it) and starts the thread. Null with the reason when this machine cannot.
  static std::unique_ptr<DiskChurn> Start(std::string& whyNot);
  ~DiskChurn();  // stops the thread, unmounts, detaches and deletes all it made
  DiskChurn(const DiskChurn&) = delete;
  DiskChurn& operator=(const DiskChurn&) = delete;

  // Changes made so far (an attach, a detach, a mount or an unmount each count once).
  std::uint64_t Events() const { return events_.load(); }
  // Waits until the churn has made a change, at most `limit`; true once it has.
  bool WaitForEvent(std::chrono::milliseconds limit) const;
  // Stops the thread and undoes everything (the destructor does it too); idempotent.
  void Stop();
  // Every loop device the churn makes is backed by a file in here.
  const std::filesystem::path& Folder() const { return dir_; }
  // The seed and the latest events, for a failure message. SW_E2E_CHURN_SEED=N replays the
  // choices of seed N (the timing of the program under test still varies).
  std::string Describe() const;
  // The loop numbers its disks have had so far (3 for /dev/loop3), each once, in no order.
  std::vector<int> NumbersUsed() const;

 private:
  struct Image {
    std::filesystem::path file;
    bool partitioned = false;
    std::string device;  // "/dev/loop9" while attached
  };
  DiskChurn() = default;
  bool Prepare(std::string& whyNot);
  void Loop();
  void Step();
  bool Attach(Image& image);
  bool Detach(Image& image);
  bool ToggleMount();
  bool Mounted() const;
  void Note(const std::string& event);
  void Undo();

  std::filesystem::path dir_, mountDir_;
  std::vector<Image> pool_;  // [0] the reserve, [1] the disk of the mount, then the rest
  std::mt19937 random_;
  unsigned seed_ = 0;
  std::atomic<std::uint64_t> events_{0};
  mutable std::mutex mutex_;  // guards log_, numbers_ and stop_
  std::condition_variable wake_;
  bool stop_ = false;
  std::deque<std::string> log_;
  std::vector<int> numbers_;
  std::thread thread_;
  bool undone_ = false;
};

}  // namespace sw::e2e
