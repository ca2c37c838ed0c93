// Recording events to "KX508.SCR" and playing them back, including damaged files.
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "script_fixture.h"

namespace {

// A short name for the library's drawing window.
const kx508::platform::Window& draw_window = kx508::lib.windows.draw_window;

class ScriptTest : public ScriptFileTest {
 protected:
  static void record(std::vector<Event>* events, int periodic) {
    for (int i = 0; i < periodic; ++i) events->push_back(wait());
  }
};

const std::string kEofMessage = "EOF encountered in script file KX508.SCR\n";

TEST_F(ScriptTest, RecordedEventsPlayBackAsTheSameEvents) {
  kx508::on_command(kx508::kCmdRecord);
  KX508_set_animation(2);
  std::vector<Event> live;
  record(&live, 3);
  hl::click(draw_window, client_x(10), client_y(-20));
  live.push_back(wait());
  hl::type_char('a');
  live.push_back(wait());
  record(&live, 2);
  kx508::on_command(kx508::kCmdRecord);

  EXPECT_EQ(read_script(),
            "KX508_PERIODIC(3);\nKX508_MOUSE(10, -20);\nKX508_KBD(97);\nKX508_PERIODIC(2);\n");
  EXPECT_EQ(kx508::lib.script.periodic_count, 0);

  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_TRUE(menu_item_checked(kx508::kCmdPlayback));
  EXPECT_FALSE(kx508::lib.animation.running);
  std::int64_t started = hl::now_ms();
  for (const Event& expected : live) {
    Event played = wait();
    EXPECT_EQ(played.kind, expected.kind);
    EXPECT_EQ(played.x, expected.x);
    EXPECT_EQ(played.y, expected.y);
    EXPECT_EQ(played.key, expected.key);
  }
  // Scripted events do not wait for timer ticks.
  EXPECT_EQ(hl::now_ms(), started);

  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEofMessage);
  EXPECT_FALSE(kx508::lib.script.playback_on);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdPlayback));
}

TEST_F(ScriptTest, QuitIsNotRecordedButFlushesThePeriodicRun) {
  kx508::on_command(kx508::kCmdRecord);
  KX508_set_animation(2);
  wait();
  wait();
  kx508::on_command(kx508::kCmdQuit);
  EXPECT_EQ(wait().kind, KX508_QUIT);
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(read_script(), "KX508_PERIODIC(2);\n");
}

TEST_F(ScriptTest, RecordingEndedByAQuitAloneLeavesAnEmptyFile) {
  kx508::on_command(kx508::kCmdRecord);
  kx508::on_command(kx508::kCmdQuit);
  EXPECT_EQ(wait().kind, KX508_QUIT);
  KX508_stop();
  EXPECT_TRUE(std::filesystem::exists("KX508.SCR"));
  EXPECT_EQ(read_script(), "");
}

TEST_F(ScriptTest, LinesAreRecognisedByTheirSeventhCharacter) {
  write_script("KX508_MOUSE(-5, -7);\nxxxxxxM(-5, -7);\nKX508_KBD(97);\n\n\nKX508_PERIODIC(1);\n");
  kx508::on_command(kx508::kCmdPlayback);
  for (int i = 0; i < 2; ++i) {
    Event e = wait();
    EXPECT_EQ(e.kind, KX508_MOUSE);
    EXPECT_EQ(e.x, -5);
    EXPECT_EQ(e.y, -7);
    EXPECT_EQ(e.key, 0);
  }
  Event key = wait();
  EXPECT_EQ(key.kind, KX508_KEY);
  EXPECT_EQ(key.key, 'a');
  EXPECT_EQ(key.x, 0);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);  // empty lines skipped
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEofMessage);
}

