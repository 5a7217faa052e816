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
  EXPECT_EQ(doc["errors"], json::array({"TEST ABORTED!"}));
  EXPECT_GT(doc["io"]["write_requests"].get<int>(), 0);
}

TEST_F(JsonDocument, TheFakesNumbersAreTheOnesTheReportPrints) {
  const json doc = Produce({"--simulate", "demo", "quick", "E:", "--yes"}, 1);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(last.out, m, std::regex(R"(BAD MEMORY from sector (\d+) .* to sector (\d+) )")));
  EXPECT_EQ(doc["bad_ranges"][0]["first_sector"], std::stoull(m[1]));
  EXPECT_EQ(doc["bad_ranges"][0]["last_sector"], std::stoull(m[2]));
  ASSERT_TRUE(std::regex_search(last.out, m, std::regex(R"(Last good Sector=(\d+)\))")));
  const auto lastGood = std::stoull(m[1]);
  EXPECT_EQ(doc["sizes"]["last_good_sector"], lastGood);
  EXPECT_EQ(doc["sizes"]["real_bytes"], lastGood * 512);
  // Recommended: one interval below the first bad marker, as the report's MiB figure says.
  const std::uint64_t interval = doc["checked"]["interval_sectors"];
  EXPECT_EQ(doc["sizes"]["recommended_bytes"], (lastGood - interval) * 512);
  // The demo fake holds 8 GB of its 32: nothing past its real memory is good.
  EXPECT_LT(doc["sizes"]["real_bytes"].get<std::uint64_t>(), 8'100'000'000ULL);
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

TEST(ResultSchema, CatchesABrokenDocument) {
  const json schema = LoadResultSchema();
  json doc = json::parse(R"({"format":"sizewarden-result","format_version":1,
      "program":{"name":"sizewarden","version":"1"},"command":"list","errors":[],
      "all_drives":false,"drives":[]})");
  EXPECT_TRUE(SchemaViolations(schema, doc).empty());
  json wrongType = doc;
  wrongType["all_drives"] = "no";
  json missing = doc;
  missing.erase("drives");
  json unknown = doc;
  unknown["surprise"] = 1;
  json quickWithoutSizes = doc;
  quickWithoutSizes["command"] = "quick";
  for (const json& broken : {wrongType, missing, unknown, quickWithoutSizes}) {
    EXPECT_FALSE(SchemaViolations(schema, broken).empty()) << broken.dump();
  }
}

}  // namespace
}  // namespace sw::report::testing
