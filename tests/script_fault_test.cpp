// The script file under faults: unreadable, unwritable, deleted or replaced while it
// plays, a working directory that takes no files, a full disk, and very large or binary
// scripts. Each gives its log line, the program goes on, and nothing recorded is lost.
// The cases that make their faults with POSIX calls (FIFOs, device links, locks, /proc,
// file size limits, fork) are built on POSIX systems only; the rest run everywhere.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "script_fixture.h"

namespace {

// A short name for the library's drawing window.
const kx508::platform::Window& draw_window = kx508::lib.windows.draw_window;

const std::string kCannotRead = "Cannot open script file KX508.SCR for reading\n";
const std::string kCannotOpenForWriting = "Cannot open script file KX508.SCR for writing\n";
const std::string kRefusedTheScript =
    "KX508.SCR is being recorded by another program; this recording keeps nothing (Ctrl+R ends "
    "it)\n";
const std::string kCannotWrite = "Cannot write script file KX508.SCR\n";
const std::string kEof = "EOF encountered in script file KX508.SCR\n";

#ifndef _WIN32
// A file size limit for this process, as a full disk would stop the writes; a write past
// it fails instead of raising the signal.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

// What another recorder does before it empties the script: it locks byte 2^62 of it (the
// byte every recorder locks, whatever its system). True when it got the lock.
bool lock_as_another_recorder(int fd) {
  struct flock byte {};
  byte.l_type = F_WRLCK;
  byte.l_whence = SEEK_SET;
  byte.l_start = 1LL << 62;
  byte.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &byte) == 0;
}
#endif

class ScriptFaultTest : public ScriptFileTest {
 protected:
  static Event type_and_wait(char c) {
    hl::type_char(c);
    return wait();
  }

  // Playback that refuses the file: the message, the mark gone, and live input still
  // reaching the program.
  static void expect_playback_refused() {
    kx508::on_command(kx508::kCmdPlayback);
    EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
    EXPECT_EQ(log_lines().back(), kCannotRead);
    EXPECT_FALSE(kx508::lib.script.playback_on);
    EXPECT_FALSE(menu_item_checked(kx508::kCmdPlayback));
    EXPECT_EQ(type_and_wait('z').key, 'z');
  }
};

#ifndef _WIN32
TEST_F(ScriptFaultTest, ScriptThatIsNotAFileIsReportedAsUnreadableAndNeverWaitedOn) {
  // A directory, a FIFO nobody writes to (opening it plainly would hang the program) and
  // an endless device: none is read.
  std::filesystem::create_directory("KX508.SCR");
  expect_playback_refused();
  std::filesystem::remove("KX508.SCR");

  ASSERT_EQ(mkfifo("KX508.SCR", 0600), 0);
  expect_playback_refused();
  std::filesystem::remove("KX508.SCR");

  std::filesystem::create_symlink("/dev/zero", "KX508.SCR");
  expect_playback_refused();
  std::filesystem::remove("KX508.SCR");

  std::filesystem::create_symlink("no-such-file", "KX508.SCR");
  expect_playback_refused();
}

