// A simulated machine with a recording Os in front of it, a scripted window and debug mode on;
// after every test no handle may be left open and no volume left locked.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Context.h"
#include "diskio/RecordingOs.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::diskio {

class SimFixture : public ::testing::Test {
 protected:
  static constexpr platform::LocalTime kClock = 1'700'000'000;  // a fixed wall clock

  platform::sim::SimOs sim;
  testing::RecordingOs os{sim};
  testing::ScriptedWindow win;
  core::Context ctx{os, win};

  void SetUp() override {
    sim.SetNow(kClock);
    ctx.state.DebugMode = true;
    ctx.state.SectorBuffer.Resize(4097);
  }

  void TearDown() override {
    EXPECT_EQ(sim.OpenHandleCount(), 0) << "a handle was left open";
    EXPECT_EQ(sim.LockedVolumeCount(), 0) << "a volume was left locked";
  }

  // A USB stick of the given size with volumes at the given letters.
  static platform::sim::SimDriveSpec Stick(std::uint64_t bytes, std::vector<std::string> letters = {}) {
    platform::sim::SimDriveSpec config;
    config.announcedBytes = bytes;
    for (std::string& l : letters) {
      platform::sim::SimVolumeSpec v;
      v.letter = l;
      config.volumes.push_back(v);
    }
    return config;
  }

  // The trace lines written so far without their date; each must begin with the general date.
  std::vector<std::string> Traces() {
    const std::string date = sim.GeneralDate(sim.Now());
    std::vector<std::string> lines = win.Lines();
    std::vector<std::string> out;
    EXPECT_EQ(lines.front(), "") << "the log must start each trace on a new line";
    for (std::size_t i = 1; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].rfind(date, 0), 0u) << "no date on: " << lines[i];
      out.push_back(lines[i].substr(lines[i].rfind(date, 0) == 0 ? date.size() : 0));
    }
    return out;
  }

  void ClearLog() { win.SetText(core::Control::Text1, ""); }

  static std::string Num(std::int64_t v) { return std::to_string(v); }
};

// Compares transcripts line by line, so a failure names the first line that differs.
inline void ExpectTranscript(const std::vector<std::string>& actual,
                             const std::vector<std::string>& expected) {
  for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
    const std::string a = i < actual.size() ? actual[i] : "<missing>";
    const std::string e = i < expected.size() ? expected[i] : "<none expected>";
    EXPECT_EQ(a, e) << "trace line " << i;
  }
}

}  // namespace sw::diskio
