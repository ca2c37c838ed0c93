// Replaying without a screen: KX508_PLAY plays the named script from the top at start
// and sends quit at its end, KX508_FRAMES writes the frames the window is given,
// KX508_LOG the log's lines, and the replay has a clock of its own.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "files.h"
#include "library_fixture.h"

namespace fs = std::filesystem;

namespace {

class ReplayTest : public LibraryTest {
 protected:
  void TearDown() override {
    for (const char* name : {"KX508_PLAY", "KX508_FRAMES", "KX508_FRAMES_EVERY", "KX508_LOG",
                             "KX508_PLAY_PACE", "KX508_PLAY_TO"})
      set_env(name, nullptr);
    LibraryTest::TearDown();
  }

  static void write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }

  // The file's bytes, or its text: a text file's line ends are the system's own.
  static std::string read(const std::string& name, bool text = false) {
    std::stringstream s;
    s << std::ifstream(name, text ? std::ios::in : std::ios::binary).rdbuf();
    return s.str();
  }

  static std::vector<std::string> files_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ReplayTest, PlaysTheNamedScriptFromTheStartThenQuitsAtItsEnd) {
  write("run.scr", "KX508_KBD(97);\nKX508_PERIODIC(2);\nKX508_MOUSE(3, -4);\n");
  write("KX508.SCR", "KX508_KBD(122);\n");  // not this one
  set_env("KX508_PLAY", "run.scr");
  start();
  EXPECT_TRUE(menu_item_checked(kx508::kCmdPlayback));
  EXPECT_EQ(wait().key, 'a');
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  Event click = wait();
  EXPECT_EQ(click.kind, KX508_MOUSE);
  EXPECT_EQ(click.x, 3);
  // The end is reported as playback always reports it, and quit follows at once.
  EXPECT_EQ(wait().kind, KX508_QUIT);
  EXPECT_EQ(log_lines().back(), "EOF encountered in script file run.scr\n");
  EXPECT_EQ(hl::now_ms(), 0);  // as fast as the program asks: no timer tick waited for
}

// A program that ends at the script's last event has had it all: the summary says so.
TEST_F(ReplayTest, TheSummarySaysAllEventsPlayedWhenTheProgramEndsAtTheLast) {
  write("run.scr", "KX508_PERIODIC(1);\nKX508_MOUSE(1, 2);\n\n");
  set_env("KX508_PLAY", "run.scr");
  set_env("KX508_FRAMES", "one");
  set_env("KX508_FRAMES_EVERY", "100");
  start();
  while (wait().kind != KX508_MOUSE) {
  }
  KX508_stop();
  testing::internal::CaptureStderr();
  EXPECT_EQ(kx508::replay_finish(nullptr), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "KX508: all 2 events played from run.scr; 1 frame written to one; the program ended "
            "on its own\n");
}

// Paced, a script plays as it was recorded: a periodic event at each timer tick, the keys
// and clicks between them at once.
TEST_F(ReplayTest, APacedScriptPlaysAPeriodicEventATick) {
  write("run.scr", "KX508_PERIODIC(3);\nKX508_KBD(97);\nKX508_PERIODIC(2);\n");
  set_env("KX508_PLAY", "run.scr");
  set_env("KX508_PLAY_PACE", "1");
  start();
  std::vector<std::pair<int, std::int64_t>> played;
  for (Event e = wait(); e.kind != KX508_QUIT; e = wait()) played.push_back({e.kind, hl::now_ms()});
  EXPECT_EQ(played, (std::vector<std::pair<int, std::int64_t>>{
                        {KX508_PERIODIC, 100}, {KX508_PERIODIC, 200}, {KX508_PERIODIC, 300},
                        {KX508_KEY, 300}, {KX508_PERIODIC, 400}, {KX508_PERIODIC, 500}}));
}

// KX508_PLAY_TO=k plays k events at once, then pauses playback where it is, the animation
// halted, until Ctrl+O or Ctrl+P goes on.
TEST_F(ReplayTest, PlayToPausesAfterThatManyEventsUntilPlayOneOrPlaybackGoesOn) {
  write("run.scr", "KX508_PERIODIC(3);\nKX508_KBD(97);\nKX508_KBD(98);\nKX508_KBD(99);\n");
  set_env("KX508_PLAY", "run.scr");
  set_env("KX508_PLAY_TO", "2");
  start();
  KX508_set_animation(KX508_ANIMATION_RUN);  // as the program would; the pause halts it
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(hl::now_ms(), 0);
  hl::ctrl_key('o');  // paused in the middle of the periodic run: its last event
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(log_lines().back(),
            "Playback paused after 2 events of run.scr: Ctrl+O plays one more, Ctrl+P plays "
            "on, Ctrl+A runs the program from here\n");
  EXPECT_FALSE(kx508::lib.animation.running);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdPlayback));
  hl::ctrl_key('o');
  EXPECT_EQ(wait().key, 'a');
  hl::ctrl_key('p');
  EXPECT_EQ(wait().key, 'b');
  EXPECT_EQ(wait().key, 'c');
  EXPECT_EQ(wait().kind, KX508_QUIT);
}

TEST_F(ReplayTest, AnUnrecognisedLineEndsTheReplayWithQuitToo) {
  write("run.scr", "KX508_KBD(97);\nnot an event\nKX508_KBD(98);\n");
  set_env("KX508_PLAY", "run.scr");
  start();
  EXPECT_EQ(wait().key, 'a');
  EXPECT_EQ(wait().kind, KX508_QUIT);
  EXPECT_EQ(log_lines().back(), "Unrecognised line 2 in script file run.scr; playback paused\n");
}

