// After a FAILED the terminal gives the exact commands that make the recommended partition.
#include <gtest/gtest.h>

#include "frontends/cli/NextStep.h"
#include "report/CliRun.h"

namespace sw::frontends::cli {
namespace {

core::RunRecord Failed(const std::string& device, std::optional<std::uint64_t> recommended) {
  core::RunRecord run;
  run.verdict = core::Verdict::Failed;
  run.drive.device = device;
  run.recommendedBytes = recommended;
  return run;
}

TEST(NextStep, NamesTheCommandsForTheRecommendedSize) {
  const struct {
    core::RunRecord run;
    std::vector<std::string> lines;  // each must be there; none: no next step
  } rows[] = {
      // Sectors 2048 to 15624191 of 512 bytes: parted counts them in the drive's own sectors, so
      // the size goes in MiB, right on a 4096-byte stick as well.
      {Failed("/dev/sdb", 7'998'537'728),
       {"  sudo sizewarden fix /dev/sdb --size 7628MiB\n",
        "  sudo parted --script /dev/sdb mklabel msdos mkpart primary fat32 1MiB 7629MiB\n",
        "  sudo mkfs.vfat /dev/sdb1"}},
      // Less than a whole MiB more is left out, never rounded up past the real memory.
      {Failed("/dev/mmcblk0", (1ull << 30) + 1048575),
       {"fix /dev/mmcblk0 --size 1024MiB\n", " 1MiB 1025MiB\n", "mkfs.vfat /dev/mmcblk0p1"}},
      {Failed("\\\\.\\PhysicalDrive2", 7'983'948'288),
       {"\n  sizewarden fix \\\\.\\PhysicalDrive2 --size 7614MiB\n",
        "    select disk 2\n    clean\n    create partition primary size=7614\n", "    assign"}},
      {Failed("/dev/sdb", 1048575), {}},
      {Failed("/dev/sdb", std::nullopt), {}},
      {Failed("", 7'998'537'728), {}},
      {[] {
         core::RunRecord passed = Failed("/dev/sdb", 7'998'537'728);
         passed.verdict = core::Verdict::Passed;
         return passed;
       }(),
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.run.drive.device);
    const std::string step = NextStepText(row.run);
    if (row.lines.empty()) {
      EXPECT_EQ(step, "");
      continue;
    }
    EXPECT_EQ(step.rfind("Next step: ", 0), 0u) << step;
    for (const std::string& line : row.lines) EXPECT_NE(step.find(line), std::string::npos) << step;
    EXPECT_EQ(step.find(" \n"), std::string::npos) << "no blank at a line's end";
  }
}

TEST(NextStep, FollowsAFailedTestOnTheTerminalWithTheReportsOwnSize) {
  ConsoleScript script;
  const report::testing::CliResult r = report::testing::RunSizewarden({"--simulate", "demo", "quick", "E:", "--yes"}, script);
  ASSERT_EQ(r.status, 1);
  const auto at = r.out.find("Next step: ");
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("select disk 1\n", at), std::string::npos);
  ConsoleScript passed;
  EXPECT_EQ(report::testing::RunSizewarden({"--simulate", "demo", "quick", "F:", "--yes"}, passed).out.find("Next step"),
            std::string::npos);
}

}  // namespace
}  // namespace sw::frontends::cli
