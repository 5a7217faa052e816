// Planning the thorough test's files.
#include "filetest/ThoroughPlan.h"

#include <algorithm>
#include <string>

#include "filetest/H2wFormat.h"
#include "filetest/TestFileHandle.h"
#include "platform/WinApi.h"

namespace sw::filetest::thorough {

namespace {

constexpr std::uint64_t kMiB = 1'048'576;

}  // namespace

std::uint64_t Plan::Total() const { return From(1); }

std::uint64_t Plan::From(std::uint64_t n) const {
  std::uint64_t t = 0;
  for (std::uint64_t i = n; i <= sizes.size(); ++i) t += sizes[i - 1];
  return t;
}

std::uint64_t FillableBytes(core::Context& ctx) {
  std::uint64_t caller = 0, total = 0, allFree = 0;
  if (!ctx.os.GetDiskFreeSpaceExA(ctx.state.SelectedVolume, caller, total, allFree)) return 0;
  return std::max(caller, allFree);
}

Plan PlanFiles(core::Context& ctx) {
  const core::State& s = ctx.state;
  std::uint64_t caller = 0, total = 0, allFree = 0;
  Plan plan;
  if (!ctx.os.GetDiskFreeSpaceExA(s.SelectedVolume, caller, total, allFree)) return plan;
  const double usable = static_cast<double>(std::max(caller, allFree)) - 1024;
  if (usable <= 0) return plan;
  plan.surelyWritable = caller > 1024 ? caller - 1024 : 0;
  const auto full = static_cast<std::uint64_t>(usable / static_cast<double>(s.ThoroughFileBytes));
  plan.sizes.assign(full, s.ThoroughFileBytes);
  const auto rest = static_cast<std::uint64_t>(usable - static_cast<double>(full * s.ThoroughFileBytes));
  if (rest >= kMiB) plan.sizes.push_back(rest / kMiB * kMiB);
  return plan;
}

Plan PlanExisting(core::Context& ctx, std::uint64_t& unopened) {
  Plan plan;
  unopened = 0;
  const std::vector<std::string> names = ctx.os.FindFiles(h2w::FilePattern(ctx.state.SelectedVolume));
  for (std::uint64_t n = 1;; ++n) {
    const std::string name = std::to_string(n) + ".h2w";
    if (std::find(names.begin(), names.end(), name) == names.end()) break;
    const TestFileHandle file(ctx.os, ctx.os.CreateFileA(h2w::FilePath(ctx.state.SelectedVolume, n),
                                                         win::GENERIC_READ, win::FILE_SHARE_READ,
                                                         win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL));
    std::int64_t size = 0;
    if (!file.opened() || !ctx.os.SetFilePointerEx(file.get(), 0, &size, win::FILE_END)) {
      unopened = n;
      break;
    }
    plan.sizes.push_back(static_cast<std::uint64_t>(size) / h2w::kSectorBytes * h2w::kSectorBytes);
  }
  return plan;
}

}  // namespace sw::filetest::thorough
