// Command-line parsing for the counterfeit-stick file system.
#include "FakeStickOptions.h"

#include <cctype>
#include <cmath>
#include <map>

namespace sw::e2e {

std::optional<std::uint64_t> ParseSize(const std::string& text) {
  static const std::map<std::string, double> kUnits = {
      {"", 1},           {"k", 1e3},          {"M", 1e6},          {"G", 1e9},
      {"T", 1e12},       {"Ki", 1024.0},      {"Mi", 1048576.0},   {"Gi", 1073741824.0},
      {"Ti", 1099511627776.0}};
  std::size_t digits = 0;
  while (digits < text.size() && (std::isdigit(static_cast<unsigned char>(text[digits])) || text[digits] == '.')) {
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  auto unit = kUnits.find(text.substr(digits));
  if (unit == kUnits.end()) return std::nullopt;
  std::string number = text.substr(0, digits);
  if (unit->second == 1) {
    if (number.find('.') != std::string::npos) return std::nullopt;
    return std::stoull(number);
  }
  double value = std::stod(number) * unit->second;
  if (!(value < 1.8e19)) return std::nullopt;
  return static_cast<std::uint64_t>(std::llround(value));
}

namespace {

template <typename T>
bool Pick(const std::string& value, const std::map<std::string, T>& names, T& out) {
  auto it = names.find(value);
  if (it == names.end()) return false;
  out = it->second;
  return true;
}

}  // namespace

std::optional<FakeStickOptions> ParseFakeStickOptions(const std::vector<std::string>& args,
                                                      std::string& error) {
  FakeStickOptions o;
  FakeGeometry& g = o.geometry;
  std::optional<std::uint64_t> real;
  bool fullGiven = false;
  for (const std::string& arg : args) {
    std::size_t eq = arg.find('=');
    if (arg.rfind("--", 0) != 0 || eq == std::string::npos) {
      o.fuseArgs.push_back(arg);
      continue;
    }
    std::string key = arg.substr(2, eq - 2), value = arg.substr(eq + 1);
    bool ok = true;
    if (key == "size" || key == "real" || key == "cache" || key == "write-delay-us" || key == "fail-every" ||
        key == "read-speed" || key == "write-speed" || key == "wrap") {
      std::optional<std::uint64_t> n = ParseSize(value);
      ok = n.has_value();
      if (ok && key == "size") g.sizeBytes = *n;
      if (ok && key == "real") real = *n;
      if (ok && key == "cache") g.cacheSectors = *n;
      if (ok && key == "wrap") g.wrapBytes = *n;
      if (ok && key == "write-delay-us") o.writeDelayMicros = *n;
      if (ok && key == "fail-every") g.failEvery = *n;
      if (ok && key == "read-speed") o.readBytesPerSecond = *n;
      if (ok && key == "write-speed") o.writeBytesPerSecond = *n;
    } else if (key == "kind") {
      ok = Pick<FakeKind>(value, {{"genuine", FakeKind::Genuine}, {"limbo", FakeKind::Limbo},
                                  {"wrap", FakeKind::Wraparound}, {"ioerror", FakeKind::IoError},
                                  {"follow", FakeKind::Follow}},
                          g.kind);
    } else if (key == "fill") {
      ok = Pick<LimboFill>(value, {{"zeros", LimboFill::Zeros}, {"ones", LimboFill::Ones},
                                   {"stale", LimboFill::Stale}},
                           g.fill);
    } else if (key == "full") {
      ok = Pick<FollowFull>(value, {{"drop", FollowFull::Drop}, {"evict", FollowFull::Evict}}, g.full);
      fullGiven = true;
    } else if (key == "errors") {
      ok = value == "read" || value == "write" || value == "both";
      g.readErrors = value != "write";
      g.writeErrors = value != "read";
    } else if (key == "cache-kind") {
      ok = Pick<CacheKind>(value, {{"associative", CacheKind::Associative},
                                   {"strict", CacheKind::DirectStrict},
                                   {"loose", CacheKind::DirectLoose}},
                           g.cache);
    } else if (key == "backing-dir") {
      o.backingDir = value;
      ok = !value.empty();
    } else {
      error = "unknown option --" + key;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value for --" + key + ": " + value;
      return std::nullopt;
    }
  }
  g.realBytes = real.value_or(g.sizeBytes);
  if (fullGiven && g.kind != FakeKind::Follow) {
    error = "--full needs --kind=follow";
    return std::nullopt;
  }
  if (std::string why = CheckGeometry(g); !why.empty()) {
    error = why;
    return std::nullopt;
  }
  return o;
}

}  // namespace sw::e2e