TEST_F(ScriptFaultTest, ScriptThatIsNotAFileIsNeverWrittenOrWaitedOn) {
  // A FIFO with nobody at the other end, one with a reader (which would get the lines and
  // could block the program by not reading), and a device that swallows everything.
  auto expect_refused = [] {
    kx508::on_command(kx508::kCmdRecord);
    EXPECT_EQ(type_and_wait('a').key, 'a');
    EXPECT_EQ(log_lines().back(), kCannotOpenForWriting);
    // Retried at the next line, as for any failed open.
    EXPECT_TRUE(kx508::lib.script.recording_on);
    kx508::on_command(kx508::kCmdRecord);  // off
  };
  ASSERT_EQ(mkfifo("KX508.SCR", 0600), 0);
  expect_refused();
  int reader = open("KX508.SCR", O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  expect_refused();
  char got[64];
  EXPECT_EQ(read(reader, got, sizeof got), 0);  // nothing went into the FIFO
  close(reader);
  std::filesystem::remove("KX508.SCR");

  std::filesystem::create_symlink("/dev/null", "KX508.SCR");
  expect_refused();
}

TEST_F(ScriptFaultTest, RecordingHoldsTheScriptSoASecondRecorderLeavesItIntact) {
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(type_and_wait('a').key, 'a');
  // Another program that records in this folder takes the same lock before emptying the
  // file, and is refused it while this recording runs.
  int other = open("KX508.SCR", O_WRONLY);
  ASSERT_GE(other, 0);
  EXPECT_FALSE(lock_as_another_recorder(other));
  EXPECT_EQ(type_and_wait('b').key, 'b');
  kx508::on_command(kx508::kCmdRecord);  // off: the lock goes with the file
  EXPECT_EQ(read_script(), "KX508_KBD(97);\nKX508_KBD(98);\n");

  close(other);
}

// While another program holds the script, a recording here writes nothing to it, ever: not
// at its events, not when the other lets go, not at the Ctrl+R that ends it, not at the
// program's end; it says so once, and stays on until that Ctrl+R. Both orders of stopping.
TEST_F(ScriptFaultTest, ARecordingRefusedTheScriptNeverWritesIt) {
  for (const bool other_stops_first : {true, false}) {
    SCOPED_TRACE(other_stops_first ? "the other stops first" : "this one stops first");
    int other = open("KX508.SCR", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(other, 0);
    ASSERT_TRUE(lock_as_another_recorder(other));
    const std::string theirs = "KX508_KBD(97);\nKX508_KBD(99);\n";
    const ssize_t half = static_cast<ssize_t>(theirs.size() / 2);
    ASSERT_EQ(write(other, theirs.data(), half), half);
    const std::size_t logged = log_lines().size();
    kx508::on_command(kx508::kCmdRecord);
    EXPECT_EQ(type_and_wait('b').key, 'b');
    EXPECT_EQ(type_and_wait('x').key, 'x');
    const std::vector<std::string> said = log_lines();
    EXPECT_EQ(std::count(said.begin() + static_cast<long>(logged), said.end(), kRefusedTheScript), 1);
    EXPECT_TRUE(kx508::lib.script.recording_on);
    EXPECT_TRUE(menu_item_checked(kx508::kCmdRecord));
    KX508_set_animation(KX508_ANIMATION_RUN);  // ticks too, while the other still holds it
    EXPECT_EQ(wait().kind, KX508_PERIODIC);
    EXPECT_EQ(wait().kind, KX508_PERIODIC);
    KX508_set_animation(KX508_ANIMATION_HALT);
    if (other_stops_first) {
      ASSERT_EQ(write(other, theirs.data() + half, half), half);
      close(other);
      EXPECT_EQ(type_and_wait('y').key, 'y');
      kx508::on_command(kx508::kCmdRecord);  // the Ctrl+R that ends this recording
    } else {
      kx508::on_command(kx508::kCmdRecord);
      ASSERT_EQ(write(other, theirs.data() + half, half), half);
      close(other);
    }
    EXPECT_FALSE(kx508::lib.script.recording_on);
    EXPECT_FALSE(menu_item_checked(kx508::kCmdRecord));
    EXPECT_EQ(type_and_wait('z').key, 'z');
    kx508::script_finish();
    EXPECT_EQ(read_script(), theirs);
  }
}

// A reset closes the script a recording holds rather than dropping it: the lock goes
// with the file, and what was written stays.
TEST_F(ScriptFaultTest, ResetClosesTheScriptFileARecordingHolds) {
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(type_and_wait('a').key, 'a');
  int other = open("KX508.SCR", O_WRONLY);
  ASSERT_GE(other, 0);
  EXPECT_FALSE(lock_as_another_recorder(other));
  kx508::reset_library();
  EXPECT_EQ(kx508::lib.script.file, nullptr);
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_TRUE(lock_as_another_recorder(other));
  EXPECT_EQ(read_script(), "KX508_KBD(97);\n");
  close(other);
}

TEST_F(ScriptFaultTest, WorkingDirectoryThatTakesNoFilesIsReportedAndTheProgramGoesOn) {
  // /proc takes no new files, even from root; a removed working directory takes none
  // either.
  for (const char* where : {"/proc", "gone"}) {
    SCOPED_TRACE(where);
    std::filesystem::path back = std::filesystem::current_path();
    if (std::string(where) == "gone") {
      std::filesystem::create_directory("gone");
      std::filesystem::current_path("gone");
      std::filesystem::remove(std::filesystem::current_path());
    } else {
      std::filesystem::current_path(where);
    }
    kx508::on_command(kx508::kCmdRecord);
    EXPECT_EQ(type_and_wait('a').key, 'a');
    EXPECT_EQ(type_and_wait('b').key, 'b');
    std::vector<std::string> lines = log_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], kCannotOpenForWriting);
    EXPECT_EQ(lines.back(), kCannotOpenForWriting);
    kx508::on_command(kx508::kCmdRecord);  // off
    EXPECT_FALSE(kx508::lib.script.recording_on);

    kx508::on_command(kx508::kCmdPlayback);
    EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
    EXPECT_EQ(log_lines().back(), kCannotRead);
    std::filesystem::current_path(back);
  }
}

