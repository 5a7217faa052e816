// SCSI pass-through block decoding and the SG_IO transport.
#include "platform/linux/ScsiPassThrough.h"

#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"
#include "platform/linux/ErrnoMap.h"

namespace sw::platform::linuxos {

namespace {

constexpr std::size_t kScsiStatusOffset = win::spt::ScsiStatus;
constexpr std::size_t kCdbLengthOffset = win::spt::CdbLength;
constexpr std::size_t kSenseLengthOffset = win::spt::SenseInfoLength;
constexpr std::size_t kDataInOffset = win::spt::DataIn;
constexpr std::size_t kTransferLengthOffset = win::spt::DataTransferLength;
constexpr std::size_t kTimeoutOffset = win::spt::TimeOutValue;
constexpr std::size_t kDataOffsetOffset = win::spt::DataBufferOffset;
constexpr std::size_t kSenseOffsetOffset = win::spt::SenseInfoOffset;
constexpr std::uint8_t kMaxCdb = 16;
constexpr std::uint8_t kDataOut = 0;
// The sense buffer size SG_IO accepts in one byte; Windows callers offer 18 to 32.
constexpr std::uint8_t kMaxSense = 255;
// SG_IO takes milliseconds; TimeOutValue 0 would mean the driver's default, and an hour is
// more than any INQUIRY needs.
constexpr std::uint32_t kMinTimeoutSeconds = 1;
constexpr std::uint32_t kMaxTimeoutSeconds = 3600;
// driver_status DRIVER_SENSE only says that sense bytes came back; any other driver or host
// status means the command never completed on the device.
constexpr unsigned kDriverSense = 0x08;

bool Fits(std::uint64_t offset, std::uint64_t length, std::size_t size) {
  return offset + length <= size;
}

}  // namespace

bool ScsiPassThrough(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                     std::uint32_t& bytesReturned, std::uint32_t& win32Error,
                     const ScsiTransport& transport) {
  bytesReturned = 0;
  if (in.size() < win::kSptHeaderSize || out.size() < win::kSptHeaderSize) {
    win32Error = win::ERROR_INVALID_PARAMETER;
    return false;
  }
  // in and out are usually the same block: take a copy before anything is written.
  std::vector<std::uint8_t> block(in.begin(), in.end());
  std::span<const std::uint8_t> b(block);
  SptRequest req;
  req.cdbLength = b[kCdbLengthOffset];
  req.senseLength = b[kSenseLengthOffset];
  req.dataIn = b[kDataInOffset];
  req.transferLength = le32(b, kTransferLengthOffset);
  req.timeoutSeconds = le32(b, kTimeoutOffset);
  req.dataOffset = le32(b, kDataOffsetOffset);
  req.senseOffset = le32(b, kSenseOffsetOffset);
  std::copy_n(b.begin() + win::kSptCdbOffset, kMaxCdb, req.cdb.begin());

  bool dataFits = req.transferLength == 0 ||
                  (Fits(req.dataOffset, req.transferLength, out.size()) &&
                   (req.dataIn != kDataOut || Fits(req.dataOffset, req.transferLength, in.size())));
  bool senseFits = req.senseLength == 0 || Fits(req.senseOffset, req.senseLength, out.size());
  if (req.cdbLength == 0 || req.cdbLength > kMaxCdb || req.dataIn > 2 || !dataFits || !senseFits ||
      (req.transferLength > 0 && req.dataOffset < win::kSptHeaderSize)) {
    win32Error = win::ERROR_INVALID_PARAMETER;
    return false;
  }

  std::vector<std::uint8_t> data(req.transferLength, 0);
  if (req.dataIn == kDataOut && req.transferLength > 0) {
    std::copy_n(b.begin() + req.dataOffset, req.transferLength, data.begin());
  }
  std::vector<std::uint8_t> sense(std::min(req.senseLength, kMaxSense), 0);
  SptOutcome result = transport(req, data, sense);
  if (result.error != 0 || result.transportFault) {
    win32Error = result.error != 0 ? Win32FromErrno(result.error) : win::ERROR_IO_DEVICE;
    return false;
  }

  // The answer goes into the caller's block: the header as sent, then what the device said.
  std::copy(block.begin(), block.begin() + std::min(block.size(), out.size()), out.begin());
  std::uint32_t transferred = std::min(result.transferred, req.transferLength);
  out[kScsiStatusOffset] = result.scsiStatus;
  out[kSenseLengthOffset] = std::min<std::uint8_t>(result.senseWritten, req.senseLength);
  PutLe32(out, kTransferLengthOffset, transferred);
  if (req.senseLength > 0) std::copy(sense.begin(), sense.end(), out.begin() + req.senseOffset);
  if (req.dataIn != kDataOut && transferred > 0) {
    std::copy_n(data.begin(), transferred, out.begin() + req.dataOffset);
  }
  bytesReturned = req.dataIn != kDataOut && transferred > 0 ? req.dataOffset + transferred
                                                            : win::kSptHeaderSize;
  return true;
}

ScsiTransport SgIoTransport(int fd) {
  return [fd](const SptRequest& req, std::span<std::uint8_t> data, std::span<std::uint8_t> sense) {
    SptOutcome outcome;
    sg_io_hdr_t hdr{};
    hdr.interface_id = 'S';
    hdr.cmd_len = req.cdbLength;
    hdr.cmdp = const_cast<unsigned char*>(req.cdb.data());
    hdr.mx_sb_len = static_cast<unsigned char>(sense.size());
    hdr.sbp = sense.data();
    hdr.dxfer_len = static_cast<unsigned int>(data.size());
    hdr.dxferp = data.empty() ? nullptr : data.data();
    hdr.dxfer_direction = data.empty() ? SG_DXFER_NONE
                          : req.dataIn == kDataOut ? SG_DXFER_TO_DEV
                                                   : SG_DXFER_FROM_DEV;
    hdr.timeout = std::clamp(req.timeoutSeconds, kMinTimeoutSeconds, kMaxTimeoutSeconds) * 1000u;
    int rc;
    do {
      rc = ::ioctl(fd, SG_IO, &hdr);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
      outcome.error = errno;
      return outcome;
    }
    outcome.transportFault = hdr.host_status != 0 || (hdr.driver_status & ~kDriverSense) != 0;
    outcome.scsiStatus = hdr.status;
    outcome.senseWritten = hdr.sb_len_wr;
    int resid = std::clamp(hdr.resid, 0, static_cast<int>(data.size()));
    outcome.transferred = static_cast<std::uint32_t>(data.size()) - static_cast<std::uint32_t>(resid);
    return outcome;
  };
}

}  // namespace sw::platform::linuxos