TEST_F(ScriptTest, PeriodicCountsZeroAndOneDeliverOneEventEach) {
  write_script("KX508_PERIODIC(0);\nKX508_PERIODIC(1);\nKX508_KBD(66);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(kx508::lib.script.periodic_count, 0);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(wait().key, 'B');
}

TEST_F(ScriptTest, PlayOneDeliversOneEventPerRequest) {
  write_script("KX508_PERIODIC(4);\nKX508_KBD(120);\n");
  KX508_set_animation(2);
  for (int i = 0; i < 4; ++i) {
    hl::ctrl_key('o');
    Event e = wait();
    EXPECT_EQ(e.kind, KX508_PERIODIC) << i;
  }
  EXPECT_FALSE(kx508::lib.animation.running);
  // With no request the next wait is live again.
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  hl::ctrl_key('o');
  EXPECT_EQ(wait().key, 'x');
}

TEST_F(ScriptTest, EmptyFilesEndAtTheFirstRequest) {
  for (const char* text : {"", "\n\n\n", "\r\n"}) {
    write_script(text);
    kx508::on_command(kx508::kCmdPlayback);
    EXPECT_EQ(wait_or_click().kind, KX508_MOUSE) << text;
    EXPECT_EQ(log_lines().back(), kEofMessage);
    EXPECT_FALSE(kx508::lib.script.playback_on);
  }
}

TEST_F(ScriptTest, MissingFileIsReportedAndEndsPlayback) {
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), "Cannot open script file KX508.SCR for reading\n");
  EXPECT_FALSE(menu_item_checked(kx508::kCmdPlayback));
}

TEST_F(ScriptTest, UnwritableFileIsReportedAtEveryWriteAndRecordingStaysOn) {
  std::filesystem::create_directory("KX508.SCR");
  kx508::on_command(kx508::kCmdRecord);
  for (int i = 0; i < 2; ++i) {
    hl::type_char('k');
    wait();
  }
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "Cannot open script file KX508.SCR for writing\n");
  EXPECT_EQ(lines[2], lines[1]);
  EXPECT_TRUE(kx508::lib.script.recording_on);
  EXPECT_TRUE(menu_item_checked(kx508::kCmdRecord));
}

// Periodic events keep the pending run's line in the file, but a file that cannot be
// opened is not tried again (and said again) at every tick.
TEST_F(ScriptTest, AFailedOpenIsNotRetriedByEveryPeriodicEvent) {
  std::filesystem::create_directory("KX508.SCR");
  kx508::on_command(kx508::kCmdRecord);
  KX508_set_animation(2);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(log_lines(), (std::vector<std::string>{
                             kRecordingInputOnly,
                             "Cannot open script file KX508.SCR for writing\n"}));
  EXPECT_TRUE(kx508::lib.script.recording_on);
}

TEST_F(ScriptTest, LastLineWithoutALineEndIsPlayed) {
  write_script("KX508_KBD(49);\nKX508_KBD(50);");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '1');
  EXPECT_EQ(wait().key, '2');
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEofMessage);
}

TEST_F(ScriptTest, UnrecognisedLinePausesPlaybackWithAMessageAndPlaybackResumesAfterIt) {
  write_script("KX508_KBD(49);\n\n        \nKX508_KBD(50);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '1');
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  // Counted from the top, the skipped empty line included.
  EXPECT_EQ(log_lines(), std::vector<std::string>{
                             "Unrecognised line 3 in script file KX508.SCR; playback paused\n"});
  EXPECT_FALSE(kx508::lib.script.playback_on);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdPlayback));
  // Choosing playback again resumes with the following line.
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_TRUE(kx508::lib.script.playback_on);
  EXPECT_EQ(wait().key, '2');
}

TEST_F(ScriptTest, SwitchingPlaybackOffClosesTheFileSoTheNextStartsAtTheTop) {
  write_script("KX508_KBD(49);\nKX508_KBD(50);\n");
  hl::ctrl_key('p');
  EXPECT_EQ(wait().key, '1');
  kx508::on_command(kx508::kCmdPlayback);  // off: the file is closed
  EXPECT_FALSE(menu_item_checked(kx508::kCmdPlayback));
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(kx508::lib.script.file, nullptr);
  hl::ctrl_key('p');
  EXPECT_EQ(wait().key, '1');
}

