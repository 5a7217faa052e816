// `list` run by a user who may not open drives: a script must be able to tell "no permission"
// from "no sticks", so the exit status is not-run and the document says why.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr const char* kNobody = "65534";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program as the unprivileged user (or as is, when this is not root); the output
// lands in files the caller can read.
Ran RunAsNobody(const std::string& arguments) {
  const std::string dir = std::filesystem::temp_directory_path() / ("sw-list-rights-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string drop = ::geteuid() == 0 ? std::string("setpriv --reuid=") + kNobody + " --regid=" +
                                                  kNobody + " --clear-groups "
                                            : "";
  const std::string command = drop + SW_CLI_BINARY + " " + arguments + " >" + dir + "/out 2>" + dir + "/err";
  const int raw = std::system(command.c_str());
  Ran r;
  if (raw != -1 && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  r.out = ReadAll(dir + "/out");
  r.err = ReadAll(dir + "/err");
  std::filesystem::remove_all(dir);
  return r;
}

TEST(ListWithoutRights, ExitsNotRunAndSaysWhy) {
  if (::geteuid() == 0 && std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true") != 0) {
    GTEST_SKIP() << "cannot drop to an unprivileged user here";
  }
  const Ran plain = RunAsNobody("list");
  EXPECT_EQ(plain.status, 2) << plain.err;
  EXPECT_NE(plain.err.find("needs root"), std::string::npos) << plain.err;

  const Ran json = RunAsNobody("list --json -");
  EXPECT_EQ(json.status, 2) << json.err;
  EXPECT_NE(json.out.find("\"code\": \"needs_root\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"verdict\": \"not_run\""), std::string::npos) << json.out;
}

// The same machine seen by root lists normally (whatever it holds): the status above comes
// from the missing rights, not from the machine.
TEST(ListWithoutRights, RootGetsAnAnswer) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  const int raw = std::system((std::string(SW_CLI_BINARY) + " list >/dev/null 2>&1").c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 0);
}

}  // namespace
