// What a run left, read as untrusted (run_files.h): only regular files, no link followed on
// the way, no FIFO waited on, never more than asked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "run_files.h"

namespace fs = std::filesystem;
using kx508::platform::process::Left;
using kx508::platform::process::read_left;

namespace {

class RunFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/kx508-run-files-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    root_ = name;
    fs::create_directories(root_ / "work/frames");
    std::ofstream(root_ / "work/frames/log.txt") << "one\ntwo\n";
    std::ofstream(root_ / "outside.txt") << "the grader's own";
  }
  void TearDown() override { fs::remove_all(root_); }

  Left read(const std::string& relative, std::size_t most = 1 << 20) {
    data_.clear();
    why_.clear();
    return read_left((root_ / "work").string(), relative, most, &data_, &why_);
  }

  fs::path root_;
  std::string data_, why_;
};

TEST_F(RunFilesTest, ARegularFileIsReadWholeOrCutAtTheLimit) {
  EXPECT_EQ(read("frames/log.txt"), Left::Whole);
  EXPECT_EQ(data_, "one\ntwo\n");
  EXPECT_EQ(read("frames/log.txt", 5), Left::Cut);
  EXPECT_EQ(data_, "one\nt");
  EXPECT_EQ(read("frames/000001.png"), Left::Missing);
  EXPECT_EQ(read("gone/000001.png"), Left::Missing);
}

TEST_F(RunFilesTest, LinksFifosAndFoldersAreNotRead) {
  fs::create_symlink(root_ / "outside.txt", root_ / "work/frames/000001.png");
  fs::create_directory_symlink(root_, root_ / "work/linked");
  ASSERT_EQ(::mkfifo((root_ / "work/frames/000002.png").c_str(), 0600), 0);
  fs::create_directory(root_ / "work/frames/000003.png");
  std::ofstream(root_ / "work/not-a-folder") << "x";
  for (const char* name : {"frames/000001.png", "linked/outside.txt", "frames/000002.png",
                           "frames/000003.png", "not-a-folder/log.txt"}) {
    EXPECT_EQ(read(name), Left::Unusable) << name;
    EXPECT_TRUE(data_.empty()) << name;
    EXPECT_FALSE(why_.empty()) << name;
  }
}

}  // namespace