TEST_F(ScriptTest, KeysAboveAsciiRoundTripAndOldNegativeKeysStillPlay) {
  kx508::on_command(kx508::kCmdRecord);
  hl::type_char(static_cast<char>(200));
  EXPECT_EQ(static_cast<unsigned char>(wait().key), 200);
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(read_script(), "KX508_KBD(200);\n");

  write_script("KX508_KBD(200);\nKX508_KBD(-56);\nKX508_KBD(456);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(static_cast<unsigned char>(wait().key), 200);
  EXPECT_EQ(static_cast<unsigned char>(wait().key), 200);
  EXPECT_EQ(static_cast<unsigned char>(wait().key), 456 & 0xFF);
}

TEST_F(ScriptTest, RecordingAndPlaybackRefuseToRunTogether) {
  write_script("KX508_KBD(49);\n");
  kx508::on_command(kx508::kCmdPlayback);
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdRecord));
  ASSERT_EQ(log_lines().size(), 1u);
  EXPECT_NE(log_lines()[0].find("while playing it back"), std::string::npos);
  EXPECT_EQ(wait().key, '1');  // playback went on undisturbed

  kx508::on_command(kx508::kCmdPlayback);  // off
  kx508::on_command(kx508::kCmdRecord);
  ASSERT_TRUE(kx508::lib.script.recording_on);
  kx508::on_command(kx508::kCmdPlayback);
  kx508::on_command(kx508::kCmdPlayOne);
  EXPECT_FALSE(kx508::lib.script.playback_on);
  EXPECT_FALSE(kx508::lib.script.play_one_pending);
  ASSERT_EQ(log_lines().size(), 4u);
  EXPECT_EQ(log_lines()[1], kRecordingInputOnly);
  EXPECT_NE(log_lines()[2].find("while recording it"), std::string::npos);
  // The recording is intact.
  hl::type_char('z');
  wait();
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(read_script(), "KX508_KBD(122);\n");
}

TEST_F(ScriptTest, PlayOneAfterAnEarlierPlayOneStillRecordsAfresh) {
  write_script("KX508_KBD(49);\nKX508_KBD(50);\n");
  hl::ctrl_key('o');
  EXPECT_EQ(wait().key, '1');
  // The file is open for reading; recording must start a new file, not write into it.
  kx508::on_command(kx508::kCmdRecord);
  hl::type_char('z');
  wait();
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(read_script(), "KX508_KBD(122);\n");
}

TEST_F(ScriptTest, PeriodicRunCutShortLeavesNoCountBehind) {
  write_script("KX508_PERIODIC(10);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(kx508::lib.script.periodic_count, 9);
  kx508::on_command(kx508::kCmdPlayback);  // off mid-run
  EXPECT_EQ(kx508::lib.script.periodic_count, 0);

  kx508::on_command(kx508::kCmdRecord);
  KX508_set_animation(1);
  wait();
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(read_script(), "KX508_PERIODIC(1);\n");
}

TEST_F(ScriptTest, NumbersAreSearchedOnlyWithinTheirLine) {
  // No number on the key line: unrecognised, and the next line's digits are not taken.
  write_script("KX508_KBD();\nKX508_KBD(65);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  kx508::on_command(kx508::kCmdPlayback);  // resumes after the unrecognised line
  EXPECT_EQ(wait().key, 'A');
  kx508::on_command(kx508::kCmdPlayback);  // off: closes the file

  write_script("KX508_MOUSE(12);\nKX508_MOUSE(3, 4);\n");
  kx508::on_command(kx508::kCmdPlayback);
  Event e = wait_or_click();
  EXPECT_EQ(e.kind, KX508_MOUSE);
  // The live click at the client area's corner, not (12, 3).
  EXPECT_EQ(e.x, -kx508::lib.windows.canvas_origin.x);
  EXPECT_EQ(e.y, kx508::lib.windows.canvas_origin.y);
}

TEST_F(ScriptTest, PeriodicCountsTakeTheDigitsAndClicksTheSignedRunAsAtoiDoes) {
  write_script("KX508_PERIODIC(-3);\nKX508_MOUSE(--5, 7);\nKX508_MOUSE(5-3, -0);\n");
  kx508::on_command(kx508::kCmdPlayback);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(wait().kind, KX508_PERIODIC);
  Event a = wait();
  EXPECT_EQ(a.kind, KX508_MOUSE);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.y, 7);
  Event b = wait();
  EXPECT_EQ(b.x, 5);
  EXPECT_EQ(b.y, 0);
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEofMessage);
}

