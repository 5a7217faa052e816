// Every option of a simulated drive's description, as the parser accepts it and as --help
// lists it. The parser refuses a name that is not here, so the list cannot fall behind it.
#pragma once

#include <string_view>

namespace sw::platform::sim {

struct SimOption {
  std::string_view name;   // as typed before '=' (or alone, for a word without a value)
  bool takesValue;         // name=VALUE
  std::string_view usage;  // the help line's first column; empty: shown on the line before
  std::string_view help;
};

inline constexpr SimOption kSimOptions[] = {
    {"usb", false, "usb sata nvme sd scsi ata", "bus (default usb)"},
    {"sata", false, "", ""},
    {"nvme", false, "", ""},
    {"sd", false, "", ""},
    {"scsi", false, "", ""},
    {"ata", false, "", ""},
    {"fixed", false, "fixed", "not removable"},
    {"real", true, "real=SIZE", "the real memory, below SIZE for a counterfeit; real=0: none"},
    {"limbo", false, "limbo wrap chain follow good",
     "how a counterfeit treats sectors past its real memory (limbo is the default when real= "
     "is below SIZE); follow: any address written takes the next free real sector"},
    {"wrap", false, "", ""},
    {"chain", false, "", ""},
    {"follow", false, "", ""},
    {"good", false, "", ""},
    {"full", true, "full=drop|evict",
     "follow, once the real memory is full: new writes are lost (drop, the default), or the "
     "oldest address gives up its sector (evict)"},
    {"wrap", true, "wrap=SIZE", "wrap and chain: the size at which addresses wrap"},
    {"fill", true, "fill=zeros|ones|stale", "what limbo sectors read back"},
    {"cache", true, "cache=N", "limbo writes kept readable in a cache of N sectors"},
    {"dcache", true, "dcache=N",
     "a direct-mapped cache of limbo writes with N slots (a power of two), each answering "
     "reads of its own sector"},
    {"loose", false, "loose", "with dcache=: a slot answers any read that maps to it"},
    {"readcache", true, "readcache=N", "a read that misses loads N sectors, later reads there come from that copy"},
    {"readerr", false, "readerr writeerr", "reads or writes past the real memory fail"},
    {"writeerr", false, "", ""},
    {"delay", true, "delay=MS", "virtual time each sector write takes"},
    {"speed", true, "speed=SIZE", "write speed in bytes a second (reads twice as fast)"},
    {"fast", true, "fast=SIZE", "with speed=: the first SIZE bytes written go four times as fast"},
    {"block", true, "block=512|4096",
     "the logical sector: READ CAPACITY's block length, and raw transfers take whole ones (4096: a 4Kn drive)"},
    {"label", true, "label=TEXT", "volume label"},
    {"free", true, "free=SIZE", "the volume's free space"},
    {"model", true, "model=VENDOR/PRODUCT", "the drive's identity"},
    {"vol", true, "vol=F:", "a further volume of the same drive"},
};

// Whether name (lower case) is an option, with a value or without.
constexpr bool IsSimOption(std::string_view name, bool withValue) {
  for (const SimOption& o : kSimOptions) {
    if (o.name == name && o.takesValue == withValue) return true;
  }
  return false;
}

}  // namespace sw::platform::sim
