// The SVG drive map, written element by element.
#include "report/DriveMap.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <vector>

#include "report/RunFigures.h"

namespace sw::report {

namespace {

constexpr int kColumns = 40;
constexpr int kPitch = 20;  // cell size plus gap, in pixels
constexpr int kCell = 18;
constexpr int kMargin = 20;
constexpr int kGridTop = 90;
constexpr int kBarHeight = 16;
constexpr int kWidth = 2 * kMargin + kColumns * kPitch;
constexpr std::uint64_t kSectorBytes = 512;

struct StateStyle {
  const char* cls;
  const char* colour;
  const char* words;
};
// In the order of CellState.
constexpr StateStyle kStyles[] = {
    {"good", "#3cb44b", "good"},
    {"lost", "#e6194b", "lost (no marker)"},
    {"wrong-number", "#f58231", "wrong number (addresses wrap)"},
    {"read-error", "#911eb4", "read error"},
    {"write-error", "#202020", "write error"},
};
constexpr const char* kRealEndColour = "#d00000";
constexpr const char* kRecommendedColour = "#1f5fbf";

const StateStyle& StyleOf(core::CellState s) { return kStyles[static_cast<int>(s)]; }

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A cell covers the locations first..last (the same one unless the map merged neighbours).
struct MapCell {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  core::CellState state = core::CellState::Good;
};

std::vector<MapCell> MergeCells(const std::vector<core::CheckedCell>& unique) {
  const std::size_t per = (unique.size() + kMaxMapCells - 1) / kMaxMapCells;
  std::vector<MapCell> cells;
  for (std::size_t i = 0; i < unique.size(); i += std::max<std::size_t>(per, 1)) {
    MapCell m{unique[i].sector, unique[i].sector, unique[i].state};
    for (std::size_t k = i; k < std::min(unique.size(), i + per); ++k) {
      m.last = unique[k].sector;
      m.state = std::max(m.state, unique[k].state);
    }
    cells.push_back(m);
  }
  return cells;
}

int CellX(std::size_t index) { return kMargin + static_cast<int>(index % kColumns) * kPitch; }
int CellY(std::size_t index) { return kGridTop + static_cast<int>(index / kColumns) * kPitch; }

std::string SizeWords(std::uint64_t sector) {
  std::ostringstream s;
  s.setf(std::ios::fixed);
  s.precision(1);
  s << "sector " << sector << " (" << static_cast<double>(sector * kSectorBytes) / 1e9 << " GB)";
  return s.str();
}

// A mark at the left edge of the first cell at or past the sector, in the grid and on the bar.
void Boundary(std::ostringstream& svg, const std::vector<MapCell>& cells, std::uint64_t sector,
              std::uint64_t totalSectors, int barTop, const char* cls, const char* colour,
              const char* dash) {
  const auto at = std::find_if(cells.begin(), cells.end(),
                               [sector](const MapCell& c) { return c.first >= sector; });
  const auto index = static_cast<std::size_t>(at - cells.begin());
  const int x = at == cells.end() && !cells.empty() ? CellX(index - 1) + kPitch - 1 : CellX(index) - 1;
  const int y = at == cells.end() && !cells.empty() ? CellY(index - 1) : CellY(index);
  if (!cells.empty()) {
    svg << "<line class=\"" << cls << "\" data-sector=\"" << sector << "\" x1=\"" << x << "\" y1=\""
        << y - 3 << "\" x2=\"" << x << "\" y2=\"" << y + kPitch + 1 << "\" stroke=\"" << colour
        << "\" stroke-width=\"3\"" << dash << "/>\n";
  }
  if (totalSectors == 0) return;
  const double share = std::min(1.0, static_cast<double>(sector) / static_cast<double>(totalSectors));
  const int bx = kMargin + static_cast<int>(share * kColumns * kPitch);
  svg << "<line class=\"" << cls << "-bar\" data-sector=\"" << sector << "\" x1=\"" << bx << "\" y1=\"" << barTop - 4 << "\" x2=\""
      << bx << "\" y2=\"" << barTop + kBarHeight + 4 << "\" stroke=\"" << colour
      << "\" stroke-width=\"3\"" << dash << "/>\n";
}

void LegendEntry(std::ostringstream& svg, int x, int y, const char* colour, const std::string& words,
                 bool line) {
  if (line) {
    svg << "<line x1=\"" << x + 9 << "\" y1=\"" << y - 2 << "\" x2=\"" << x + 9 << "\" y2=\""
        << y + 16 << "\" stroke=\"" << colour << "\" stroke-width=\"3\"/>\n";
  } else {
    svg << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"14\" height=\"14\" fill=\"" << colour
        << "\"/>\n";
  }
  svg << "<text x=\"" << x + 20 << "\" y=\"" << y + 12 << "\">" << Escaped(words) << "</text>\n";
}

// The probe finds the real end to the sector instead of checking locations: its map has no
// cells, only its finding marked on the address space.
bool MeasuredTheEnd(const core::RunRecord& run) { return run.cells.empty() && run.lastGoodSector; }

bool Wraps(const core::RunRecord& run) {
  return run.fakeKind == core::FakeKind::Wraparound || run.fakeKind == core::FakeKind::Chain;
}

const char* VerdictWords(core::Verdict v) {
  switch (v) {
    case core::Verdict::Passed:
      return "PASSED";
    case core::Verdict::Failed:
      return "FAILED";
    case core::Verdict::Cancelled:
      return "cancelled";
    case core::Verdict::Aborted:
      return "aborted";
    case core::Verdict::Refused:
    case core::Verdict::None:
      break;
  }
  return "not run";
}

// What the mark at the last good sector stands for: a marker of the Quick Size Test, the
// probe's exact finding, or where a wrapping fake's addresses start over.
std::string EndWords(const core::RunRecord& run) {
  if (!run.lastGoodSector) return "real end: not found";
  if (Wraps(run)) return "addresses wrap after " + SizeWords(*run.lastGoodSector);
  if (MeasuredTheEnd(run)) return "real end (measured): last good " + SizeWords(*run.lastGoodSector);
  std::string words = "last marker read back good: " + SizeWords(*run.lastGoodSector);
  if (!run.badRanges.empty()) words += "; first lost: " + std::to_string(run.badRanges.front().first);
  return words;
}

}  // namespace

std::string DriveMapSvg(const core::RunRecord& run, const std::string& date) {
  const std::vector<core::CheckedCell>& drawn = run.cells;
  const std::vector<MapCell> cells = MergeCells(UniqueCells(drawn));
  const CellCounts counts = CountCells(drawn);
  const int rows = static_cast<int>((cells.size() + kColumns - 1) / kColumns);
  const int barTop = kGridTop + std::max(rows, 1) * kPitch + 30;
  const int legendTop = barTop + kBarHeight + 40;
  const int height = legendTop + 4 * 22 + kMargin;

  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << height
      << "\" viewBox=\"0 0 " << kWidth << " " << height
      << "\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"13\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
      << "<text class=\"title\" x=\"" << kMargin << "\" y=\"28\" font-size=\"17\" font-weight=\"bold\">"
      << "SizeWarden drive map: " << Escaped(run.command) << ", " << VerdictWords(run.verdict)
      << (date.empty() ? "" : ", ") << Escaped(date) << "</text>\n"
      << "<text class=\"drive-line\" x=\"" << kMargin << "\" y=\"50\" xml:space=\"preserve\">"
      << Escaped(run.drive.line) << "</text>\n"
      << "<text class=\"caption\" x=\"" << kMargin << "\" y=\"70\">" << counts.locations
      << (MeasuredTheEnd(run) ? " locations: the probe measures the real end to the sector and checks "
                                "no fixed locations; "
                              : " locations checked in address order, left to right, top to bottom; ")
      << run.totalSectors << " sectors announced</text>\n";

  for (std::size_t i = 0; i < cells.size(); ++i) {
    const MapCell& c = cells[i];
    const StateStyle& st = StyleOf(c.state);
    svg << "<rect class=\"cell " << st.cls << "\" data-first=\"" << c.first << "\" data-last=\""
        << c.last << "\" x=\"" << CellX(i) << "\" y=\"" << CellY(i) << "\" width=\"" << kCell
        << "\" height=\"" << kCell << "\" fill=\"" << st.colour << "\"><title>sector " << c.first;
    if (c.last != c.first) svg << " to " << c.last;
    svg << ": " << st.words << "</title></rect>\n";
  }

  // The address space to scale, with the same marks.
  svg << "<rect class=\"address-space\" x=\"" << kMargin << "\" y=\"" << barTop << "\" width=\""
      << kColumns * kPitch << "\" height=\"" << kBarHeight << "\" fill=\"#dddddd\"/>\n";
  if (run.recommendedBytes && run.totalSectors > 0) {
    const double share = std::min(1.0, static_cast<double>(*run.recommendedBytes / kSectorBytes) /
                                           static_cast<double>(run.totalSectors));
    svg << "<rect class=\"recommended-partition\" x=\"" << kMargin << "\" y=\"" << barTop
        << "\" width=\"" << static_cast<int>(share * kColumns * kPitch) << "\" height=\""
        << kBarHeight << "\" fill=\"" << kRecommendedColour << "\" fill-opacity=\"0.35\"/>\n";
  }
  svg << "<text x=\"" << kMargin << "\" y=\"" << barTop - 8 << "\">address space to scale: 0 to "
      << SizeWords(run.totalSectors) << "</text>\n";
  if (run.lastGoodSector) {
    Boundary(svg, cells, *run.lastGoodSector, run.totalSectors, barTop, "real-end", kRealEndColour, "");
  }
  if (run.recommendedBytes) {
    Boundary(svg, cells, *run.recommendedBytes / kSectorBytes, run.totalSectors, barTop,
             "recommended-end", kRecommendedColour, " stroke-dasharray=\"4 2\"");
  }

  const std::uint64_t perState[] = {counts.good, counts.lost, counts.wrongNumber, counts.readError,
                                    counts.writeError};
  for (int i = 0; i < 5 && !cells.empty(); ++i) {
    LegendEntry(svg, kMargin + (i % 3) * 260, legendTop + (i / 3) * 22, kStyles[i].colour,
                std::string(kStyles[i].words) + ": " + std::to_string(perState[i]), false);
  }
  const int marks = legendTop + 2 * 22;
  LegendEntry(svg, kMargin, marks, kRealEndColour, EndWords(run), true);
  LegendEntry(svg, kMargin + 390, marks, kRecommendedColour,
              run.recommendedBytes ? "recommended partition: " + SizeWords(*run.recommendedBytes / kSectorBytes)
                                   : "recommended partition: the whole drive",
              true);
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace sw::report
