// Small image files behind loop devices, for the disks a test makes around its stick.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sw::e2e {

// A sparse file of that size; with an msdos partition table and one partition when asked.
bool MakeImage(const std::filesystem::path& file, std::uint64_t bytes, bool partitioned);
// Attaches file to the first free loop device and, for a partitioned image, waits for its
// partition node ("/dev/loop5p1"). False when either fails; device is set once attached.
bool AttachImage(const std::filesystem::path& file, bool partitioned, std::string& device);
// The loop devices that serve file now ("/dev/loop3"), from `losetup -j`.
std::vector<std::string> DevicesServing(const std::filesystem::path& file);
// Detaches every loop device that serves file, and no other.
void DetachAll(const std::filesystem::path& file);
// Waits up to 2 s for a device node to appear.
bool WaitForNode(const std::string& node);
// Unmounts dir, retrying while it is busy and lazily at last; true when nothing is mounted there.
bool UnmountFolder(const std::filesystem::path& dir);
bool IsMountPoint(const std::filesystem::path& dir);

}  // namespace sw::e2e
