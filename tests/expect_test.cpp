// KX508_EXPECT: a replay checked frame by frame and line by line against an expected run
// that an earlier replay wrote, the first difference named with its place in the script.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "library_fixture.h"
#include "png.h"

namespace fs = std::filesystem;

namespace {

const char* const kScript = "KX508_PERIODIC(3);\nKX508_KBD(97);\nKX508_PERIODIC(4);\n";

class ExpectTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    write("run.scr", kScript);
    set_env("KX508_PLAY", "run.scr");
    set_env("KX508_FRAMES", "expected");
    set_env("KX508_LOG", "expected/log.txt");
    EXPECT_EQ(replay(), 0);
    set_env("KX508_FRAMES", nullptr);
    set_env("KX508_LOG", nullptr);
    set_env("KX508_EXPECT", "expected");
  }

  void TearDown() override {
    for (const char* name : {"KX508_PLAY", "KX508_FRAMES", "KX508_LOG", "KX508_EXPECT"})
      set_env(name, nullptr);
    LibraryTest::TearDown();
  }

  static void write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }

  // A program that draws a square a step further at each periodic event and logs each key;
  // with extra_shape, one more square from the fifth event on; with asks, after the third
  // event it asks for a reply and then for the visible area. Returns the run's status, and
  // what it said on standard error.
  int replay(bool extra_shape = false, bool asks = false) {
    kx508::reset_library();
    std::string why;
    EXPECT_TRUE(kx508::platform::open_backend("headless", &why)) << why;
    testing::internal::CaptureStderr();
    start();
    int steps = 0;
    for (Event e = wait(); e.kind != KX508_QUIT; e = wait()) {
      if (e.kind == KX508_KEY) KX508_log("key %c\n", e.key);
      if (e.kind != KX508_PERIODIC) continue;
      ++steps;
      if (asks && steps == 3) {
        char reply[16];
        KX508_gets("Name?", reply);
        KX508_visible_area(nullptr, nullptr, nullptr, nullptr);
      }
      KX508_draw_rectangle(KX508_BLUE, 10 * steps, 0, 10 * steps + 5, 5, 0);
      if (extra_shape && steps >= 5) KX508_draw_rectangle(KX508_RED, -50, -50, -40, -40, 0);
    }
    const int status = kx508::replay_finish(nullptr);
    said = testing::internal::GetCapturedStderr();
    return status;
  }

  std::string said;
};

TEST_F(ExpectTest, TheSameRunMatchesAndSaysSo) {
  EXPECT_EQ(replay(), 0);
  EXPECT_NE(said.find("matches the expected run (8 frames)"), std::string::npos) << said;
}

// The frame that differs is named with the script line played last and the first pixel in
// library coordinates, and the run stops there with status 4 and a picture.
TEST_F(ExpectTest, AChangedPixelIsFoundInItsFrame) {
  kx508::RgbPicture picture;
  std::string why;
  ASSERT_TRUE(kx508::read_png("expected/000006.png", &picture, &why)) << why;
  const int x = kx508::lib.windows.canvas_origin.x + 7, y = kx508::lib.windows.canvas_origin.y - 9;
  picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * 3] ^= 0xFF;
  ASSERT_TRUE(kx508::write_png("expected/000006.png", picture.width, picture.height,
                               picture.rgb.data(), &why));
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  EXPECT_EQ(said.substr(0, said.find('\n')),
            "KX508: differs from the expected run at frame 6 (after line 3 of run.scr: "
            "KX508_PERIODIC(4);): 1 pixel differs, the first at (7, 9); picture: kx508-expect.png");
  EXPECT_NE(said.find("differs from the expected run (status 4)"), std::string::npos);
  int width = 0, height = 0;
  ASSERT_TRUE(kx508::png_size("kx508-expect.png", &width, &height, &why)) << why;
  EXPECT_EQ(width, 3 * kx508::kCanvasWidth + 8);
}

// Before the script's first click, key or reply only ticks were played: a difference
// there is not the user's doing, and the line says what else may cause it.
TEST_F(ExpectTest, ADifferenceBeforeAnyInputNamesTheProgramsOwnClockOrRandomness) {
  const std::string hint =
      "; no click, key or reply was played before it: it may use a clock or randomness that "
      "is not the library's (KX508_time, KX508_rand)\n";
  fs::remove("expected/000003.png");  // MinGW's copy_file does not overwrite
  fs::copy_file("expected/000004.png", "expected/000003.png");
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  const std::string frame = said.substr(0, said.find('\n') + 1);
  EXPECT_EQ(frame.rfind("KX508: differs from the expected run at frame 3 (after line 1 of run.scr: "
                        "KX508_PERIODIC(3);): ", 0), 0u) << said;
  EXPECT_TRUE(frame.ends_with("; picture: kx508-expect.png" + hint)) << said;

  std::stringstream log;
  log << std::ifstream("expected/log.txt").rdbuf();
  const std::string first = log.str().substr(0, log.str().find('\n'));
  write("expected/log.txt", "not " + log.str());
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  EXPECT_EQ(said.substr(0, said.find('\n') + 1),
            "KX508: differs from the expected run at log line 1 (after line 1 of run.scr: "
            "KX508_PERIODIC(3);): "
            "expected \"not " + first + "\", got \"" + first + "\"" + hint) << said;
}

