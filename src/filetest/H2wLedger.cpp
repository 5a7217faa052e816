// The volume's list of this program's .h2w files: one name per line, CRLF, at most a few KB.
#include "filetest/H2wLedger.h"

#include <algorithm>
#include <array>

#include "filetest/TestFileHandle.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

constexpr std::size_t kMostBytes = 64 * 1024;

std::string LedgerPath(const std::string& volume) { return volume + "\\" + kH2wLedgerName; }

}  // namespace

std::vector<std::string> RecordedH2wFiles(core::Context& ctx, const std::string& volume) {
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(LedgerPath(volume), win::GENERIC_READ, win::FILE_SHARE_READ,
                                                 win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL));
  if (!file.opened()) return {};
  std::string text;
  std::array<std::uint8_t, 4096> buffer{};
  std::uint32_t got = 0;
  while (text.size() < kMostBytes && ctx.os.ReadFile(file.get(), buffer, got) && got > 0) {
    text.append(buffer.begin(), buffer.begin() + got);
  }
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && std::find(names.begin(), names.end(), line) == names.end()) names.push_back(line);
    start = end + 1;
  }
  return names;
}

bool RecordH2wFiles(core::Context& ctx, const std::string& volume, std::uint64_t count) {
  std::vector<std::string> names = RecordedH2wFiles(ctx, volume);
  for (std::uint64_t n = 1; n <= count; ++n) {
    const std::string name = std::to_string(n) + ".h2w";
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  std::string text;
  for (const std::string& name : names) text += name + "\r\n";
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(LedgerPath(volume), win::GENERIC_WRITE, 0,
                                                 win::CREATE_ALWAYS, win::FILE_ATTRIBUTE_NORMAL));
  if (!file.opened()) return false;
  std::uint32_t wrote = 0;
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  const bool ok = ctx.os.WriteFile(file.get(), bytes, wrote) && wrote == bytes.size() &&
                  ctx.os.FlushFileBuffers(file.get());
  file.Close();
  return ok;
}

void ForgetH2wFiles(core::Context& ctx, const std::string& volume) { ctx.os.DeleteFiles(LedgerPath(volume)); }

}  // namespace sw::filetest
