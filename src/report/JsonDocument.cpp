// The JSON documents, built as values with nlohmann-json, never as text.
#include "report/JsonDocument.h"

#include <nlohmann/json.hpp>

#include "report/RunFigures.h"
#include "sw/Version.h"

namespace sw::report {

namespace {

// Fields in the order docs/json.md lists them, not sorted by name.
using json = nlohmann::ordered_json;

constexpr const char* kFormat = "sizewarden-result";
constexpr const char* kProgram = "sizewarden";
constexpr int kIndent = 2;

template <typename T>
json OrNull(const std::optional<T>& v) {
  return v ? json(*v) : json(nullptr);
}

const char* VerdictName(core::Verdict v) {
  switch (v) {
    case core::Verdict::Passed:
      return "passed";
    case core::Verdict::Failed:
      return "failed";
    case core::Verdict::Cancelled:
      return "cancelled";
    case core::Verdict::Aborted:
      return "aborted";
    case core::Verdict::Refused:
    case core::Verdict::None:
      break;
  }
  return "not_run";
}

const char* DirectionName(core::Direction d) {
  switch (d) {
    case core::Direction::Write:
      return "write";
    case core::Direction::Read:
      return "read";
    case core::Direction::Both:
      return "read_write";
    case core::Direction::None:
      break;
  }
  return "none";
}

// Null when the test found no answer.
json FakeKindName(core::FakeKind k) {
  switch (k) {
    case core::FakeKind::Genuine:
      return "genuine";
    case core::FakeKind::Fake:
      return "fake";
    case core::FakeKind::Limbo:
      return "limbo";
    case core::FakeKind::Wraparound:
      return "wraparound";
    case core::FakeKind::Chain:
      return "chain";
    case core::FakeKind::IoErrors:
      return "io_errors";
    case core::FakeKind::NoMemory:
      return "no_memory";
    case core::FakeKind::Faulty:
      return "faulty";
    case core::FakeKind::Unknown:
      break;
  }
  return nullptr;
}

json ErrorsJson(const std::vector<core::RunError>& errors) {
  json list = json::array();
  for (const core::RunError& e : errors) list.push_back({{"code", e.code}, {"message", e.message}});
  return list;
}

json Head(json command) {
  return {{"format", kFormat},
          {"format_version", kJsonFormatVersion},
          {"program", {{"name", kProgram}, {"version", SW_VERSION_TEXT}}},
          {"command", command}};
}

json DriveJson(const core::DriveRecord& d) {
  json volumes = json::array();
  for (const core::VolumeRecord& v : d.volumes) {
    volumes.push_back({{"letter", v.letter}, {"label", v.label}, {"system_name", v.description}});
  }
  return {{"number", d.number},   {"device", d.device}, {"line", d.line},
          {"model", d.model},     {"serial", d.serial}, {"media", d.media},
          {"usb", d.usb},         {"announced_bytes", d.announcedBytes},
          {"volumes", volumes}};
}

json FixJson(const core::FixRecord& f) {
  return {{"table", f.table},
          {"file_system", f.fileSystem},
          {"label", f.label},
          {"sector_bytes", f.sectorBytes},
          {"first_sector", f.firstSector},
          {"last_sector", f.lastSector},
          {"partition_bytes", f.partitionBytes},
          {"file_system_bytes", OrNull(f.fileSystemBytes)},
          {"measured_by", f.measuredBy}};
}

json SpeedOrNull(const Speed& s) {
  return s.seconds > 0 ? json(static_cast<double>(s.bytes) / s.seconds) : json(nullptr);
}

}  // namespace

std::string RunJson(const core::RunRecord& run) {
  // A command line that named no command gives a document without one.
  json doc = Head(run.command.empty() ? json(nullptr) : json(run.command));
  // A run that never got as far as a drive names none.
  doc["drive"] = run.drive.device.empty() ? json(nullptr) : DriveJson(run.drive);
  doc["volume"] = run.volume.empty() ? json(nullptr) : json(run.volume);
  doc["verdict"] = VerdictName(run.verdict);
  doc["fake_kind"] = FakeKindName(run.fakeKind);
  doc["sizes"] = {{"announced_bytes", run.drive.announcedBytes},
                  {"real_bytes", OrNull(run.realBytes)},
                  {"recommended_bytes", OrNull(run.recommendedBytes)},
                  {"last_good_sector", OrNull(run.lastGoodSector)},
                  {"tested_bytes", OrNull(run.testedBytes)},
                  {"good_bytes", OrNull(run.goodBytes)}};
  doc["write_cache_bytes"] = OrNull(run.writeCacheBytes);

  json ranges = json::array();
  for (const core::SectorRange& r : run.badRanges) {
    ranges.push_back({{"first_sector", r.first}, {"last_sector", r.last}});
  }
  doc["bad_ranges"] = ranges;

  const CellCounts cells = CountCells(run.cells);
  doc["checked"] = {{"total_sectors", run.totalSectors},
                    {"interval_sectors", run.intervalSectors},
                    {"locations", cells.locations},
                    {"good", cells.good},
                    {"lost", cells.lost},
                    {"wrong_number", cells.wrongNumber},
                    {"read_error", cells.readError},
                    {"write_error", cells.writeError}};

  json phases = json::array();
  for (const core::PhaseRecord& p : run.phases) {
    phases.push_back({{"name", p.name},
                      {"direction", DirectionName(p.direction)},
                      {"bytes", p.bytes},
                      {"seconds", p.seconds}});
  }
  doc["timings"] = {{"elapsed_seconds", run.elapsedSeconds}, {"phases", phases}};
  doc["speeds"] = {{"write_bytes_per_second", SpeedOrNull(AverageSpeed(run, core::Direction::Write))},
                   {"read_bytes_per_second", SpeedOrNull(AverageSpeed(run, core::Direction::Read))}};
  const core::TransferFigures& t = run.transfers;
  doc["io"] = {{"write_requests", t.writeRequests},
               {"read_requests", t.readRequests},
               {"bytes_written", t.bytesWritten},
               {"bytes_read", t.bytesRead},
               {"write_errors", t.writeErrors},
               {"read_errors", t.readErrors},
               {"write_latency_seconds", OrNull(t.writeLatencySeconds)},
               {"read_latency_seconds", OrNull(t.readLatencySeconds)}};
  if (run.command == "fix") doc["fix"] = run.fix ? FixJson(*run.fix) : json(nullptr);
  doc["errors"] = ErrorsJson(run.errors);
  return doc.dump(kIndent) + "\n";
}

std::string ListJson(const std::vector<core::DriveRecord>& drives, bool allDrives,
                     const std::vector<core::RunError>& errors) {
  json doc = Head("list");
  doc["verdict"] = errors.empty() ? "passed" : "not_run";
  doc["all_drives"] = allDrives;
  json list = json::array();
  for (const core::DriveRecord& d : drives) list.push_back(DriveJson(d));
  doc["drives"] = list;
  doc["errors"] = ErrorsJson(errors);
  return doc.dump(kIndent) + "\n";
}

}  // namespace sw::report
