// The JSON document of every command, checked against the schema in docs/ and against what the
// report says.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "CliRun.h"
#include "SchemaCheck.h"
#include "sw/Version.h"

namespace sw::report::testing {
namespace {

using nlohmann::json;

class JsonDocument : public ::testing::Test {
 protected:
  // Every document these tests produce passes through here, so none escapes the schema.
  json Produce(std::vector<std::string> args, int expectedStatus) {
    const std::string path = folder / "result.json";
    args.push_back("--json");
    args.push_back(path);
    last = RunSizewarden(args, script);
    EXPECT_EQ(last.status, expectedStatus) << last.err;
    const json doc = json::parse(ReadWhole(path));
    for (const std::string& v : SchemaViolations(schema, doc)) ADD_FAILURE() << v;
    EXPECT_EQ(doc["program"]["version"], SW_VERSION_TEXT);
    return doc;
  }

  TempFolder folder;
  frontends::cli::ConsoleScript script;
  CliResult last;
  json schema = LoadResultSchema();
};

TEST_F(JsonDocument, EachCommandAndEndingGivesItsVerdict) {
  struct Row {
    std::vector<std::string> args;
    const char* command;
    int status;
    const char* verdict;
  };
  const Row rows[] = {
      {{"--simulate", "demo", "quick", "E:", "--yes"}, "quick", 1, "failed"},
      {{"--simulate", "demo", "quick", "F:", "--yes"}, "quick", 0, "passed"},
      {{"--simulate", "demo", "files", "F:", "--yes"}, "files", 0, "passed"},
      // No terminal to ask and no --yes: the confirmation is answered Cancel.
      {{"--simulate", "demo", "quick", "E:"}, "quick", 2, "not_run"},
      {{"--simulate", "demo", "quick", "Q:", "--yes"}, "quick", 2, "not_run"},
      {{"--simulate", "demo", "probe", "E:", "--yes"}, "probe", 1, "failed"},
      {{"--simulate", "demo", "probe", "F:", "--yes"}, "probe", 0, "passed"},
      {{"--simulate", "demo", "probe", "E:"}, "probe", 2, "not_run"},
      {{"--simulate", "E:64Mi:real=8Mi:follow", "full", "E:", "--yes"}, "full", 1, "failed"},
      {{"--simulate", "E:32Mi", "full", "E:", "--yes"}, "full", 0, "passed"},
      {{"--simulate", "E:32Mi", "full", "E:"}, "full", 2, "not_run"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const json doc = Produce(row.args, row.status);
    EXPECT_EQ(doc["verdict"], row.verdict);
    EXPECT_EQ(doc["command"], row.command);
  }
}

TEST_F(JsonDocument, CancelDuringTheWritePassIsCancelledWithTheAbortWords) {
  script.ctrlCAtPoll = 5;
  const json doc = Produce({"--simulate", "demo", "quick", "E:", "--yes"}, 3);
  EXPECT_EQ(doc["verdict"], "cancelled");
  EXPECT_EQ(doc["errors"], json::parse(R"([{"code": "cancelled", "message": "TEST ABORTED!"}])"));
  EXPECT_GT(doc["io"]["write_requests"].get<int>(), 0);
}

TEST_F(JsonDocument, TheFakesNumbersAreTheOnesTheReportPrints) {
  const json doc = Produce({"--simulate", "demo", "quick", "E:", "--yes"}, 1);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(last.out, m, std::regex(R"(BAD MEMORY from sector (\d+) .* to sector (\d+) )")));
  EXPECT_EQ(doc["bad_ranges"][0]["first_sector"], std::stoull(m[1]));
  EXPECT_EQ(doc["bad_ranges"][0]["last_sector"], std::stoull(m[2]));
  // The report's "Last good Sector" is the first marker lost; the document names the marker
  // before it, the last one read back good, and counts only what that one proves as real.
  ASSERT_TRUE(std::regex_search(last.out, m, std::regex(R"(Last good Sector=(\d+)\))")));
  const auto firstLost = std::stoull(m[1]);
  EXPECT_EQ(doc["bad_ranges"][0]["first_sector"], firstLost);
  const std::uint64_t interval = doc["checked"]["interval_sectors"];
  const std::uint64_t lastGood = doc["sizes"]["last_good_sector"];
  EXPECT_LT(lastGood, firstLost);
  EXPECT_GE(lastGood + interval, firstLost) << "the neighbouring marker";
  EXPECT_EQ(doc["sizes"]["real_bytes"], (lastGood + 1) * 512);
  // Recommended: one interval below the first bad marker, as the report's MiB figure says.
  EXPECT_EQ(doc["sizes"]["recommended_bytes"], (firstLost - interval) * 512);
  // The demo fake holds 8,000,000,000 bytes: the real bytes counted are no more.
  EXPECT_LE(doc["sizes"]["real_bytes"].get<std::uint64_t>(), 8'000'000'000ULL);
  EXPECT_GT(doc["checked"]["lost"].get<int>(), 0);
  EXPECT_EQ(doc["drive"]["model"], "SIMTEK Flash Disk 32G");
  EXPECT_EQ(doc["drive"]["announced_bytes"], doc["sizes"]["announced_bytes"]);
  ASSERT_TRUE(std::regex_search(last.out, m, std::regex(R"(\[(\d+)sectors checked\])")));
  EXPECT_EQ(doc["checked"]["good"].get<std::uint64_t>() + doc["checked"]["lost"].get<std::uint64_t>(),
            doc["checked"]["locations"].get<std::uint64_t>());
  // Every marker is written once and read twice, whatever else the run reads.
  EXPECT_GE(doc["io"]["read_requests"].get<std::uint64_t>(), 2 * std::stoull(m[1]));
}

// The probe's document holds what its report prints: the exact last good sector, the kind, the
// cache it found (none), and everything past the real memory as one bad range.
TEST_F(JsonDocument, TheProbesNumbersAreTheOnesTheReportPrints) {
  const json doc = Produce({"--simulate", "demo", "probe", "E:", "--yes"}, 1);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(last.out, m, std::regex(R"(\nLast good sector: (\d+)\n)")));
  const auto lastGood = std::stoull(m[1]);
  EXPECT_EQ(lastGood, 15'624'999u) << "the demo fake holds 8,000,000,000 bytes";
  EXPECT_EQ(doc["sizes"]["last_good_sector"], lastGood);
  EXPECT_EQ(doc["sizes"]["real_bytes"], (lastGood + 1) * 512);
  EXPECT_LE(doc["sizes"]["recommended_bytes"].get<std::uint64_t>(), (lastGood + 1) * 512);
  EXPECT_EQ(doc["fake_kind"], "limbo");
  EXPECT_EQ(doc["write_cache_bytes"], 0);
  const std::uint64_t total = doc["checked"]["total_sectors"];
  ASSERT_EQ(doc["bad_ranges"].size(), 1u);
  EXPECT_EQ(doc["bad_ranges"][0]["first_sector"], lastGood + 1);
  EXPECT_EQ(doc["bad_ranges"][0]["last_sector"], total - 1);
  EXPECT_TRUE(doc["io"]["write_latency_seconds"].is_number());
  EXPECT_TRUE(doc["io"]["read_latency_seconds"].is_number());
  EXPECT_GT(doc["io"]["write_requests"].get<std::uint64_t>(), 0u);
  EXPECT_EQ(doc["errors"], json::array());
}

// The fix runs the probe first in the same process, then partitions to the end it measured.
TEST_F(JsonDocument, TheFixGivesItsPartitionAndFileSystemAsTheReportDoes) {
  const json doc = Produce({"--simulate", "demo", "fix", "E:", "--yes"}, 0);
  EXPECT_EQ(doc["command"], "fix");
  EXPECT_EQ(doc["verdict"], "passed");
  const json& fix = doc["fix"];
  EXPECT_EQ(fix["table"], "mbr");
  EXPECT_EQ(fix["file_system"], "fat32") << "7.4 GiB: FAT32";
  EXPECT_EQ(fix["measured_by"], "probe");
  EXPECT_EQ(fix["first_sector"], 2048);
  // The demo fake holds 8,000,000,000 bytes: the last MiB boundary below is 7629 MiB.
  EXPECT_EQ(fix["last_sector"], 7629ull * 2048 - 1);
  EXPECT_EQ(fix["partition_bytes"], 7628ull << 20);
  EXPECT_EQ(fix["file_system_bytes"], 7628ull << 20);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(last.out, m, std::regex(R"(Partition 1: sectors (\d+) to (\d+) of 512 bytes)")));
  EXPECT_EQ(std::stoull(m[2]), fix["last_sector"].get<std::uint64_t>());

