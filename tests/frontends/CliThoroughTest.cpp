// The thorough file test from the command line on simulated fakes, and the recipe that lets the
// simulator hold gigabytes of .h2w data without storing it.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "filetest/H2wFormat.h"
#include "frontends/FakeConsole.h"
#include "frontends/cli/Cli.h"
#include "frontends/H2wBlockRecipe.h"

namespace sw::frontends::cli {
namespace {

constexpr std::uint64_t kMiB = 1ull << 20;

struct Outcome {
  int status;
  std::string out;
};

Outcome RunCliWith(std::vector<std::string> args) {
  args.insert(args.begin(), "sizewarden");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  ConsoleScript script;
  std::ostringstream out, err;
  const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err,
                            [&script](bool) { return std::make_unique<FakeConsole>(script); });
  return {status, out.str()};
}

bool Has(const Outcome& r, const std::string& line) {
  return r.out.find("\n" + line + "\n") != std::string::npos;
}

TEST(H2wBlockRecipe, KnowsItsOwnBlocksAndNothingElse) {
  const H2wBlockRecipe recipe;
  std::array<std::uint8_t, platform::sim::kRecipeBlockBytes> block;
  for (const std::uint64_t key : {0ull, 16'384ull, 5ull << 30}) {
    recipe.Make(key, block.data());
    EXPECT_EQ(recipe.Recognize(block.data()), key) << key;
  }
  struct Damage {
    const char* what;
    std::size_t at;
  };
  for (const Damage& d : {Damage{"offset word", 0}, Damage{"second word", 8},
                          Damage{"a later sector", 9000}, Damage{"the last byte", 16'383}}) {
    recipe.Make(1ull << 30, block.data());
    block[d.at] ^= 0x10;
    EXPECT_FALSE(recipe.Recognize(block.data()).has_value()) << d.what;
  }
  // Valid sectors that do not start a block of the stream (a file placed at an odd offset)
  // are left to the byte store.
  filetest::h2w::FillSectors(block, 512);
  EXPECT_FALSE(recipe.Recognize(block.data()).has_value());
}

TEST(CliThorough, FakeStickIsCaughtWhileFillingAndClassified) {
  // 4 GB announced, 95% of that offered, 905 MiB (95% of 1 GB in whole MiB) really kept.
  const Outcome r = RunCliWith({"--simulate", "E:usb:4G:real=1G", "files", "E:", "--thorough", "--yes"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(Has(r, "Thorough test: 4 .h2w files, 3623MB, every byte written and checked"));
  // The drive drops what lies past its memory and keeps what it kept: the filling goes on to the
  // end of the free space, so the good space is the real memory however the files lie.
  EXPECT_TRUE(Has(r, "Good: 905MB (1853440 sectors)")) << r.out;
  EXPECT_TRUE(Has(r, "Corrupted: 2718MB (5566464 sectors)"));
  EXPECT_EQ(r.out.find("Not written (the test stopped early)"), std::string::npos);
  EXPECT_NE(r.out.find("THIS DRIVE IS PROBABLY FAKE (COUNTERFEIT) OR FAULTY"), std::string::npos);
}

TEST(CliThorough, WrappingStickNamesTheSourceOfTheOverwrittenData) {
  // 1.9 GB offered, 463 MiB kept: the stream wraps three times, so offset 0 last got the data of
  // offset 3 * 463 MiB.
  const Outcome r =
      RunCliWith({"--simulate", "E:usb:2G:real=512M:wrap", "files", "E:", "--thorough", "--full", "--yes"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(Has(r, "Good: 463MB (948224 sectors)")) << r.out;
  EXPECT_TRUE(Has(r, "First overwritten sector at offset 0 holds the data written for offset " +
                         std::to_string(3 * 463 * kMiB)));
}

TEST(CliThorough, DefaultFileTestShowsTheSameFakeItsOwnWay) {
  const Outcome r = RunCliWith({"--simulate", "E:usb:4G:real=1G", "files", "E:", "--yes"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r, "TEST FAILED: Only 800MB out of the 3000MB tested were good.")) << r.out;
}

}  // namespace
}  // namespace sw::frontends::cli
