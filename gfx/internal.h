// The library's state and internal routines, shared between its files. All mutable
// state is in one object, kx508::lib, so that a reset is one assignment.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "describe.h"
#include "kx508.h"
#include "platform.h"

namespace kx508 {

// ---- event_loop.cpp: windows, canvas, event wait and animation

constexpr int kCanvasWidth = 601;
constexpr int kCanvasHeight = 540;
constexpr int kTimerId = 2;
// The animation's tick: the timer's period, the replay clock's step and a GIF frame's
// time, and the run bar's pace in a page (which reads it from the timer the program starts).
constexpr int kTimerPeriodMs = 100;

struct CanvasOrigin {
  int x = 0, y = 0;
};

// The two windows and the canvas the drawing window shows.
struct WindowState {
  platform::Window draw_window = 0;
  platform::Window text_window = 0;
  platform::WindowSurface window_dc;
  platform::Surface canvas;
  CanvasOrigin canvas_origin;
  bool canvas_dirty = true;
};

// The event the current wait is putting together; a kind of -1 is none yet.
struct EventState {
  int kind = -1;
  int x = 0, y = 0;
  char key = 0;
};

struct AnimationState {
  bool running = false;
  bool step_pending = false;
  bool periodic_due = false;
  bool quit_requested = false;
};

// Whether KX508_start has made the windows; calls made before do nothing and return 0.
bool started();

enum class PumpResult { Nothing, Message, Quit };
PumpResult pump_once();
// Copies the whole canvas to the drawing window.
void copy_canvas_to_window();
// Copies what drawing changed since the last copy, and shows just that.
void copy_canvas_changes_to_window();
// Has the glyphs the text needs there before it is drawn: where a build fetches pages of
// them on first need (the page), the program waits for them; a page that cannot be had
// is said once on standard error and its characters draw the replacement glyph.
void prepare_text(std::string_view text);

// ---- menu.cpp: the Run menu and keyboard commands

enum CommandId {
  kCmdAnimate = 1,
  kCmdHalt = 2,
  kCmdAdvanceFrame = 3,
  kCmdLogging = 4,
  kCmdRecord = 5,
  kCmdPlayback = 6,
  kCmdPlayOne = 7,
  kCmdQuit = 8,
  kCmdInformation = 9,
};

struct MenuState {
  platform::Menu run_menu = 0;
  bool ctrl_down = false;
};

void build_menu_bar(platform::Window window);
// The menu's shortcuts with what each does, as --help lists them: "Ctrl+A animate", ...
std::vector<std::string> menu_keys();
void on_key_down(int vk, std::uint32_t modifiers);
void on_key_up(int vk, std::uint32_t modifiers);
void on_char(int code);
void on_command(int id);
void on_focus_lost();
// A key pressed with Ctrl while the prompt has the keyboard.
void on_key_in_prompt(int vk, std::uint32_t modifiers);
void on_draw_window_destroyed(platform::Window window);
void show_text_window();

// ---- draw.cpp: colours and drawing

struct DrawState {
  bool logging_enabled = true;
  // The glyph pages tried and not had (prepare_text): not asked for again.
  std::bitset<256> glyph_pages_unavailable;
};

// The pixel value of one of the 24 colours (0..23), and its name as trace lines give it.
platform::Colour colour_value(int colour);
const char* colour_name(int colour);
// The text as a trace line quotes it, in at most room bytes (cut with ..." when longer).
std::string quoted(std::string_view text, std::size_t room);

// ---- script.cpp: recording and playback

// The script: recorded into this file in the working directory, and played from it
// unless KX508_PLAY names another.
inline constexpr const char* kScriptName = "KX508.SCR";

// A file of script lines as a recorder writes it: whole lines, then the pending periodic
// run's line (pending_bytes long), rewritten as the run grows.
struct RecordedFile {
  std::FILE* file = nullptr;
  int periodic_count = 0;
  long bytes = 0;  // of whole lines, from the file's opening
  long lines = 0;  // whole lines
  long pending_bytes = 0;
};

// The script file is open for writing while recording, for reading while playing.
// The canvas pixels the drawing window shows, in library coordinates, edge pixels included.
struct VisibleArea {
  int left = 0, bottom = 0, right = 0, top = 0;
  friend bool operator==(const VisibleArea&, const VisibleArea&) = default;
};

// (event_loop.cpp) What the drawing window shows of the canvas now.
VisibleArea visible_area();

// The size of the drawing window's client area, in pixels.
struct ClientSize {
  int width = 0, height = 0;
  friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

struct ScriptState : RecordedFile {
  // The file playback reads: the script, or the one KX508_PLAY names.
  std::string play_path = kScriptName;
  bool recording_on = false;
  bool playback_on = false;
  bool play_one_pending = false;
  // Lines read from the file being played, from its opening; the line played last (an
  // event, a reply, an area, or one skipped or not understood), its number and its text.
  int line = 0;
  int played = 0;
  std::string last_line;
  // A click, a key or a reply was played since the file was opened: until then only ticks
  // came, so nothing a user did explains what the program drew.
  bool input_played = false;
  // The file being played is a run (it starts with the run's first line), which may hold
  // the prompt's replies and the visible areas the program was given.
  bool playing_run = false;
  // The run's visible area as last read from it, which the program is given instead of
  // the one it would see here.
  std::optional<VisibleArea> run_area;
  // The drawing window's client area as the replayed run last had it, which places the
  // canvas's origin instead of this window's.
  std::optional<ClientSize> run_client;
  // Every line had been played when script work ended (script_finish).
  bool played_whole = false;
  // The recorder's last open failed; periodic events do not try again.
  bool open_failed = false;
  // Another program held the script when this recording first wrote: the recording stays
  // on until it is stopped, and writes nothing, ever.
  bool refused = false;
};

// A run: every event the waits return from KX508_start on, the prompt's replies and the
// visible areas the program was given, in the file KX508_RECORD names. The library's clock
// and generator are the replay's while it records, so that KX508_PLAY of the file shows
// the same pictures.
inline constexpr const char* kRunFirstLine = "KX508_RUN(1);";
struct RunState : RecordedFile {
  std::string path;
  bool recording = false;  // until the program ends, or a line cannot be written
  std::optional<VisibleArea> area_written;  // an area line is written when it changes
  std::optional<ClientSize> client_written;  // a client line, when the client area changes
};

void record_event(int kind, int x, int y, char key);
bool script_read_event();
// Under KX508_PLAY the prompt is answered by the run: the reply on the run's next line, or
// the empty reply when the next line is not one.
std::string script_read_reply();
// Under KX508_PLAY of a run, the visible area the program was given when it was recorded:
// from the run's next line when it is an area line, else as last read. Nothing when no run
// plays, or none was read yet.
std::optional<VisibleArea> script_read_area();
// Whether the played script has no event left: every line was played, though the end was
// not read (the program ended at its last event).
bool script_played_whole();
void stop_recording();
void stop_playback();
// Playback stops where it is, the file left open at the next event, and the animation
// halted: the next Playback or Play One goes on from there.
void pause_playback();
void script_close();
// Ends script work for good (the library stops, the process ends): a recording first
// writes its pending periodic line, as switching it off does; the file is closed.
void script_finish();

// Writes one event's line into a recorded file, as the recorder does (a periodic event
// adds to the pending run). False when nothing could be written.
enum class LineWrite { Written, Failed };
LineWrite write_event_line(RecordedFile& to, int kind, int x, int y, char key);
// The pending periodic run's line becomes a whole line.
LineWrite end_periodic_run(RecordedFile& to);
// Closes a file whose line could not be written, cut to its whole lines.
void close_at_whole_lines(RecordedFile& f);
// Writes a whole line of text (its newline added) after the file's whole lines.
LineWrite write_whole_line(RecordedFile& to, const std::string& text);
// A reply as the run's reply line holds it, and back.
std::string reply_line(const std::string& reply);
bool read_reply_line(const std::string& line, std::string* reply);
// A visible area as the run's area line holds it, and back.
std::string area_line(const VisibleArea& area);
bool read_area_line(const std::string& line, VisibleArea* area);
// A client area's size as the run's client line holds it, and back.
std::string client_line(const ClientSize& size);
bool read_client_line(const std::string& line, ClientSize* size);
// A replay of a run takes the client lines at its top before the program draws.
void script_take_first_client_lines();
// (event_loop.cpp) A replayed run's client area places the canvas's origin from now on.
void use_run_client_area(const ClientSize& size);

// ---- run.cpp: KX508_RECORD

// Reads the option at start; a path that cannot be used: one line, status 2.
void run_open();
// Whether a run is being recorded.
bool run_recording();
// At the end of every wait: the event it returns.
void run_record_event(int kind, int x, int y, char key);
// The prompt's reply, as the program got it.
void run_record_reply(const char* reply);
// The visible area the program was given: a line when it is not the last one written.
void run_record_area(const VisibleArea& area);
// The drawing window's client area took this size (at its creation, or as the window
// manager or the user changed it): a line when it is not the last one written.
void run_record_client(const ClientSize& size);
// The program ends (or stops the library): the pending periodic run is written, the file
// closed.
void run_finish();

// ---- log.cpp: the log window

constexpr int kLogLines = 25;
// A log message's longest, in bytes: longer ones are cut there, and marked as cut.
constexpr int kLogMessageChars = 1023;
// The newest lines, oldest at first (-1 while there are none); next is the slot
// the next line goes to.
struct LogState {
  std::array<std::string, kLogLines> ring;
  int first = -1;
  int next = 0;
};

long text_window_proc(platform::Window window, const platform::Message& msg);

// ---- dialog.cpp: the prompt dialog

constexpr std::size_t kGetsTemplateSize = 292;
constexpr std::size_t kGetsPromptChars = 79;
using GetsTemplate = std::array<std::uint8_t, kGetsTemplateSize>;
GetsTemplate build_gets_template(const char* prompt);

struct DialogState {
  // The caller's reply buffer and how many characters it takes besides the terminator,
  // remembered while the dialog is open.
  char* gets_reply = nullptr;
  std::size_t gets_chars = 0;
  // A quit closed the prompt: it replied empty, and every prompt from then on replies
  // empty at once.
  bool quit = false;
};

// ---- display.cpp: Display

struct DisplayState {
  // There is one Display per process: a second one, even after the first, is refused.
  bool display_created = false;
};

// ---- startup.cpp: the values the process entry stored

struct StartupState {
  KX508_Instance instance = nullptr;
  KX508_Instance prev_instance = nullptr;
  const char* command_line = "";
  int show_state = 0;
};

// ---- ending.cpp: how the process ends when it is not the program's own doing. A request
// from outside (SIGTERM, SIGINT, SIGHUP) becomes a quit, and an exit the program did not
// make (a windowing system whose connection broke) still leaves the script, the frames,
// the log and the summary whole. A program that has not waited for 2 s is told so, and
// its windows' events are let through from its calls to the library, so that a quit ends
// it; so does a request to end it. A crash says what it was and where the run stood.
struct EndingState {
  int signal = 0;         // the request to end, once turned into a quit
  bool finished = false;  // what the run leaves has been written
  long long events = 0;   // the events the waits have returned
  bool waiting = false;   // in a wait or a prompt
  bool overdue_logged = false;  // the log says the program has not waited, since it last did
};

// Text built in a buffer that is given, never allocating: the last words a crash leaves
// are made with it in a signal handler. Cut short when the buffer is full.
class FixedText {
 public:
  FixedText(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {
    buffer_[0] = '\0';
  }
  FixedText& operator<<(std::string_view text);
  FixedText& operator<<(long long n);
  const char* data() const { return buffer_; }
  std::size_t size() const { return size_; }

 private:
  char* buffer_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

// At the process entry: crashes are watched for, and the waits once KX508_start runs.
void watch_the_process();
// At KX508_start: requests to end are noted, and an early exit is watched for.
void watch_the_end();
// Once KX508_start has made the windows: the program is to wait from now on.
void watch_the_waits();
// At each pass of a wait: a request to end becomes a quit (the end of a played script).
void quit_if_asked_to_end();
// Around every wait and prompt, for the watchdog.
void wait_begins();
void wait_ends();
// In the drawing calls: a program that has not waited has its windows' events let through.
void attend_to_the_windows();
// The end of the run: the script closed with its last periodic run, the last frame, the
// log and the summary. Returns the status the run ends with (replay_finish's).
int finish_run(const char* failure);

// ---- library.cpp: all of the library's mutable state, one instance per process. Every
// member starts at its program-start value, so Library{} is the library as first loaded.

// ---- replay.cpp: the options every program has for replaying a script without a
// screen: KX508_PLAY (with KX508_PLAY_PACE and KX508_PLAY_TO), KX508_FRAMES,
// KX508_FRAMES_EVERY, KX508_GIF and KX508_LOG.

// The process's status when an option cannot be used (nothing ran), and when the run
// stopped short of what the options asked.
constexpr int kReplayRefused = 2;
constexpr int kReplayEndedShort = 3;
constexpr int kExpectDiffers = 4;
// How a script's playback ends when it ends at the script's last line.
inline constexpr const char* kPlayedToItsEnd = "played to its end";
inline constexpr const char* kStoppedAtADifference =
    "stopped at the first difference from the expected run";

struct GifRun;  // replay.cpp
namespace compare {
class LogCheck;  // compare.h
}
class FramePng;  // frame_png.h

struct ReplayState {
  bool active = false;   // any of the options was given
  bool playing = false;  // KX508_PLAY: the script plays from the top, then quit comes
  std::string ending;    // how the script's playback ended, once it has
  long long events_played = 0;
  long long periodic_events = 0;  // returned by waits: the replay clock's ticks
  std::string frames_given;  // the folder KX508_FRAMES names
  std::string frames_dir;    // the same while frames are written; empty once they stop
  bool frames_stopped = false;  // a frame could not be written
  std::shared_ptr<FramePng> frame_png;
  long long frames_every = 1;
  long long frames_presented = 0;
  long long frames_written = 0;
  bool last_frame_written = true;
  std::string log_path;
  std::FILE* log_file = nullptr;
  bool log_stopped = false;  // a line could not be written
  long long log_lines = 0;   // ended by their newline, whether or not a file takes them
  // Under KX508_PLAY with KX508_FRAMES: where the run stands in the script at each frame and
  // each line played, in the frames folder (compare.h, kPlacesFile).
  std::string places_path;
  std::FILE* places = nullptr;
  std::optional<CanvasOrigin> origin_written;
  // The portable generator's state while a script replays; 1 until seeded, as std::rand.
  std::uint64_t random_state = 1;
  // KX508_PLAY_PACE=1: periodic events as recorded, one a timer tick. KX508_PLAY_TO: the
  // number of events after which playback pauses, until it has (then -1).
  bool paced = false;
  long long play_to = -1;
  // KX508_GIF: the replay as an animated GIF, written under a temporary name that is held
  // against other runs, and given its name when whole.
  std::string gif_path;
  std::shared_ptr<GifRun> gif;
  bool gif_failed = false;
};

// Reads the options at start. When one cannot be used: one line on standard error and
// status 2, before any folder is made or file emptied.
void replay_open();
// Playback starts as the Playback command would, once the menu exists.
void replay_start_playing();
// Whether a played periodic event waits for the timer's tick (KX508_PLAY_PACE, once past
// the KX508_PLAY_TO point).
bool replay_paced();
// Whether playback pauses now, before the next event: KX508_PLAY_TO's count has been
// played. Says so in the log, once.
bool replay_pause_due();
// The script's playback ended (its end, an unrecognised line, a file that cannot be
// read): under KX508_PLAY the program is sent quit.
void replay_script_ended(const std::string& how);
// The canvas was copied to the drawing window: a frame, written if its number is due.
void replay_frame_presented();
// A line went to the log window: the log file's line, its line end included.
void replay_log_line(std::string_view line);
// A script line was played (script.played): where the run stands is noted with its frames.
void replay_line_played();
// The process ends: the last frame, the log file and one summary line. Returns the
// status the run ends with: 0, or 3 when it stopped short.
int replay_finish(const char* failure);
// Closes the log file without a word, for a reset.
void replay_close();
// The summary's start: "KX508:" and what the replay played and wrote, each part ended by
// ";". CutOff: the process dies now, without closing what is open (a GIF is not made).
enum class ReplayEnd { Finished, CutOff };
void replay_summary(FixedText& out, ReplayEnd end);

// ---- expect.cpp: KX508_EXPECT, a replay checked against an expected run as it goes

struct ExpectState {
  bool active = false;
  std::string dir;      // the expected run: its frames, and log.txt if it has one
  std::string picture;  // where the picture of a difference goes
  long long expected_frames = 0;  // its last frame's number
  std::shared_ptr<compare::LogCheck> log;  // when it has a log
  bool log_differs = false;
  bool differs = false;
  std::shared_ptr<FramePng> png;
};

// Reads the options at start (with KX508_PLAY's script and KX508_FRAMES's folder); an
// expected run that cannot be used: one line, status 2.
void expect_open(const std::string& play, const std::string& frames);
// Frame number was presented, or a line logged: each is checked against the expected one.
void expect_frame(long long number);
void expect_log(std::string_view line);
// At the end: what is still to check, against the status the run would end with. Returns
// the status (4 on a difference) and the summary's last part.
int expect_finish(int status, long long frames_presented, std::string* summary);

struct Library {
  WindowState windows;
  EventState event;
  AnimationState animation;
  MenuState menu;
  ScriptState script;
  LogState log;
  DrawState draw;
  DialogState dialog;
  DisplayState display;
  StartupState startup;
  ReplayState replay;
  RunState run;
  ExpectState expect;
  EndingState ending;
  DescribeState describe;
};

extern Library lib;

inline bool started() { return lib.windows.draw_window != 0; }

// Closes the script file and the platform, then puts all library state back to its
// program-start value, so that one test process can start the library many times.
void reset_library();

}  // namespace kx508