  // A size given past the real end (nothing measured in this process): the marks catch it
  // before the table; the size it is given within the real memory it takes.
  const json caught = Produce({"--simulate", "demo", "fix", "E:", "--yes", "--size", "8GiB"}, 1);
  EXPECT_EQ(caught["verdict"], "failed");
  EXPECT_EQ(caught["fake_kind"], "fake");
  EXPECT_EQ(caught["errors"][0]["code"], "fix_check_failed");
  const json refused = Produce({"--simulate", "demo", "fix", "E:", "--yes", "--size", "100GiB"}, 2);
  EXPECT_EQ(refused["verdict"], "not_run");
  EXPECT_EQ(refused["fix"], nullptr);
  EXPECT_EQ(refused["errors"][0]["code"], "refused");
  const json given = Produce({"--simulate", "demo", "fix", "E:", "--yes", "--size", "1GiB", "--fs", "exfat"}, 0);
  EXPECT_EQ(given["fix"]["measured_by"], "size");
  EXPECT_EQ(given["fix"]["file_system"], "exfat");
  EXPECT_EQ(given["fix"]["partition_bytes"], 1ull << 30);
}

TEST_F(JsonDocument, TheFileTestCountsItsSpaceAndItsSpeeds) {
  const json doc = Produce({"--simulate", "F:usb:2G:free=700Mi:delay=1", "files", "F:", "--yes"}, 0);
  EXPECT_EQ(doc["volume"], "F:");
  EXPECT_EQ(doc["sizes"]["tested_bytes"], doc["sizes"]["good_bytes"]);
  EXPECT_GT(doc["sizes"]["tested_bytes"].get<std::uint64_t>(), 600ULL << 20);
  // The tested space is counted in whole MB, the bytes as written.
  EXPECT_GE(doc["io"]["bytes_written"].get<std::uint64_t>() + (1 << 20),
            doc["sizes"]["tested_bytes"].get<std::uint64_t>());
  ASSERT_EQ(doc["timings"]["phases"].size(), 2u);
  EXPECT_EQ(doc["timings"]["phases"][0]["direction"], "write");
  EXPECT_EQ(doc["timings"]["phases"][1]["direction"], "read");
}

// What the phases say they moved is what the run's requests moved: a phase that counted the
// file bytes its samples cover would claim far more than was read.
TEST_F(JsonDocument, TheFileTestsPhasesAddUpToTheirRequests) {
  struct Run {
    const char* name;
    std::vector<std::string> args;
  };
  const Run runs[] = {
      {"plain", {"--simulate", "F:usb:2G:free=300Mi:delay=1", "files", "F:", "--yes"}},
      {"thorough", {"--simulate", "F:usb:2G:free=300Mi:delay=1", "files", "F:", "--thorough", "--yes"}},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(run.name);
    const json doc = Produce(run.args, 0);
    std::uint64_t written = 0;
    std::uint64_t read = 0;
    for (const json& phase : doc["timings"]["phases"]) {
      (phase["direction"] == "write" ? written : read) += phase["bytes"].get<std::uint64_t>();
    }
    const auto ioWritten = doc["io"]["bytes_written"].get<std::uint64_t>();
    const auto ioRead = doc["io"]["bytes_read"].get<std::uint64_t>();
    // Requests outside the phases (headers of files already there, the volume's checks) may
    // add a little; the phases never count more than was moved.
    EXPECT_GT(read, 0u);
    EXPECT_LE(written, ioWritten);
    EXPECT_LE(read, ioRead);
    EXPECT_LT(ioWritten - written, 1u << 20);
    EXPECT_LT(ioRead - read, 1u << 20);
  }
}

TEST_F(JsonDocument, ListNamesEveryDrive) {
  const json doc = Produce({"--simulate", "demo", "list", "--all"}, 0);
  ASSERT_EQ(doc["drives"].size(), 2u);
  EXPECT_EQ(doc["drives"][0]["volumes"][0]["letter"], "E:");
  EXPECT_EQ(doc["drives"][0]["volumes"][0]["label"], "BARGAIN32");
  EXPECT_EQ(doc["drives"][1]["serial"], "SIM16000");
  EXPECT_TRUE(doc["all_drives"]);
}

TEST_F(JsonDocument, OnStdoutTheDocumentStandsAloneAndTheReportMovesToStderr) {
  last = RunSizewarden({"--simulate", "demo", "quick", "F:", "--yes", "--json", "-"}, script);
  EXPECT_EQ(last.status, 0);
  const json doc = json::parse(last.out);
  for (const std::string& v : SchemaViolations(schema, doc)) ADD_FAILURE() << v;
  EXPECT_NE(last.err.find("*** PASSED ***"), std::string::npos);
}

// Each row is a gap a document once had; the schema refuses every one of them.
TEST(ResultSchema, CatchesABrokenDocument) {
  const json schema = LoadResultSchema();
  const json list = json::parse(R"({"format":"sizewarden-result","format_version":2,
      "program":{"name":"sizewarden","version":"1"},"command":"list","verdict":"passed",
      "errors":[],"all_drives":false,"drives":[]})");
  EXPECT_TRUE(SchemaViolations(schema, list).empty());
  const json drive = json::parse(R"({"number":1,"device":"/dev/sdb","line":"[DRIVE 1]","model":"M",
      "serial":"S","media":"REMOVABLE MEDIA","usb":true,"announced_bytes":1024,"volumes":[]})");
  json quick = json::parse(R"({"format":"sizewarden-result","format_version":2,
      "program":{"name":"sizewarden","version":"1"},"command":"quick","volume":null,
      "verdict":"passed","fake_kind":"genuine","write_cache_bytes":null,"bad_ranges":[],
      "sizes":{"announced_bytes":1024,"real_bytes":1024,"recommended_bytes":null,
               "last_good_sector":null,"tested_bytes":null,"good_bytes":null},
      "checked":{"total_sectors":2,"interval_sectors":1,"locations":2,"good":2,"lost":0,
                 "wrong_number":0,"read_error":0,"write_error":0},
      "timings":{"elapsed_seconds":1,"phases":[{"name":"Writing markers","direction":"write",
                 "bytes":1024,"seconds":1}]},
      "speeds":{"write_bytes_per_second":1024,"read_bytes_per_second":null},
      "io":{"write_requests":2,"read_requests":4,"bytes_written":1024,"bytes_read":2048,
            "write_errors":0,"read_errors":0,"write_latency_seconds":null,
            "read_latency_seconds":null},
      "errors":[]})");
  quick["drive"] = drive;
  EXPECT_TRUE(SchemaViolations(schema, quick).empty()) << SchemaViolations(schema, quick).front();

  const auto with = [](json doc, const std::string& pointer, const json& value) {
    doc[json::json_pointer(pointer)] = value;
    return doc;
  };
  const json notRun = with(with(quick, "/verdict", "not_run"), "/fake_kind", nullptr);
  const struct {
    const char* gap;
    json doc;
  } rows[] = {
      {"wrong type", with(list, "/all_drives", "no")},
      {"missing field", [&] { json d = list; d.erase("drives"); return d; }()},
      {"unknown field", with(list, "/surprise", 1)},
      {"a test without its sizes", [&] { json d = quick; d.erase("sizes"); return d; }()},
      {"not run without a reason", notRun},
      {"cancelled without a reason", with(quick, "/verdict", "cancelled")},
      {"a list that could not look, without a reason", with(list, "/verdict", "not_run")},
      {"an error without its code", with(notRun, "/errors", json::array({"TEST ABORTED!"}))},
      {"an error code nobody knows", with(notRun, "/errors", json::parse(R"([{"code":"oops","message":""}])"))},
      {"a fake kind outside the vocabulary", with(with(quick, "/verdict", "failed"), "/fake_kind", "probably fake")},
      {"a verdict without a fake kind", with(quick, "/fake_kind", nullptr)},
      {"failed, yet genuine", with(quick, "/verdict", "failed")},
      {"passed, yet fake", with(quick, "/fake_kind", "fake")},
      {"a phase without a direction", with(quick, "/timings/phases/0/direction", "none")},
      {"the empty drive of a run that found none", with(notRun, "/drive/number", 0)},
      {"a verdict on no drive", with(quick, "/drive", nullptr)},
      {"an old format", with(list, "/format_version", 1)},
  };
  for (const auto& row : rows) {
    EXPECT_FALSE(SchemaViolations(schema, row.doc).empty()) << row.gap;
  }
}

