// What the report and the simulator cost as the work grows: the log's cost per line at two
// lengths, a 64 TiB Quick Size Test with and without its debug trace, and the time and peak
// memory of file tests on a 1 GB and a 1 TB simulated volume. Figures side by side in one run.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "filetest/TestFileFormat.h"
#include "log/ChildRun.h"
#include "log/LogCost.h"
#include "quicktest/SilentWindow.h"

namespace {

using sw::bench::ChildFigures;
using sw::bench::RunChild;

constexpr int kShortLog = 1'000;
constexpr int kLongLog = 100'000;
constexpr int kLinesTimed = 200'000;  // per figure, so the short log is timed as long
constexpr int kKeptHeap = 256 << 20;
constexpr double kDebugTarget = 3.0;
constexpr double kFileTestSecondsTarget = 30;
constexpr double kFileTestMiBTarget = 100;

struct TempFile {
  std::string path;
  TempFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/bench_log_XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) {
      ::close(fd);
      path = pattern;
    }
  }
  ~TempFile() {
    if (!path.empty()) ::unlink(path.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long CountLines(const std::string& text) {
  long n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

// What printing the lines costs by itself: one write per line, as the terminal flushes each.
double PrintSeconds(const std::string& text, const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
  if (fd < 0) return 0;
  const auto start = std::chrono::steady_clock::now();
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    end = end == std::string::npos ? text.size() : end + 1;
    if (::write(fd, text.data() + from, end - from) < 0) break;
    from = end;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ::close(fd);
  return seconds;
}

const char* Within(bool ok) { return ok ? "within target" : "ABOVE TARGET"; }

void LogCostTable(const char* memory) {
  std::printf("\nReport log: cost per appended trace line, log grown from empty; %s\n", memory);
  std::printf("  %-24s %14s %14s %8s\n", "", "1,000 lines", "100,000 lines", "ratio");
  const auto row = [](const char* name, double shortLog, double longLog) {
    std::printf("  %-24s %11.0f ns %11.0f ns %7.2fx\n", name, shortLog * 1e9, longLog * 1e9,
                longLog / shortLog);
  };
  const double shortText = sw::bench::StringSecondsPerLine(kShortLog, kLinesTimed);
  const double longText = sw::bench::StringSecondsPerLine(kLongLog, kLinesTimed);
  row("bare std::string", shortText, longText);
  const struct {
    const char* name;
    sw::bench::WindowFactory make;
  } windows[] = {
      {"terminal window (cli)", sw::bench::MakeTerminalWindow},
      {"silent window (engine)", [] { return std::make_shared<sw::bench::SilentWindow>(); }},
  };
  for (const auto& w : windows) {
    row(w.name, sw::bench::LogSecondsPerLine(w.make, kShortLog, kLinesTimed),
        sw::bench::LogSecondsPerLine(w.make, kLongLog, kLinesTimed));
  }
}

void LogCostFigures() {
  // With the allocator's defaults a text past its mmap threshold grows into fresh pages that the
  // kernel must fault in, a cost per byte that a short log never pays (on some virtual machines
  // about 20 us a page). Keeping freed memory in the heap shows what the log itself costs.
  LogCostTable("fresh memory (allocator defaults)");
  mallopt(M_MMAP_THRESHOLD, kKeptHeap);
  mallopt(M_TRIM_THRESHOLD, 4 * kKeptHeap);
  sw::bench::StringSecondsPerLine(2 * kLongLog, 2 * kLongLog);  // grows the heap once
  LogCostTable("memory kept by the allocator");
}

void DebugTraceFigures(const std::string& program) {
  std::printf("Quick Size Test of a simulated 64 TiB stick, report to a file\n");
  const std::vector<std::string> plainArgs = {"--simulate", "E:64Ti", "quick", "E:", "--yes"};
  std::vector<std::string> debugArgs = plainArgs;
  debugArgs.push_back("--debug");
  TempFile plainOut, debugOut, printOut;
  const ChildFigures plain = RunChild(program, plainArgs, plainOut.path);
  const ChildFigures debug = RunChild(program, debugArgs, debugOut.path);
  if (!plain.ran || !debug.ran) {
    std::printf("  could not run %s\n", program.c_str());
    return;
  }
  const std::string debugText = ReadAll(debugOut.path);
  const double print = PrintSeconds(debugText, printOut.path);
  std::printf("  without --debug  %7.2f s  %8ld lines  peak %6.1f MiB\n", plain.seconds,
              CountLines(ReadAll(plainOut.path)), plain.peakMiB);
  std::printf("  with --debug     %7.2f s  %8ld lines  peak %6.1f MiB\n", debug.seconds,
              CountLines(debugText), debug.peakMiB);
  std::printf("  printing those lines alone: %.2f s\n", print);
  const double ratio = (debug.seconds - print) / plain.seconds;
  std::printf("  debug / plain %.2fx; without the printing %.2fx (target at most %.0fx): %s\n",
              debug.seconds / plain.seconds, ratio, kDebugTarget, Within(ratio <= kDebugTarget));
}

void FileTestFigures(const std::string& program) {
  std::printf("\nTest Empty Space on a simulated volume (files E: --yes)\n");
  const double patternMiB = static_cast<double>(sw::filetest::kPatternSize) / (1 << 20);
  double smallPeak = 0;
  for (const char* size : {"1G", "1T"}) {
    TempFile out;
    const ChildFigures f =
        RunChild(program, {"--simulate", std::string("E:") + size, "files", "E:", "--yes"},
                 out.path);
    if (!f.ran) {
      std::printf("  could not run %s\n", program.c_str());
      return;
    }
    std::printf("  %-3s volume  %7.2f s  peak %6.1f MiB (%6.1f MiB past the test pattern)  "
                "exit %d\n",
                size, f.seconds, f.peakMiB, f.peakMiB - patternMiB, f.exitStatus);
    if (smallPeak == 0) {
      smallPeak = f.peakMiB;
      continue;
    }
    std::printf("  1 TB against 1 GB: %+.1f MiB; 1 TB in %.1f s (target under %.0f s): %s\n",
                f.peakMiB - smallPeak, f.seconds, kFileTestSecondsTarget,
                Within(f.seconds < kFileTestSecondsTarget));
    std::printf("  peak past the program's own %.1f MiB test pattern: %.1f MiB (target under "
                "%.0f MiB): %s\n",
                patternMiB, f.peakMiB - patternMiB, kFileTestMiBTarget,
                Within(f.peakMiB - patternMiB < kFileTestMiBTarget));
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string program = argc > 1 ? argv[1] : SW_CLI_BINARY;
  // The children first: a spawned child's peak memory starts from the bench's own.
  DebugTraceFigures(program);
  FileTestFigures(program);
  LogCostFigures();
  return 0;
}
