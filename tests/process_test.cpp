// Confined child processes (process.h) on Linux: what a run is given and what it can reach.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "process.h"

namespace fs = std::filesystem;
using kx508::platform::process::Command;
using kx508::platform::process::End;

namespace {

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/kx508-process-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    root_ = name;
    fs::create_directory(root_ / "work");
  }
  void TearDown() override { fs::remove_all(root_); }

  // Runs sh -c script in root/work, with nothing but the given environment.
  kx508::platform::process::Ending sh(const std::string& script, std::vector<std::string> env = {}) {
    Command c;
    c.program = "/bin/sh";
    c.arguments = {"-c", script};
    c.environment = env;
    c.folder = (root_ / "work").string();
    c.output = (root_ / "out").string();
    c.errors = (root_ / "err").string();
    c.limits.wall_seconds = 20;
    return kx508::platform::process::run(c);
  }
  std::string read(const std::string& name) {
    std::ifstream in(root_ / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path root_;
};

TEST_F(ProcessTest, TheRunHasTheEnvironmentGivenAndNoOther) {
  ASSERT_EQ(::setenv("KX508_PROCESS_TEST_SECRET", "kept", 1), 0);
  const auto end = sh("echo \"$ONLY,$KX508_PROCESS_TEST_SECRET\"; exit 7", {"ONLY=given"});
  EXPECT_EQ(end.how, End::Exited);
  EXPECT_EQ(end.code, 7);
  EXPECT_EQ(read("out"), "given,\n");
}

TEST_F(ProcessTest, ADescriptorOpenHereIsNotTheRuns) {
  const int fd = ::open((root_ / "mine").c_str(), O_WRONLY | O_CREAT, 0600);  // inheritable
  ASSERT_GE(fd, 3);
  sh("echo leaked >&" + std::to_string(fd));
  ::close(fd);
  EXPECT_EQ(read("mine"), "");
  EXPECT_NE(read("err").find("Bad file descriptor"), std::string::npos) << read("err");
}

TEST_F(ProcessTest, OnlyTheWorkingFolderIsWritable) {
  ASSERT_EQ(kx508::platform::process::confinement().rfind("each run in its own", 0), 0u)
      << "namespaces are needed here: " << kx508::platform::process::confinement();
  const auto end = sh("touch inside && touch ../outside");
  EXPECT_EQ(end.how, End::Exited);
  EXPECT_NE(end.code, 0);
  EXPECT_TRUE(fs::exists(root_ / "work" / "inside"));
  EXPECT_FALSE(fs::exists(root_ / "outside"));
  EXPECT_NE(read("err").find("Read-only file system"), std::string::npos) << read("err");
}

TEST_F(ProcessTest, AProgramThatCannotStartIsNotRunWithTheReason) {
  Command c;
  c.program = (root_ / "missing").string();
  c.folder = (root_ / "work").string();
  c.output = (root_ / "out").string();
  c.errors = (root_ / "err").string();
  const auto end = kx508::platform::process::run(c);
  EXPECT_EQ(end.how, End::NotRun);
  EXPECT_EQ(end.why, "starting the program: No such file or directory");
}

}  // namespace