// Every way a run can end without a verdict names its reason with a code, and the exit status
// agrees with the document.
TEST_F(JsonDocument, EveryRunWithoutAVerdictSaysWhy) {
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* verdict;
    const char* code;
    const char* words;  // in the message
  };
  const Row rows[] = {
      {{"--simulate", "demo", "quick", "E:"}, 2, "not_run", "answered_cancel", "Quick Size Test: WARNING"},
      {{"--simulate", "demo", "probe", "E:"}, 2, "not_run", "answered_cancel", "Exact Probe: "},
      {{"--simulate", "demo", "files", "F:"}, 2, "not_run", "answered_cancel", "File Test: OK to fill F:"},
      {{"--simulate", "demo", "quick", "Q:", "--yes"}, 2, "not_run", "unknown_drive", "no drive Q:"},
      {{"--simulate", "demo", "quick", "7", "--yes"}, 2, "not_run", "bad_arguments", "not a drive letter"},
      {{"--simulate", "demo", "quick", "\\\\.\\PhysicalDrive0", "--yes"}, 2, "not_run", "system_disk", "running system"},
      {{"--simulate", "E:8G:vol=F:", "files", "F:", "--yes"}, 2, "not_run", "no_volume", "not the first volume"},
      {{"--simulate", "F:usb:2G:free=100k", "files", "F:", "--yes"}, 2, "not_run", "refused", "too full"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const json doc = Produce(row.args, row.status);
    EXPECT_EQ(doc["verdict"], row.verdict);
    ASSERT_EQ(doc["errors"].size(), 1u) << doc["errors"];
    EXPECT_EQ(doc["errors"][0]["code"], row.code);
    EXPECT_NE(doc["errors"][0]["message"].get<std::string>().find(row.words), std::string::npos)
        << doc["errors"][0]["message"];
  }
}

