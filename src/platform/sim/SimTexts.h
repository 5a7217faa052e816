// Texts of the simulated machine: volume descriptions and the errors of drive descriptions.
#pragma once

#include <string_view>

namespace sw::platform::sim::text {

inline constexpr std::string_view kSimulated = "simulated ";
inline constexpr std::string_view kDrive = "drive ";
inline constexpr std::string_view kVolume = ", volume ";
inline constexpr std::string_view kCdRom = "simulated CD-ROM drive";
inline constexpr std::string_view kFat32 = "FAT32";
inline constexpr std::string_view kExFat = "exFAT";

// Errors of ParseSimDrive; each is followed by kIn and the whole description.
inline constexpr std::string_view kIn = " in --simulate ";
inline constexpr std::string_view kNeedsLetter = "a drive letter D: to Z: must come first";
inline constexpr std::string_view kUnknownOption = "unknown option '";
inline constexpr std::string_view kBadValue = "bad value in '";
inline constexpr std::string_view kTwice = "given twice: '";
inline constexpr std::string_view kQuoteEnd = "'";
inline constexpr std::string_view kNoSize = "the announced size is missing";
inline constexpr std::string_view kRealTooLarge = "real= is larger than the announced size";
inline constexpr std::string_view kGoodButFake =
    "'good' contradicts real= below the announced size";
inline constexpr std::string_view kFakeButReal =
    "wrap, limbo, chain and follow need real= below the announced size";
inline constexpr std::string_view kVendorTooLong =
    "the vendor of model= has more than 8 characters";
inline constexpr std::string_view kProductTooLong =
    "the product of model= has more than 16 characters";
inline constexpr std::string_view kWrapNeedsKind = "wrap= needs wrap or chain";
inline constexpr std::string_view kWrapOutside =
    "wrap= must lie between real= and the announced size";
inline constexpr std::string_view kNothingToWrap = "real=0 leaves nothing to wrap onto: use limbo";
inline constexpr std::string_view kLooseNeedsCache = "loose needs dcache=";
inline constexpr std::string_view kFullNeedsFollow = "full= needs follow";
inline constexpr std::string_view kFastNeedsSpeed = "fast= needs speed=";
inline constexpr std::string_view kLetterTwice = "a volume letter is used twice";

}  // namespace sw::platform::sim::text