TEST_F(ScriptTest, HugeNumbersAreClamped) {
  write_script("KX508_MOUSE(99999999999999999999, -99999999999999999999);\n");
  kx508::on_command(kx508::kCmdPlayback);
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_MOUSE);
  EXPECT_EQ(e.x, INT_MAX);
  EXPECT_EQ(e.y, INT_MIN);
}

// A recorder counts a periodic run in an int: INT_MAX still plays, one more is no count
// any recording holds, and would play for days as INT_MAX.
TEST_F(ScriptTest, PeriodicCountsOverIntMaxAreUnrecognisedLines) {
  write_script("KX508_PERIODIC(2147483647);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(kx508::lib.script.periodic_count, INT_MAX - 1);
  kx508::on_command(kx508::kCmdPlayback);  // off: closes the file

  for (const char* count : {"2147483648", "100000000000000000000"}) {
    write_script(std::string("KX508_KBD(49);\nKX508_PERIODIC(") + count + ");\nKX508_KBD(50);\n");
    kx508::on_command(kx508::kCmdPlayback);
    EXPECT_EQ(wait().key, '1');
    EXPECT_EQ(wait_or_click().kind, KX508_MOUSE) << count;
    EXPECT_EQ(log_lines().back(), "Unrecognised line 2 in script file KX508.SCR; playback paused\n");
    kx508::on_command(kx508::kCmdPlayback);  // resumes after it
    EXPECT_EQ(wait().key, '2');
    kx508::on_command(kx508::kCmdPlayback);
  }
}

TEST_F(ScriptTest, OverlongLineIsOneUnrecognisedLine) {
  std::string longline = "KX508_KBD(49);" + std::string(600, '7') + "\n";
  write_script(longline + "KX508_KBD(50);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '2');
  kx508::on_command(kx508::kCmdPlayback);  // off: closes the file

  // A line of exactly 511 characters is still an ordinary line.
  std::string full = "KX508_KBD(51);" + std::string(511 - 14, ' ') + "\n";
  ASSERT_EQ(full.size(), 512u);
  write_script(full + "KX508_KBD(52);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '3');
  EXPECT_EQ(wait().key, '4');
}

TEST_F(ScriptTest, StopWritesThePendingPeriodicRunAndEndsTheRecording) {
  kx508::on_command(kx508::kCmdRecord);
  hl::type_char('a');
  wait();
  KX508_set_animation(2);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(wait().kind, KX508_PERIODIC);
  KX508_stop();
  EXPECT_EQ(kx508::lib.script.file, nullptr);
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_EQ(read_script(), "KX508_KBD(97);\nKX508_PERIODIC(15);\n");
  // A wait after stopping records nothing more, so nothing empties the script.
  wait();
  EXPECT_EQ(read_script(), "KX508_KBD(97);\nKX508_PERIODIC(15);\n");
}

// The process entry ends a recording the program left running, as stopping would.
int record_and_return_without_stopping() {
  kx508::on_command(kx508::kCmdRecord);
  KX508_set_animation(1);
  KX508_wait_event(nullptr, nullptr, nullptr);
  return 0;
}

TEST_F(ScriptTest, ProcessEndWritesThePendingPeriodicRun) {
  EXPECT_EQ(KX508_process_entry("kx508-test", nullptr, "", 1, record_and_return_without_stopping), 0);
  EXPECT_EQ(read_script(), "KX508_PERIODIC(1);\n");
}

}  // namespace
