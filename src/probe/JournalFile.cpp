// Encoding and decoding the probe's journal.
#include "probe/JournalFile.h"

#include <cstring>
#include <map>

namespace sw::probe {

namespace {

constexpr std::uint8_t kHeaderRecord = 'H';
constexpr std::uint8_t kBlockRecord = 'S';
constexpr std::uint8_t kForgetRecord = 'F';
constexpr const char* kMagic = "SizeWarden probe journal 1\n";
constexpr std::size_t kFrame = 1 + 4 + 8;  // type, length, checksum

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes, std::uint64_t h = 0xcbf29ce484222325ull) {
  for (const std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

void PutLe(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint64_t GetLe(const std::uint8_t* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

std::vector<std::uint8_t> Record(std::uint8_t type, std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> out;
  out.reserve(kFrame + payload.size());
  out.push_back(type);
  PutLe(out, payload.size(), 4);
  out.insert(out.end(), payload.begin(), payload.end());
  PutLe(out, Fnv1a(out), 8);
  return out;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (const std::uint8_t b : bytes) {
    s.push_back(kDigits[b >> 4]);
    s.push_back(kDigits[b & 15]);
  }
  return s;
}

// "field=value" lines; a value never holds a line end (they are cut at one).
std::string Field(const std::string& name, const std::string& value) {
  return name + "=" + value.substr(0, value.find_first_of("\r\n")) + "\n";
}

std::map<std::string, std::string> Fields(const std::string& text) {
  std::map<std::string, std::string> fields;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (const std::size_t eq = line.find('='); eq != std::string::npos) {
      fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return fields;
}

std::string MatchText(const JournalHeader& h) {
  if (!h.serial.empty()) return "serial\n" + h.model + "\n" + h.serial + "\n" + std::to_string(h.sizeBytes);
  return "key\n" + h.key + "\n" + std::to_string(h.sizeBytes);
}

}  // namespace

JournalHeader HeaderFor(const core::DriveIdentity& identity, const std::string& device,
                        const std::string& date) {
  JournalHeader h;
  h.model = identity.Model;
  h.serial = identity.Serial;
  h.sizeBytes = identity.SizeBytes;
  if (identity.Key) h.key = Hex(*identity.Key);
  h.device = device;
  h.date = date;
  return h;
}

std::string JournalName(const JournalHeader& header) {
  const std::string match = MatchText(header);
  const std::uint64_t h = Fnv1a({reinterpret_cast<const std::uint8_t*>(match.data()), match.size()});
  std::vector<std::uint8_t> bytes;
  PutLe(bytes, h, 8);
  return "probe-journal-" + Hex(bytes) + ".bin";
}

bool IsJournalName(const std::string& name) {
  return name.rfind("probe-journal-", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".bin";
}

std::vector<std::uint8_t> EncodeHeader(const JournalHeader& header) {
  const std::string text = std::string(kMagic) + Field("model", header.model) + Field("serial", header.serial) +
                           Field("size", std::to_string(header.sizeBytes)) + Field("key", header.key) +
                           Field("device", header.device) + Field("date", header.date);
  return Record(kHeaderRecord, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::vector<std::uint8_t> EncodeBlock(std::int64_t sector, std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> payload;
  PutLe(payload, static_cast<std::uint64_t>(sector), 8);
  payload.insert(payload.end(), bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 512));
  payload.resize(8 + 512);
  return Record(kBlockRecord, payload);
}

std::vector<std::uint8_t> EncodeForget(std::int64_t sector) {
  std::vector<std::uint8_t> payload;
  PutLe(payload, static_cast<std::uint64_t>(sector), 8);
  return Record(kForgetRecord, payload);
}

std::optional<JournalContents> DecodeJournal(std::span<const std::uint8_t> file) {
  JournalContents contents;
  bool haveHeader = false;
  std::size_t at = 0;
  while (file.size() - at >= kFrame) {
    const std::uint8_t type = file[at];
    const std::uint64_t length = GetLe(&file[at + 1], 4);
    if (length > file.size() - at - kFrame) break;  // cut short
    const std::size_t body = 1 + 4 + static_cast<std::size_t>(length);
    if (Fnv1a(file.subspan(at, body)) != GetLe(&file[at + body], 8)) break;
    const std::span<const std::uint8_t> payload = file.subspan(at + 5, static_cast<std::size_t>(length));
    if (!haveHeader) {
      const std::string text(payload.begin(), payload.end());
      if (type != kHeaderRecord || text.rfind(kMagic, 0) != 0) return std::nullopt;
      std::map<std::string, std::string> f = Fields(text.substr(std::strlen(kMagic)));
      contents.header.model = f["model"];
      contents.header.serial = f["serial"];
      contents.header.key = f["key"];
      contents.header.device = f["device"];
      contents.header.date = f["date"];
      try {
        contents.header.sizeBytes = std::stoull(f["size"]);
      } catch (...) {
        return std::nullopt;
      }
      haveHeader = true;
    } else if (type == kBlockRecord && length == 8 + 512) {
      JournalBlock b;
      b.sector = static_cast<std::int64_t>(GetLe(payload.data(), 8));
      std::memcpy(b.bytes.data(), payload.data() + 8, 512);
      contents.blocks.push_back(b);
    } else if (type == kHeaderRecord) {
      // Another run's header appended to a file it found: its blocks follow as well.
    } else if (type == kForgetRecord && length == 8) {
      const auto sector = static_cast<std::int64_t>(GetLe(payload.data(), 8));
      if (!contents.blocks.empty() && contents.blocks.back().sector == sector) contents.blocks.pop_back();
    } else {
      break;  // a record this version does not know: what follows cannot be trusted
    }
    at += body + 8;
  }
  if (!haveHeader) return std::nullopt;
  return contents;
}

bool JournalIsFor(const JournalHeader& header, const core::DriveIdentity& now) {
  // A size of 0 is one that handle could not tell.
  if (header.sizeBytes != 0 && now.SizeBytes != 0 && header.sizeBytes != now.SizeBytes) return false;
  if (!header.serial.empty()) return header.model == now.Model && header.serial == now.Serial;
  return !header.key.empty() && now.Key && header.key == Hex(*now.Key);
}

}  // namespace sw::probe