TEST_F(ScriptFaultTest, FullDiskIsReportedOnceAndEndsTheRecordingWithItsWholeLines) {
  FileSizeLimit limit(20);  // room for one key line and part of the next
  kx508::on_command(kx508::kCmdRecord);
  ASSERT_TRUE(menu_item_checked(kx508::kCmdRecord));
  EXPECT_EQ(type_and_wait('z').key, 'z');
  std::size_t logged = log_lines().size();

  // The key is still delivered; its line could not be written, which is said at once,
  // and the part that was written is cut off.
  EXPECT_EQ(type_and_wait('a').key, 'a');
  EXPECT_EQ(read_script(), "KX508_KBD(122);\n");
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), logged + 1);
  EXPECT_EQ(lines.back(), kCannotWrite);
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdRecord));
  EXPECT_EQ(kx508::lib.script.file, nullptr);

  // Nothing more is claimed recorded, and nothing more is reported.
  EXPECT_EQ(type_and_wait('b').key, 'b');
  EXPECT_EQ(log_lines().size(), logged + 1);
}

TEST_F(ScriptFaultTest, FullDiskWhileWritingThePendingPeriodicRunIsReported) {
  FileSizeLimit limit(0);
  kx508::on_command(kx508::kCmdRecord);
  KX508_set_animation(2);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  // The click first writes the run of two, which fails; the click is not written after it
  // (that would open the file afresh and empty it).
  hl::click(draw_window, client_x(1), client_y(1));
  EXPECT_EQ(wait().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kCannotWrite);
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_EQ(kx508::lib.script.periodic_count, 0);
}

#endif

TEST_F(ScriptFaultTest, EveryRecordedLineIsOnDiskBeforeTheNextEvent) {
  // What another process (or this one after a crash) finds while the recording runs.
  kx508::on_command(kx508::kCmdRecord);
  hl::click(draw_window, client_x(10), client_y(-20));
  wait();
  EXPECT_EQ(read_script(), "KX508_MOUSE(10, -20);\n");
  KX508_set_animation(2);
  wait();
  wait();
  // The periodic run is there as it counts so far, before it ends.
  EXPECT_EQ(read_script(), "KX508_MOUSE(10, -20);\nKX508_PERIODIC(2);\n");
  EXPECT_EQ(type_and_wait('q').key, 'q');
  EXPECT_EQ(read_script(), "KX508_MOUSE(10, -20);\nKX508_PERIODIC(2);\nKX508_KBD(113);\n");
}

#ifndef _WIN32
TEST_F(ScriptFaultTest, RecordingKilledMidwayKeepsEveryLineWritten) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    kx508::on_command(kx508::kCmdRecord);
    for (char c : std::string("abc")) type_and_wait(c);
    KX508_set_animation(2);
    for (int i = 0; i < 12; ++i) wait();
    _exit(0);  // no close, no stdio flush at exit: as if killed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(read_script(), "KX508_KBD(97);\nKX508_KBD(98);\nKX508_KBD(99);\nKX508_PERIODIC(12);\n");
}
#endif

TEST_F(ScriptFaultTest, DeletedWhilePlayingPlaysToTheEndThenIsMissing) {
  write_file("KX508.SCR", "KX508_KBD(49);\nKX508_KBD(50);\nKX508_KBD(51);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '1');
  std::filesystem::remove("KX508.SCR");
  // The open file is still read to its end.
  EXPECT_EQ(wait().key, '2');
  EXPECT_EQ(wait().key, '3');
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEof);
  expect_playback_refused();
}

// Windows refuses to replace a file that a program has open, so there this cannot happen.
#ifndef _WIN32
TEST_F(ScriptFaultTest, ReplacedWhilePlayingFinishesTheOldScriptThenPlaysTheNew) {
  write_file("KX508.SCR", "KX508_KBD(49);\nKX508_KBD(50);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '1');
  write_file("new.SCR", "KX508_KBD(120);\n");
  std::filesystem::rename("new.SCR", "KX508.SCR");
  EXPECT_EQ(wait().key, '2');
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEof);

  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, 'x');
}
#endif

