// Simulated drives from the command line.
#include "frontends/cli/SimSetup.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "diskio/DevicePaths.h"
#include "frontends/cli/CliTexts.h"
#include "frontends/H2wBlockRecipe.h"
#include "platform/WinApi.h"

namespace sw::frontends::cli {
namespace {

bool IsDemo(std::string config) {
  for (char& c : config) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return config == text::kDemo;
}

bool DriveExists(platform::sim::SimOs& os, int number) {
  const platform::Handle h =
      os.CreateFileA(diskio::DevicePath(diskio::PhysicalDriveName(std::to_string(number))), 0,
                     win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  if (h == platform::kInvalidHandle) return false;
  os.CloseHandle(h);
  return true;
}

bool LetterInUse(platform::sim::SimOs& os, const std::string& letter) {
  const auto letters = os.LogicalDrives();
  return std::find(letters.begin(), letters.end(), letter) != letters.end();
}

}  // namespace

std::string BuildSimulatedMachine(const std::vector<std::string>& specs, platform::sim::SimOs& os) {
  // A thorough file test fills the volume with pseudo-random files that no run would compress.
  os.SetBlockRecipe(std::make_shared<H2wBlockRecipe>());
  int next = 1;
  for (std::size_t i = 0; i < specs.size(); ++i) {
    if (IsDemo(specs[i])) {
      if (i != 0) return text::kDemoTwice;
      platform::sim::AddDemoDrives(os);
      while (DriveExists(os, next)) ++next;
      continue;
    }
    platform::sim::ParsedSimDrive parsed = platform::sim::ParseSimDrive(specs[i]);
    if (!parsed.error.empty()) return parsed.error;
    for (const auto& volume : parsed.config.volumes) {
      if (LetterInUse(os, volume.letter)) return text::kLetterTwice + volume.letter;
    }
    os.AddDrive(next++, parsed.config);
  }

  // The drive list examines drives 1 to (letters - 1): drives without a letter of their own
  // still need one letter each in the count.
  const std::size_t wanted = static_cast<std::size_t>(next - 1) + 2;
  for (const char* spare :
       {"D:", "E:", "F:", "G:", "H:", "I:", "J:", "K:", "L:", "M:", "N:", "O:", "P:",
        "Q:", "R:", "S:", "T:", "U:", "V:", "W:", "X:", "Y:", "Z:", "A:", "B:"}) {
    if (os.LogicalDrives().size() >= wanted) break;
    if (!LetterInUse(os, spare)) os.AddCdRomLetter(spare);
  }
  return {};
}

}  // namespace sw::frontends::cli
