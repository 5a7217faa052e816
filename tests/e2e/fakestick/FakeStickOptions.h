// The command line of the counterfeit-stick file system: the geometry and how slow it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FakeMedia.h"

namespace sw::e2e {

struct FakeStickOptions {
  FakeGeometry geometry;
  std::uint64_t writeDelayMicros = 0;  // each write request takes at least this long
  std::uint64_t readBytesPerSecond = 0, writeBytesPerSecond = 0;  // the channel's speed (0: full)
  std::string backingDir = "/var/tmp"; // where the unnamed sparse backing file lives
  std::vector<std::string> fuseArgs;   // what is not ours: the mount folder, -f, -o ...
};

// "4096", "1.5G" (powers of 1000: k M G T), "512Mi" (powers of 1024: Ki Mi Gi Ti).
std::optional<std::uint64_t> ParseSize(const std::string& text);

// Parses --size= --real= --kind= --full= --fill= --errors= --cache= --cache-kind= --write-delay-us=
// --read-speed= --write-speed= (bytes per second: "40M") --fail-every= --wrap= --backing-dir=; anything
// else is passed on to FUSE. On a bad option returns nothing and
// says why in error.
std::optional<FakeStickOptions> ParseFakeStickOptions(const std::vector<std::string>& args,
                                                      std::string& error);

inline constexpr const char* kFakeStickUsage =
    "usage: sw_fakestick MOUNTDIR --size=SIZE [--real=SIZE] [--kind=genuine|limbo|wrap|ioerror|follow]\n"
    "         [--full=drop|evict] [--fill=zeros|ones|stale] [--errors=read|write|both] [--cache=SECTORS]\n"
    "         [--cache-kind=associative|strict|loose] [--write-delay-us=N] [--fail-every=N]\n"
    "         [--read-speed=BYTES_PER_SECOND] [--write-speed=BYTES_PER_SECOND]\n"
    "         [--wrap=SIZE (with --kind=wrap: the addresses wrap there, past the real memory: a chain)]\n"
    "         [--backing-dir=DIR]\n"
    "         [FUSE options, e.g. -f]\n"
    "The folder then holds 'stick', a file that behaves like the counterfeit, and 'control':\n"
    "write 'unplug' to it and every later transfer fails; read it for the transfer counts.\n";

}  // namespace sw::e2e