TEST_F(JsonDocument, ACommandLineThatCannotBeParsedStillGivesItsDocument) {
  const struct {
    std::vector<std::string> args;
    json command;
  } rows[] = {
      {{"--simulate", "demo", "quick"}, "quick"},
      {{"--simulate", "demo", "quick", "E:", "--bogus"}, "quick"},
      {{"--simulate", "demo", "frobnicate"}, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const json doc = Produce(row.args, 2);
    EXPECT_EQ(doc["command"], row.command);
    EXPECT_EQ(doc["verdict"], "not_run");
    EXPECT_EQ(doc["drive"], nullptr);
    ASSERT_EQ(doc["errors"].size(), 1u);
    EXPECT_EQ(doc["errors"][0]["code"], "bad_arguments");
  }
}

// The document names the drive as its questions did, and each test's verdict in one vocabulary.
TEST_F(JsonDocument, TheDriveAndTheKindAreTheOnesTheQuestionsAndVerdictsName) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* kind;
  } rows[] = {
      {{"--simulate", "demo", "quick", "E:", "--yes"}, 1, "fake"},
      {{"--simulate", "demo", "quick", "F:", "--yes"}, 0, "genuine"},
      {{"--simulate", "demo", "probe", "E:", "--yes"}, 1, "limbo"},
      {{"--simulate", "demo", "probe", "F:", "--yes"}, 0, "genuine"},
      {{"--simulate", "E:8G:real=2G:wrap", "probe", "E:", "--yes"}, 1, "wraparound"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const json doc = Produce(row.args, row.status);
    EXPECT_EQ(doc["fake_kind"], row.kind);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(last.err, m, std::regex(R"(serial ([^,]+), ([\d,]+) bytes)"))) << last.err;
    EXPECT_EQ(doc["drive"]["serial"], m[1].str());
    EXPECT_EQ(doc["drive"]["announced_bytes"], std::stoull(std::regex_replace(m[2].str(), std::regex(","), "")));
    EXPECT_EQ(doc["sizes"]["announced_bytes"], doc["drive"]["announced_bytes"]);
  }
}

