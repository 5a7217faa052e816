// IOCTL_SCSI_PASS_THROUGH carried over SG_IO: the 32-bit SCSI_PASS_THROUGH block the core builds
// is read, its CDB goes to the device, and the answer is written back where Windows puts it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace sw::platform::linuxos {

// Fields of the SCSI_PASS_THROUGH header (32-bit layout, 44 bytes) that the transport needs.
struct SptRequest {
  std::uint8_t cdbLength = 0;        // @6
  std::uint8_t senseLength = 0;      // @7
  std::uint8_t dataIn = 0;           // @8: 0 out, 1 in, 2 unspecified
  std::uint32_t transferLength = 0;  // @12
  std::uint32_t timeoutSeconds = 0;  // @16
  std::uint32_t dataOffset = 0;      // @20
  std::uint32_t senseOffset = 0;     // @24
  std::array<std::uint8_t, 16> cdb{};  // @28
};

// What the transport reports back.
struct SptOutcome {
  int error = 0;               // errno of the transport itself; 0 when the command was carried
  bool transportFault = false; // host or driver status says the command never completed
  std::uint8_t scsiStatus = 0;
  std::uint32_t transferred = 0;
  std::uint8_t senseWritten = 0;
};

// Runs one command: data is the transfer area (filled for data-in, sent for data-out), sense
// receives sense bytes.
using ScsiTransport = std::function<SptOutcome(const SptRequest& request, std::span<std::uint8_t> data,
                                               std::span<std::uint8_t> sense)>;

// Checks the block (sizes and offsets inside the buffers), runs the command, and writes
// ScsiStatus, SenseInfoLength, DataTransferLength, the sense and the data into out. Returns true
// with bytesReturned = DataBufferOffset + bytes transferred; false with bytesReturned 0 and
// win32Error set when the block is malformed or the device has no SCSI layer.
bool ScsiPassThrough(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                     std::uint32_t& bytesReturned, std::uint32_t& win32Error,
                     const ScsiTransport& transport);

// The SG_IO transport on an open block device.
ScsiTransport SgIoTransport(int fd);

}  // namespace sw::platform::linuxos
