// kx508-grade's later runs of a script, held to the first run's frames as the grader keeps
// them, and the verdict of the two. The runs are stand-ins that write a frame and are
// judged by the grader's own comparison; the keeping and the verdict are the grader's.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "grade_compare.h"
#include "grade_repeat.h"
#include "png.h"

namespace fs = std::filesystem;

namespace {

// What the stand-in program does on each run, in turn: writes these bytes as its one frame,
// leaves a link there (kLink), or crashes (kCrash).
constexpr const char* kLink = "link";
constexpr const char* kCrash = "crash";
std::vector<std::string> runs_to_come;

// A 4 x 4 frame, black but for one white pixel.
std::string frame(int white_x) {
  std::vector<unsigned char> rgb(4 * 4 * 3, 0), png;
  for (int c = 0; c < 3; ++c) rgb[static_cast<std::size_t>(white_x) * 3 + c] = 255;
  EXPECT_TRUE(kx508::encode_png(4, 4, rgb.data(), &png));
  return std::string(png.begin(), png.end());
}

grade::Result stand_in_run(const fs::path& folder, const grade::ExpectedRun& expected) {
  grade::Result r;
  r.script = expected.script_name;
  const std::string does = runs_to_come.front();
  runs_to_come.erase(runs_to_come.begin());
  if (does == kCrash) {
    r.verdict = grade::Verdict::Crashed;
    r.summary = "crashed (SIGSEGV)";
    return r;
  }
  const fs::path frames = folder / "work" / "frames";
  fs::create_directories(frames);
  if (does == kLink) fs::create_symlink(expected.folder / "000001.png", frames / "000001.png");
  else std::ofstream(frames / "000001.png", std::ios::binary) << does;
  grade::compare_run(folder / "work", expected, &r);
  return r;
}

class GradeRepeatTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "kx508-repeat-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir = name;
    fs::create_directories(dir / "expected");
    std::ofstream(dir / "run.scr") << "KX508_PERIODIC(1);\n";
    std::ofstream(dir / "expected" / "000001.png", std::ios::binary) << frame(0);
    script = {"run.scr", dir / "run.scr", dir / "expected", {}};
  }
  void TearDown() override { fs::remove_all(dir); }

  // The verdict on the runs given, and how many of them were left unrun.
  grade::Result grade(std::vector<std::string> runs) {
    runs_to_come = std::move(runs);
    const grade::ExpectedRun expected = grade::load_expected(dir / "expected", script);
    return grade::run_repeated("program", script, expected, dir / "runs", options);
  }

  fs::path dir;
  grade::Script script;
  grade::Options options;
};

// A program that matched the expected run once but not on its next run is no pass.
TEST_F(GradeRepeatTest, ASecondRunThatDrawsOtherwiseMakesEvenAPassUnsteady) {
  const grade::Result r = grade({frame(0), frame(1)});
  EXPECT_EQ(r.verdict, grade::Verdict::Unsteady);
  EXPECT_EQ(r.summary, "draws differently on every run: it uses a clock or randomness that is "
                       "not the library's (KX508_time, KX508_rand)");
  ASSERT_EQ(r.details.size(), 2u);
  EXPECT_EQ(r.details[0], "run 1, against the expected run: passed");
  EXPECT_EQ(r.details[1].rfind("run 2, against run 1: differs at frame 1 (", 0), 0u) << r.details[1];
  EXPECT_FALSE(r.picture.empty());  // the second run's frame against the first's, the expected
  EXPECT_FALSE(fs::exists(dir / "runs"));

  options.repeat = 3;  // a third run, after a second that agreed with the first
  EXPECT_EQ(grade({frame(2), frame(2), frame(3)}).details.back().rfind("run 3, against run 1: ", 0),
            0u);
}

// Only a run that ended with status 0 and left its frames as files is run again: a crash,
// or a link where a frame goes, says how the program did already.
TEST_F(GradeRepeatTest, ARunWhoseFramesCannotBeKeptIsNotRunAgain) {
  for (const char* first : {kCrash, kLink}) {
    const grade::Result r = grade({first, frame(0)});
    EXPECT_NE(r.verdict, grade::Verdict::Unsteady) << first << ": " << r.summary;
    EXPECT_EQ(runs_to_come.size(), 1u) << first;
  }
}

}  // namespace

// The grader's runs, as the stand-in program makes them.
namespace grade {

Result run_leaving_files(const fs::path&, const Script&, const ExpectedRun& expected,
                         const fs::path& folder, const Options&) {
  return stand_in_run(folder, expected);
}

Result run(const fs::path&, const Script&, const ExpectedRun& expected, const fs::path& folder,
           const Options&) {
  Result r = stand_in_run(folder, expected);
  remove_tree(folder);
  return r;
}

void remove_tree(const fs::path& root) { fs::remove_all(root); }

}  // namespace grade
