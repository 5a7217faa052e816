// The SVG map: one cell per checked location in its state, the real end and the recommended
// partition where the test found them.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "CliRun.h"
#include "report/DriveMap.h"

namespace sw::report::testing {
namespace {

struct Cell {
  std::string state;
  std::uint64_t first = 0;
};

std::vector<Cell> CellsOf(const std::string& svg) {
  std::vector<Cell> cells;
  const std::regex cell(R"re(<rect class="cell ([a-z-]+)" data-first="(\d+)")re");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), cell); it != std::sregex_iterator(); ++it) {
    cells.push_back({(*it)[1], std::stoull((*it)[2])});
  }
  return cells;
}

std::uint64_t MarkAt(const std::string& svg, const std::string& cls) {
  std::smatch m;
  if (!std::regex_search(svg, m, std::regex("<line class=\"" + cls + "\" data-sector=\"(\\d+)\""))) return 0;
  return std::stoull(m[1]);
}

TEST(DriveMap, TheSimulatedFakeShowsGoodCellsUpToItsRealEndAndLostOnesAfter) {
  TempFolder folder;
  frontends::cli::ConsoleScript script;
  const std::string path = folder / "fake.svg";
  // 4 GB announced, 1 GiB real, writes past it vanish.
  const CliResult r = RunSizewarden({"--simulate", "E:usb:4G:real=1Gi:limbo", "quick", "E:", "--yes",
                                     "--map", path},
                                    script);
  ASSERT_EQ(r.status, 1) << r.err;
  const std::string svg = ReadWhole(path);
  const std::vector<Cell> cells = CellsOf(svg);
  // Markers every 25 MiB over 4 GB, and sector 0 and the last sector.
  ASSERT_GT(cells.size(), 140u);
  // The mark stands at the last marker read back good: real memory, within one interval of
  // its end.
  const std::uint64_t lastGood = MarkAt(svg, "real-end");
  const std::uint64_t realSectors = (1ULL << 30) / 512;
  EXPECT_GT(lastGood + 51200, realSectors) << "within one interval of the real memory";
  EXPECT_LT(lastGood, realSectors) << "only memory that is there";
  std::map<std::string, int> states;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    ++states[cells[i].state];
    if (i > 0) {
      EXPECT_LT(cells[i - 1].first, cells[i].first) << "address order, each once";
    }
    EXPECT_EQ(cells[i].state, cells[i].first <= lastGood ? "good" : "lost") << cells[i].first;
  }
  EXPECT_GT(states["good"], 0);
  EXPECT_GT(states["lost"], 0);
  const std::uint64_t recommendedEnd = MarkAt(svg, "recommended-end");
  EXPECT_GT(recommendedEnd, 0u);
  EXPECT_LE(recommendedEnd, lastGood);
  EXPECT_NE(svg.find("SIMTEK"), std::string::npos) << "the drive line";
  EXPECT_NE(svg.find("lost (no marker): " + std::to_string(states["lost"])), std::string::npos)
      << "the legend counts the cells";
}

TEST(DriveMap, AGenuineDriveHasNoRealEndAndAHugeOneMergesItsCellsKeepingTheWorst) {
  core::RunRecord run;
  run.command = "quick";
  run.totalSectors = 10'000'000;
  for (std::uint64_t s = 0; s < 10'000; ++s) run.cells.push_back({s * 1000, core::CellState::Good});
  std::string svg = DriveMapSvg(run, "");
  EXPECT_EQ(MarkAt(svg, "real-end"), 0u);
  EXPECT_LE(CellsOf(svg).size(), kMaxMapCells);

  run.cells[7777].state = core::CellState::ReadError;
  svg = DriveMapSvg(run, "");
  int readErrors = 0;
  for (const Cell& c : CellsOf(svg)) readErrors += c.state == "read-error";
  EXPECT_EQ(readErrors, 1) << "a bad location is never merged away";
  EXPECT_NE(svg.find("read error: 1"), std::string::npos);
}

// The probe checks no fixed locations: its map draws no cells it did not check, only its exact
// finding on the address space, named as measured, or as a wrap where the addresses wrap.
TEST(DriveMap, TheProbesMapShowsItsExactRealEndAndNoInventedCells) {
  const struct {
    const char* drive;
    const char* words;
  } rows[] = {{"E:usb:4G:real=1Gi:limbo", "real end (measured): last good sector "},
              {"E:usb:4G:real=1Gi:wrap", "addresses wrap after sector "}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.drive);
    TempFolder folder;
    frontends::cli::ConsoleScript script;
    const std::string path = folder / "probe.svg";
    const CliResult r = RunSizewarden({"--simulate", row.drive, "probe", "E:", "--yes", "--map", path}, script);
    ASSERT_EQ(r.status, 1) << r.err;
    const std::string svg = ReadWhole(path);
    const std::uint64_t lastGood = (1ULL << 30) / 512 - 1;
    EXPECT_EQ(MarkAt(svg, "real-end-bar"), lastGood);
    EXPECT_TRUE(CellsOf(svg).empty()) << "no cell the probe did not check";
    EXPECT_EQ(svg.find("marker"), std::string::npos) << "the probe writes no markers";
    EXPECT_NE(svg.find(row.words + std::to_string(lastGood)), std::string::npos) << svg;
    EXPECT_NE(svg.find("SizeWarden drive map: probe, FAILED, "), std::string::npos) << "command, verdict, date";
  }
}

// The Quick Size Test's figures are what it checked: the last marker read back good and the
// first one lost, not a real end it never measured.
TEST(DriveMap, TheQuickTestsMarkNamesItsMarkers) {
  core::RunRecord run;
  run.command = "quick";
  run.verdict = core::Verdict::Failed;
  run.totalSectors = 1000;
  for (std::uint64_t s = 0; s < 1000; s += 100) {
    run.cells.push_back({s, s < 500 ? core::CellState::Good : core::CellState::Lost});
  }
  run.lastGoodSector = 400;
  run.badRanges.push_back({500, 999});
  const std::string svg = DriveMapSvg(run, "09.12.2026 10:44:00");
  EXPECT_NE(svg.find("last marker read back good: sector 400"), std::string::npos) << svg;
  EXPECT_NE(svg.find("first lost: 500"), std::string::npos);
  EXPECT_NE(svg.find("SizeWarden drive map: quick, FAILED, 09.12.2026 10:44:00</text>"), std::string::npos);
  EXPECT_EQ(svg.find("real end"), std::string::npos);
}

TEST(DriveMap, TextFromTheDriveIsEscaped) {
  core::RunRecord run;
  run.drive.line = "[DRIVE 1] A<B & \"C\"";
  const std::string svg = DriveMapSvg(run, "");
  EXPECT_NE(svg.find("A&lt;B &amp; &quot;C&quot;"), std::string::npos);
  EXPECT_EQ(svg.find("A<B"), std::string::npos);
}

}  // namespace
}  // namespace sw::report::testing