TEST_F(ReplayTest, MessagesNameThePlayedScriptAndTheRecordedOneApart) {
  write("run.scr", "KX508_KBD(97);\nKX508_KBD(98);\n");
  set_env("KX508_PLAY", "run.scr");
  start();
  EXPECT_EQ(wait().key, 'a');
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(log_lines().back(),
            "Cannot record script file KX508.SCR while playing back run.scr; stop playback first\n");
}

TEST_F(ReplayTest, TheClockStartsAtAFixedSecondAndMovesWithThePeriodicEvents) {
  write("run.scr", "KX508_PERIODIC(25);\n");
  set_env("KX508_PLAY", "run.scr");
  start();
  const long long first = KX508_time();
  for (int i = 0; i < 25; ++i) ASSERT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(KX508_time(), first + 2);  // 25 ticks of 100 ms
  // Without a replay, the real clock.
  kx508::reset_library();
  set_env("KX508_PLAY", nullptr);
  EXPECT_GT(KX508_time(), first + 100'000'000);
}

// Randomness is std::rand's unless a script replays; then the library's own generator,
// which no other use of std::rand or std::srand disturbs.
TEST_F(ReplayTest, RandomnessIsTheSystemsOwnUnlessAScriptReplays) {
  auto draws = [](unsigned seed) {
    KX508_srand(seed);
    std::vector<int> v;
    for (int i = 0; i < 8; ++i) v.push_back(KX508_rand());
    return v;
  };
  const std::vector<int> system = draws(7);
  std::srand(7);
  for (int value : system) EXPECT_EQ(value, std::rand());

  write("run.scr", "KX508_PERIODIC(1);\n");
  set_env("KX508_PLAY", "run.scr");
  const std::vector<int> replayed = draws(7);
  std::srand(7);
  std::rand();
  EXPECT_EQ(draws(7), replayed);
  EXPECT_NE(draws(8), replayed);
  for (int value : replayed) EXPECT_TRUE(value >= 0 && value <= 32767) << value;
  EXPECT_NE(std::count(replayed.begin(), replayed.end(), replayed[0]), 8);
}

TEST_F(ReplayTest, FramesAreWrittenByNumberEveryNthAndTheLastAlways) {
  write("run.scr", "KX508_PERIODIC(7);\n");
  set_env("KX508_PLAY", "run.scr");
  set_env("KX508_FRAMES", "out/frames");  // made when missing
  set_env("KX508_FRAMES_EVERY", "3");
  start();
  for (int drawn = 0; wait().kind != KX508_QUIT; ++drawn)
    KX508_draw_rectangle(2, drawn, 0, drawn, 0, 0);
  kx508::replay_finish(nullptr);
  // One frame for each copy of the canvas to the window: the first paint, and the drawing
  // after each of seven events.
  EXPECT_EQ(files_in("out/frames"),
            (std::vector<std::string>{"000003.png", "000006.png", "000008.png",
                                      "script-lines.txt"}));
  const std::string png = read("out/frames/000008.png");
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

// A frames folder is one run's at a time: a second claim, under any name, is held off
// until the first process ends.
TEST_F(ReplayTest, AFolderIsClaimedByOneRunAtATime) {
  fs::create_directory("claimed");
  EXPECT_EQ(kx508::platform::files::claim_folder("claimed"), kx508::platform::files::Claim::Claimed);
  std::string why;
  EXPECT_EQ(kx508::platform::files::claim_folder("./claimed/", &why), kx508::platform::files::Claim::Held);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(kx508::platform::files::claim_folder("missing"), kx508::platform::files::Claim::Failed);
}

TEST_F(ReplayTest, TheLogFileGetsMessagesAndTraceLinesAsTheyAreLogged) {
  write("run.scr", "KX508_PERIODIC(1);\n");
  set_env("KX508_PLAY", "run.scr");
  set_env("KX508_LOG", "log.txt");
  start();
  KX508_draw_rectangle(4, 0, 0, 1, 1, 0);  // logging is on: a trace line
  KX508_set_logging(0);
  KX508_draw_rectangle(4, 0, 0, 1, 1, 0);  // off: none
  KX508_draw_rectangle(99, 0, 0, 1, 1, 0);  // a warning, logging or not
  while (wait().kind != KX508_QUIT) {
  }
  EXPECT_EQ(read("log.txt", true),
            "blue rectangle with bounding box (0,1) to (1,0), filled\n"
            "Illegal color 99; using RED.\n"
            "EOF encountered in script file run.scr\n");
}

// Each message is a line of its own in the file, whether it ended its line or not, and
// one cut at the log's 1,023 bytes says so: a trace line's text ends ..." and the line.
TEST_F(ReplayTest, EveryMessageIsALineOfTheLogFileAndACutOneIsMarked) {
  set_env("KX508_LOG", "log.txt");
  start();
  KX508_log("no line end");
  const std::string long_text(2000, 'e');
  KX508_draw_text(0, 0, 0, long_text.c_str());
  KX508_log("%s", std::string(1500, 'm').c_str());
  KX508_log("last\n");
  KX508_stop();
  kx508::replay_finish(nullptr);
  std::istringstream file(read("log.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u) << read("log.txt");
  EXPECT_EQ(lines[0], "no line end");
  const std::string head = "black text at (0,0): \"";
  EXPECT_EQ(lines[1], head + std::string(1022 - head.size() - 4, 'e') + "...\"");
  EXPECT_EQ(lines[2], std::string(1020, 'm') + "...");
  EXPECT_EQ(lines[3], "last");
}

}  // namespace
