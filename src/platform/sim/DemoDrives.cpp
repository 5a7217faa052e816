// The built-in demo machine: one counterfeit and one genuine USB stick.
#include "platform/sim/SimOs.h"

namespace sw::platform::sim {

void AddDemoDrives(SimOs& os) {
  SimDriveSpec fake;
  fake.announcedBytes = 32'000'000'000ull;
  fake.realBytes = 8'000'000'000ull;
  fake.kind = FakeKind::Limbo;
  fake.writeDelayMs = 2;
  fake.vendor = "SIMTEK";
  fake.product = "Flash Disk 32G";
  fake.serial = "SIM3200001";
  SimVolumeSpec e;
  e.letter = "E:";
  e.label = "BARGAIN32";
  e.freeBytes = 7'600'000'000ull;
  // Files fare as the sectors do: what lands past the real memory is lost.
  e.fileFault = FileFault::Lose;
  e.fileFaultAfter = 7'600'000'000ull - 100'000'000ull;
  fake.volumes.push_back(e);
  os.AddDrive(1, fake);

  SimDriveSpec genuine;
  genuine.announcedBytes = 16'000'000'000ull;
  genuine.writeDelayMs = 1;
  genuine.vendor = "SIMTEK";
  genuine.product = "Flash Disk 16G";
  genuine.serial = "SIM1600002";
  SimVolumeSpec f;
  f.letter = "F:";
  f.label = "GENUINE16";
  f.freeBytes = 1'000'000'000ull;
  genuine.volumes.push_back(f);
  os.AddDrive(2, genuine);

  os.AddCdRomLetter("D:");
}

}  // namespace sw::platform::sim
