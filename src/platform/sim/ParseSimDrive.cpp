// The command line's description of a simulated drive, e.g. "E:usb:32G:real=8G:limbo".
#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <set>
#include <string_view>

#include "platform/sim/SimOptions.h"
#include "platform/sim/SimOs.h"
#include "platform/sim/SimTexts.h"

namespace sw::platform::sim {
namespace {

constexpr std::uint64_t kSector = 512;
constexpr std::uint64_t kDefaultFreePercent = 95;
constexpr std::uint64_t kFileFaultUnit = 1ull << 20;
constexpr std::size_t kVendorMax = 8;
constexpr std::size_t kProductMax = 16;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// "32G", "7.5G", "512Ki", "1000000000" (bytes): the size rounded down to whole sectors, or
// to whole bytes for a rate.
std::optional<std::uint64_t> ParseSize(std::string_view text, bool wholeSectors = true) {
  std::size_t i = 0;
  std::uint64_t whole = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    if (whole > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    whole = whole * 10 + digit;
    ++i;
  }
  if (i == 0) return std::nullopt;
  double fraction = 0;
  if (i < text.size() && text[i] == '.') {
    double scale = 0.1;
    const std::size_t start = ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      fraction += (text[i] - '0') * scale;
      scale /= 10;
      ++i;
    }
    if (i == start) return std::nullopt;
  }
  const std::string unit = Lower(text.substr(i));
  std::uint64_t multiplier = 0;
  if (unit.empty())
    multiplier = 1;
  else if (unit == "k")
    multiplier = 1'000ull;
  else if (unit == "m")
    multiplier = 1'000'000ull;
  else if (unit == "g")
    multiplier = 1'000'000'000ull;
  else if (unit == "t")
    multiplier = 1'000'000'000'000ull;
  else if (unit == "ki")
    multiplier = 1ull << 10;
  else if (unit == "mi")
    multiplier = 1ull << 20;
  else if (unit == "gi")
    multiplier = 1ull << 30;
  else if (unit == "ti")
    multiplier = 1ull << 40;
  else
    return std::nullopt;
  if (whole > std::numeric_limits<std::uint64_t>::max() / multiplier) return std::nullopt;
  const std::uint64_t bytes =
      whole * multiplier + static_cast<std::uint64_t>(std::floor(fraction * multiplier));
  if (bytes < whole * multiplier) return std::nullopt;
  const std::uint64_t rounded = wholeSectors ? bytes / kSector * kSector : bytes;
  if (rounded == 0) return std::nullopt;
  return rounded;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

// A volume letter D: to Z: (A: and B: are never scanned, C: is the system disk).
std::optional<std::string> ParseLetter(std::string_view text) {
  if (text.size() != 1 && !(text.size() == 2 && text[1] == ':')) return std::nullopt;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (letter < 'D' || letter > 'Z') return std::nullopt;
  return std::string{letter, ':'};
}

struct Parser {
  const std::string& whole;
  ParsedSimDrive result;
  std::set<std::string> seen;  // option names, to refuse repeats
  std::optional<std::uint64_t> freeBytes;
  std::optional<FakeKind> kind;
  std::string label;
  std::vector<std::string> extraLetters;

  bool Error(std::string_view what, std::string_view token = {}, bool quoted = false) {
    result.error = std::string(what);
    if (quoted) {
      result.error += token;
      result.error += text::kQuoteEnd;
    }
    result.error += text::kIn;
    result.error += whole;
    return false;
  }

  bool Once(const std::string& name, std::string_view token) {
    if (!seen.insert(name).second) return Error(text::kTwice, token, true);
    return true;
  }

