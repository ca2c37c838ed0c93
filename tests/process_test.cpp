// Confined child processes (process.h) on Linux: what a run is given, what it can reach,
// and limits that hold for the whole run, whatever it forks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "process.h"

namespace fs = std::filesystem;
using kx508::platform::process::Command;
using kx508::platform::process::End;
using kx508::platform::process::Ending;

namespace {

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto confinement = kx508::platform::process::confinement();
    if (!confinement.whole) GTEST_SKIP() << "runs cannot be confined here: " << confinement.missing;
    char name[] = "/tmp/kx508-process-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    root_ = name;
    fs::permissions(root_, fs::perms::owner_all | fs::perms::others_exec);
    fs::create_directory(root_ / "work");
  }
  void TearDown() override {
    if (!root_.empty()) fs::remove_all(root_);
  }

  // Runs sh -c script with a working folder under root, with nothing but the given
  // environment.
  Ending sh(const std::string& script, std::vector<std::string> env = {}) {
    command_.program = "/bin/sh";
    command_.arguments = {"-c", script};
    command_.environment = env;
    command_.folder = (root_ / "work").string();
    command_.output = (root_ / "out").string();
    command_.errors = (root_ / "err").string();
    if (command_.limits.wall_seconds == 60) command_.limits.wall_seconds = 20;
    return kx508::platform::process::run(command_);
  }
  std::string read(const fs::path& name) {
    std::ifstream in(root_ / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Processes whose command line holds the words: what a run left behind.
  static int processes_saying(const std::string& words) {
    int found = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      std::ifstream in(entry.path() / "cmdline");
      std::stringstream text;
      text << in.rdbuf();
      found += text.str().find(words) != std::string::npos && entry.path().filename() != "self";
    }
    return found;
  }

  fs::path root_;
  Command command_;
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

// The run has its inputs, what it may read, the system's programs and its working folder,
// and what it leaves there comes out; nothing else of this machine is there: not the files
// beside the working folder, not the password hashes, not a socket of this machine's, not
// another process.
TEST_F(ProcessTest, TheRunSeesOnlyWhatItIsGiven) {
  std::ofstream(root_ / "script.scr") << "KX508_KBD(97);\n";
  fs::create_directory(root_ / "library");
  std::ofstream(root_ / "library" / "lib.txt") << "library\n";
  std::ofstream(root_ / "secret") << "secret\n";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = (root_ / "socket").string();
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  command_.inputs = {(root_ / "script.scr").string()};
  command_.readable = {(root_ / "library").string()};
  const auto end = sh(
      "cat script.scr \"$LIB\"/lib.txt; mkdir frames && echo 1 > frames/000001.png;"
      "cat \"$ROOT\"/secret /etc/shadow; ls \"$ROOT\"; test -S \"$ROOT\"/socket && echo socket;"
      "test -e /proc/$PARENT/cmdline && echo parent; echo x > \"$LIB\"/lib.txt; exit 0",
      {"ROOT=" + root_.string(), "LIB=" + (root_ / "library").string(),
       "PARENT=" + std::to_string(::getpid())});
  ::close(listener);
  EXPECT_EQ(end.how, End::Exited);
  // Beside the working folder, only the folders made to hold what it was given.
  EXPECT_EQ(read("out"), "KX508_KBD(97);\nlibrary\nlibrary\nwork\n") << read("err");
  EXPECT_EQ(read("work/frames/000001.png"), "1\n");
  EXPECT_EQ(read("library/lib.txt"), "library\n");
  const std::string err = read("err");
  EXPECT_NE(err.find("secret: No such file"), std::string::npos) << err;
  EXPECT_NE(err.find("/etc/shadow: No such file"), std::string::npos) << err;
  EXPECT_NE(err.find("Read-only file system"), std::string::npos) << err;
  EXPECT_EQ(fs::exists(root_ / "work" / "script.scr"), true);  // its copy came back out
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

// Each limit is the whole run's: several processes that each stay under it meet it
// together, the run is ended whole, and nothing it forked is left.
TEST_F(ProcessTest, LimitsHoldForTheWholeRun) {
  command_.limits.processes = 8;
  auto end = sh("for i in 1 2 3 4 5 6 7 8 9 10 11 12; do sh -c 'sleep 30; true' kx508-forks & done; wait");
  EXPECT_EQ(end.how, End::Processes);
  EXPECT_EQ(processes_saying("kx508-forks"), 0);

  command_.limits = {};
  command_.limits.memory_bytes = 96LL << 20;
  end = sh("for i in 1 2 3; do /usr/bin/python3 -c 'b = b\"x\" * (48 << 20); import time; "
           "time.sleep(30)' kx508-memory & done; wait");
  EXPECT_EQ(end.how, End::Memory);
  EXPECT_EQ(processes_saying("kx508-memory"), 0);

  command_.limits = {};
  command_.limits.cpu_seconds = 1;
  end = sh("for i in 1 2; do /usr/bin/python3 -c 'while True: pass' kx508-spin & done; wait");
  EXPECT_EQ(end.how, End::CpuTime);
  EXPECT_GE(end.cpu_seconds, 1.0);
  EXPECT_EQ(processes_saying("kx508-spin"), 0);

  command_.limits = {};
  command_.limits.wall_seconds = 1;
  end = sh("(sh -c 'sleep 60; true' kx508-outlive &) ; sleep 60");
  EXPECT_EQ(end.how, End::WallTime);
  EXPECT_EQ(processes_saying("kx508-outlive"), 0);

  command_.limits = {};
  command_.limits.disk_bytes = 4 << 20;
  end = sh("head -c 8000000 /dev/zero > big; exit 0");
  EXPECT_EQ(end.how, End::Exited);
  EXPECT_TRUE(end.disk_full);
}

TEST_F(ProcessTest, ACrashIsTheSignalThatEndedIt) {
  const auto end = sh("kill -SEGV $$");
  EXPECT_EQ(end.how, End::Signalled);
  EXPECT_EQ(end.why, "SIGSEGV");
}

}  // namespace