TEST_F(ExpectTest, AChangedLogLineIsNamedWithWhatWasExpected) {
  std::stringstream log;
  log << std::ifstream("expected/log.txt").rdbuf();
  std::string text = log.str();
  text.replace(text.find("key a"), 5, "key b");
  write("expected/log.txt", text);
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  EXPECT_EQ(said.substr(0, said.find('\n')),
            "KX508: differs from the expected run at log line 4 (after line 2 of run.scr: "
            "KX508_KBD(97);): expected \"key b\", got \"key a\"");
}

TEST_F(ExpectTest, FewerOrMoreFramesOrAnotherStatusDiffer) {
  fs::copy_file("expected/000008.png", "expected/000009.png");
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  EXPECT_NE(said.find(": it ended after 8 frames, the expected run has 9"), std::string::npos)
      << said;

  fs::remove("expected/000009.png");
  fs::rename("expected/000008.png", "last.png");
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  EXPECT_NE(said.find(": frame 8 (after line 3 of run.scr: KX508_PERIODIC(4);) is past the "
                      "expected run's last frame, 7"), std::string::npos) << said;

  fs::rename("last.png", "expected/000008.png");
  write("run.scr", std::string(kScript) + "not an event\n");
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  EXPECT_NE(said.find(": it ended with status 3, the expected run with 0"), std::string::npos)
      << said;
}

// A shape drawn wrong at the sixth event: its trace line names it, the frame that shows it
// follows, and no event is played after it.
TEST_F(ExpectTest, TheFirstDifferenceEndsTheRun) {
  EXPECT_EQ(replay(true), kx508::kExpectDiffers);
  EXPECT_EQ(said.substr(0, said.find("KX508: 6 events played")),
            "KX508: differs from the expected run at log line 7 (after line 3 of run.scr: "
            "KX508_PERIODIC(4);): expected \"blue rectangle with bounding box (60,5) to (65,0), "
            "filled\", got \"red rectangle with bounding box (-50,-40) to (-40,-50), filled\"\n"
            "KX508: differs from the expected run at frame 6 (after line 3 of run.scr: "
            "KX508_PERIODIC(4);): 121 pixels differ, the first at (-50, -40); picture: "
            "kx508-expect.png\n");
}

// A difference is placed after the line played last, which in a run may be a reply or a
// visible area the program took between two events, named with its own text.
TEST_F(ExpectTest, ARepliesOrAreasLineIsNamedWhenItWasPlayedLast) {
  write("run.scr", "KX508_RUN(1);\nKX508_PERIODIC(3);\nKX508_GETS(\"Ada\");\n"
                   "KX508_AREA(-300,-269,300,270);\nKX508_PERIODIC(2);\n");
  set_env("KX508_EXPECT", nullptr);
  set_env("KX508_FRAMES", "asked");
  EXPECT_EQ(replay(false, true), 0);
  set_env("KX508_FRAMES", nullptr);
  set_env("KX508_EXPECT", "asked");
  fs::remove("asked/000004.png");  // MinGW's copy_file does not overwrite, whatever it is told
  fs::copy_file("asked/000003.png", "asked/000004.png");  // the frame after the area, wrong
  EXPECT_EQ(replay(false, true), kx508::kExpectDiffers);
  EXPECT_NE(said.find("differs from the expected run at frame 4 (after line 4 of run.scr: "
                      "KX508_AREA(-300,-269,300,270);): "), std::string::npos) << said;
  // The reply played before it was the user's: the difference may be theirs to explain.
  EXPECT_EQ(said.find("it may use a clock"), std::string::npos) << said;
}

// An expected run made with the script named by a path matches a replay of the same script
// by another path: the library's lines that name it compare by its file name.
TEST_F(ExpectTest, TheScriptsFolderIsNoDifference) {
  const std::string whole = fs::absolute("run.scr").string();
  set_env("KX508_EXPECT", nullptr);
  set_env("KX508_PLAY", whole.c_str());
  set_env("KX508_FRAMES", "by-path");
  set_env("KX508_LOG", "by-path/log.txt");
  EXPECT_EQ(replay(), 0);
  set_env("KX508_FRAMES", nullptr);
  set_env("KX508_LOG", nullptr);
  set_env("KX508_PLAY", "run.scr");
  set_env("KX508_EXPECT", "by-path");
  EXPECT_EQ(replay(), 0) << said;

  fs::copy_file("run.scr", "other.scr");
  set_env("KX508_PLAY", "other.scr");
  EXPECT_EQ(replay(), kx508::kExpectDiffers);
  EXPECT_NE(said.find("at log line 9 (after line 3 of other.scr: KX508_PERIODIC(4);): expected "
                      "\"EOF encountered in script file " + whole + "\", got \"EOF encountered in "
                      "script file other.scr\""), std::string::npos) << said;
}

}  // namespace