  bool Option(std::string_view token) {
    SimDriveSpec& config = result.config;
    const std::size_t equals = token.find('=');
    const std::string name = Lower(token.substr(0, equals));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : token.substr(equals + 1);
    const bool hasValue = equals != std::string_view::npos;
    const auto bad = [&] { return Error(text::kBadValue, token, true); };

    static const std::pair<std::string_view, std::uint8_t> kBuses[] = {
        {"usb", win::BusTypeUsb}, {"sata", win::BusTypeSata}, {"nvme", win::BusTypeNvme},
        {"sd", win::BusTypeSd},   {"scsi", win::BusTypeScsi}, {"ata", win::BusTypeAta}};
    static const std::pair<std::string_view, FakeKind> kKinds[] = {{"good", FakeKind::Good},
                                                                   {"wrap", FakeKind::Wraparound},
                                                                   {"limbo", FakeKind::Limbo},
                                                                   {"chain", FakeKind::Chain},
                                                                   {"follow", FakeKind::Follow}};

    const bool isSize = !hasValue && !token.empty() && std::isdigit(static_cast<unsigned char>(token[0]));
    if (!isSize && !IsSimOption(name, hasValue)) return Error(text::kUnknownOption, token, true);
    if (!hasValue) {
      for (const auto& [busName, bus] : kBuses) {
        if (name == busName) {
          config.busType = bus;
          return Once("bus", token);
        }
      }
      for (const auto& [kindName, k] : kKinds) {
        if (name == kindName) {
          kind = k;
          return Once("kind", token);
        }
      }
      if (name == "readerr") {
        config.readErrorsPastReal = true;
        return Once(name, token);
      }
      if (name == "writeerr") {
        config.writeErrorsPastReal = true;
        return Once(name, token);
      }
      if (name == "loose") {
        config.looseDirectCache = true;
        return Once(name, token);
      }
      if (name == "fixed") {
        config.removable = false;
        return Once(name, token);
      }
      if (!token.empty() && std::isdigit(static_cast<unsigned char>(token[0]))) {
        const auto size = ParseSize(token);
        if (!size) return bad();
        config.announcedBytes = *size;
        return Once("size", token);
      }
      return Error(text::kUnknownOption, token, true);
    }

    if (name == "real" && value == "0") {
      config.noRealMemory = true;
      return Once(name, token);
    }
    if (name == "wrap" || name == "speed") {
      const auto size = ParseSize(value, name == "wrap");
      if (!size) return bad();
      (name == "wrap" ? config.wrapBytes : config.writeBytesPerSecond) = *size;
      if (name == "speed") config.readBytesPerSecond = *size * 2;
      return Once(name, token);
    }
    if (name == "fast") {
      const auto size = ParseSize(value, false);
      if (!size) return bad();
      config.fastWriteBytes = *size;
      return Once(name, token);
    }
    if (name == "full") {
      const std::string full = Lower(value);
      if (full == "drop")
        config.followFull = FollowFull::Drop;
      else if (full == "evict")
        config.followFull = FollowFull::Evict;
      else
        return bad();
      return Once(name, token);
    }
    if (name == "real" || name == "free") {
      const auto size = ParseSize(value);
      if (!size) return bad();
      (name == "real" ? config.realBytes : freeBytes.emplace()) = *size;
      return Once(name, token);
    }
    if (name == "fill") {
      const std::string fill = Lower(value);
      if (fill == "zeros")
        config.limboFill = LimboFill::Zeros;
      else if (fill == "ones")
        config.limboFill = LimboFill::Ones;
      else if (fill == "stale")
        config.limboFill = LimboFill::Stale;
      else
        return bad();
      return Once(name, token);
    }
    if (name == "cache" || name == "delay" || name == "readcache") {
      const auto number = ParseNumber(value);
      if (!number) return bad();
      (name == "cache"  ? config.writeCacheSectors
       : name == "delay" ? config.writeDelayMs
                         : config.readCacheSectors) = *number;
      return Once(name, token);
    }
    if (name == "dcache") {
      const auto number = ParseNumber(value);
      if (!number || *number == 0 || (*number & (*number - 1)) != 0) return bad();
      config.directCacheSectors = *number;
      return Once(name, token);
    }
    if (name == "block") {
      const auto number = ParseNumber(value);
      if (!number || (*number != 512 && *number != 4096)) return bad();
      config.blockLength = *number;
      return Once(name, token);
    }
    if (name == "label") {
      label = std::string(value);
      return Once(name, token);
    }
    if (name == "model") {
      const std::size_t slash = value.find('/');
      if (slash == std::string_view::npos) return bad();
      config.vendor = std::string(value.substr(0, slash));
      config.product = std::string(value.substr(slash + 1));
      if (config.vendor.size() > kVendorMax) return Error(text::kVendorTooLong);
      if (config.product.size() > kProductMax) return Error(text::kProductTooLong);
      return Once(name, token);
    }
    if (name == "vol") {
      const auto letter = ParseLetter(value);
      if (!letter) return bad();
      extraLetters.push_back(*letter);
      return true;
    }
    return Error(text::kUnknownOption, token, true);
  }