TEST_F(ScriptFaultTest, TruncatedWhilePlayingEndsAtTheNextRead) {
  write_file("KX508.SCR", "KX508_KBD(49);\nKX508_KBD(50);\nKX508_KBD(51);\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '1');
  std::filesystem::resize_file("KX508.SCR", 0);
  // What the stream had already buffered may still play; then the end is reported.
  Event e;
  for (int i = 0; i < 3 && (e = wait_or_click()).kind == KX508_KEY; ++i) {
  }
  EXPECT_EQ(e.kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEof);
  EXPECT_FALSE(kx508::lib.script.playback_on);
}

TEST_F(ScriptFaultTest, MillionLineScriptPlaysEveryLine) {
  {
    std::ofstream out("KX508.SCR", std::ios::binary);
    for (int i = 0; i < 1000000; ++i) out << (i % 2 ? "KX508_KBD(98);\n" : "KX508_MOUSE(3, -4);\n");
  }
  kx508::on_command(kx508::kCmdPlayback);
  int clicks = 0, keys = 0;
  for (int i = 0; i < 1000000; ++i) {
    Event e = wait();
    clicks += e.kind == KX508_MOUSE && e.x == 3 && e.y == -4;
    keys += e.kind == KX508_KEY && e.key == 'b';
  }
  EXPECT_EQ(clicks, 500000);
  EXPECT_EQ(keys, 500000);
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEof);
}

TEST_F(ScriptFaultTest, EndlessLineIsOneUnrecognisedLine) {
  // 64 MiB without a line end after a valid beginning: read through, never played.
  {
    std::ofstream out("KX508.SCR", std::ios::binary);
    out << "KX508_KBD(49);";
    std::string block(1 << 20, '7');
    for (int i = 0; i < 64; ++i) out << block;
  }
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_FALSE(kx508::lib.script.playback_on);
  EXPECT_EQ(log_lines().back(), "Unrecognised line 1 in script file KX508.SCR; playback paused\n");
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_EQ(log_lines().back(), kEof);
}

TEST_F(ScriptFaultTest, BinaryBytesAreOrdinaryCharactersOfTheirLine) {
  // A NUL does not end a line: a line of NULs is unrecognised (not an empty line to
  // skip), and the digits after a NUL still count.
  std::string script("KX508_KBD(\0" "97);\n" "\0\0\0\0\0\0\0\0\n" "KX508_KBD(50);\n", 39);
  write_file("KX508.SCR", script);
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, 'a');
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  EXPECT_FALSE(kx508::lib.script.playback_on);
  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, '2');

  // Random bytes, high ones included, play without harm: every wait returns an event.
  kx508::on_command(kx508::kCmdPlayback);  // off
  std::string noise;
  std::uint32_t state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245u + 12345u;
    noise.push_back(static_cast<char>(state >> 23));
  }
  write_file("KX508.SCR", noise);
  for (int round = 0; round < 50; ++round) {
    kx508::on_command(kx508::kCmdPlayback);
    int kind = wait_or_click().kind;
    EXPECT_GE(kind, KX508_MOUSE);
    EXPECT_LE(kind, KX508_QUIT);
    if (kx508::lib.script.playback_on) kx508::on_command(kx508::kCmdPlayback);
  }
}

TEST_F(ScriptFaultTest, TextWindowClosedByTheUserLeavesRecordingAndPlaybackWorking) {
  hl::close_window(kx508::lib.windows.text_window);
  EXPECT_EQ(type_and_wait('x').key, 'x');  // the close is handled on the way
  ASSERT_FALSE(hl::window_info(kx508::lib.windows.text_window).shown);
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(type_and_wait('a').key, 'a');
  kx508::on_command(kx508::kCmdRecord);
  EXPECT_EQ(read_script(), "KX508_KBD(97);\n");

  kx508::on_command(kx508::kCmdPlayback);
  EXPECT_EQ(wait().key, 'a');
  EXPECT_EQ(wait_or_click().kind, KX508_MOUSE);
  // The message is kept in the ring, and drawn on the hidden window for when it returns.
  EXPECT_EQ(log_lines().back(), kEof);
}

}  // namespace