// The probe's phases write and read by turns; its speeds come from its requests' own times.
TEST_F(JsonDocument, TheProbesPhasesHaveADirectionAndItsSpeedsAreFilled) {
  const json doc = Produce({"--simulate", "E:8G:real=2G:speed=20M", "probe", "E:", "--yes"}, 1);
  ASSERT_FALSE(doc["timings"]["phases"].empty());
  for (const json& phase : doc["timings"]["phases"]) EXPECT_EQ(phase["direction"], "read_write") << phase;
  const json& io = doc["io"];
  const double write = doc["speeds"]["write_bytes_per_second"].get<double>();
  const double read = doc["speeds"]["read_bytes_per_second"].get<double>();
  EXPECT_NEAR(write, io["bytes_written"].get<double>() /
                         (io["write_latency_seconds"].get<double>() * io["write_requests"].get<double>()),
              write * 1e-9);
  // The simulated stick writes at 20 MB/s and reads twice as fast.
  EXPECT_GT(write, 10e6);
  EXPECT_LT(write, 30e6);
  EXPECT_GT(read, write);
  EXPECT_NE(last.out.find("Average speed: write "), std::string::npos);
  EXPECT_EQ(last.out.find("Average speed: write none"), std::string::npos) << last.out;
}

}  // namespace
}  // namespace sw::report::testing