  bool Run() {
    const auto first =
        whole.size() >= 2 ? ParseLetter(std::string_view(whole).substr(0, 2)) : std::nullopt;
    if (!first || whole[1] != ':') return Error(text::kNeedsLetter);
    std::string_view rest = std::string_view(whole).substr(2);
    // A volume letter inside an option ("vol=F:") ends in a colon too; empty tokens are skipped.
    while (!rest.empty()) {
      const std::size_t colon = rest.find(':');
      const std::string_view token = rest.substr(0, colon);
      rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
      if (!token.empty() && !Option(token)) return false;
    }
    return Finish(*first);
  }

  bool Finish(const std::string& letter) {
    SimDriveSpec& config = result.config;
    if (config.announcedBytes == 0) return Error(text::kNoSize);
    if (config.realBytes > config.announcedBytes) return Error(text::kRealTooLarge);
    const std::uint64_t real = config.noRealMemory  ? 0
                               : config.realBytes == 0 ? config.announcedBytes
                                                       : config.realBytes;
    const bool fake = real < config.announcedBytes;
    if (kind == FakeKind::Good && fake) return Error(text::kGoodButFake);
    if (kind && *kind != FakeKind::Good && !fake) return Error(text::kFakeButReal);
    config.kind = kind.value_or(fake ? FakeKind::Limbo : FakeKind::Good);
    if (config.wrapBytes != 0) {
      const bool wraps = config.kind == FakeKind::Wraparound || config.kind == FakeKind::Chain;
      if (!wraps) return Error(text::kWrapNeedsKind);
      if (config.wrapBytes < real || config.wrapBytes >= config.announcedBytes) {
        return Error(text::kWrapOutside);
      }
    }
    if (config.noRealMemory && config.kind != FakeKind::Limbo) return Error(text::kNothingToWrap);
    if (config.looseDirectCache && config.directCacheSectors == 0) return Error(text::kLooseNeedsCache);
    if (seen.contains("full") && config.kind != FakeKind::Follow) return Error(text::kFullNeedsFollow);
    if (config.fastWriteBytes != 0 && config.writeBytesPerSecond == 0) {
      return Error(text::kFastNeedsSpeed);
    }

    std::set<std::string> letters{letter};
    for (const std::string& extra : extraLetters) {
      if (!letters.insert(extra).second) return Error(text::kLetterTwice);
    }
    SimVolumeSpec volume;
    volume.letter = letter;
    volume.label = label;
    // A fake is formatted to the size it announces, so its volume offers that much; the file
    // data fares as its sectors do once the files outgrow the real memory.
    volume.freeBytes =
        freeBytes.value_or(config.announcedBytes / 100 * kDefaultFreePercent / kSector * kSector);
    if (fake) {
      // A follower's files fill its memory in order; what comes after is lost (an evicting
      // one loses its first files instead, which the file model does not tell apart).
      const bool loses = config.kind == FakeKind::Limbo || config.kind == FakeKind::Follow;
      volume.fileFault = config.writeErrorsPastReal ? FileFault::FailWrite
                         : loses                    ? FileFault::Lose
                                                    : FileFault::Overwrite;
      // Whole mebibytes: the overwritten data then lands on whole blocks of the earlier files.
      volume.fileFaultAfter = real / 100 * kDefaultFreePercent / kFileFaultUnit * kFileFaultUnit;
    }
    config.volumes.push_back(volume);
    for (const std::string& extra : extraLetters) {
      SimVolumeSpec other;
      other.letter = extra;
      config.volumes.push_back(other);
    }
    return true;
  }
};

}  // namespace

ParsedSimDrive ParseSimDrive(const std::string& text) {
  Parser parser{text, {}, {}, {}, {}, {}, {}};
  try {
    parser.Run();
  } catch (const std::exception&) {
    // Only allocation can throw here; a description that cannot be held is no drive.
    parser.result.error = std::string(text::kUnknownOption) + text + std::string(text::kQuoteEnd);
  }
  if (!parser.result.error.empty()) parser.result.config = SimDriveSpec{};
  return parser.result;
}

}  // namespace sw::platform::sim
