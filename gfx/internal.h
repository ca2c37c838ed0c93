// The library's module-level state and internal routines, shared between its files.
// Each variable is defined in the file named above it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "kx508.h"
#include "platform.h"

namespace kx508 {

// ---- event_loop.cpp: windows, canvas, event wait and animation

constexpr int kCanvasWidth = 601;
constexpr int kCanvasHeight = 540;
constexpr int kTimerId = 2;
constexpr int kTimerPeriodMs = 100;

extern platform::Window draw_window;
extern platform::Window text_window;
extern KX508_Instance app_instance;
extern platform::WindowSurface window_dc;
extern platform::Surface canvas;

struct CanvasOrigin {
  int x = 0, y = 0;
};
extern CanvasOrigin canvas_origin;
extern bool canvas_dirty;

extern int event_kind;
extern int event_x, event_y;
extern char event_key;

struct AnimationState {
  bool running = false;
  bool step_pending = false;
  bool periodic_due = false;
  bool quit_requested = false;
};
extern AnimationState animation;

enum class PumpResult { Nothing, Message, Quit };
PumpResult pump_once();
// Copies the whole canvas to the drawing window.
void copy_canvas_to_window();

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

extern platform::Menu run_menu;
extern bool ctrl_down;

void build_menu_bar(platform::Window window);
void on_key_down(int vk);
void on_key_up(int vk);
void on_char(int code);
void on_command(int id);
void on_focus_lost();
void on_draw_window_destroyed(platform::Window window);
void show_text_window();

// ---- draw.cpp: colours and drawing

extern bool logging_enabled;

// ---- script.cpp: recording and playback

extern std::FILE* script_file;
extern int periodic_count;
extern bool recording_on;
extern bool playback_on;
extern bool play_one_pending;

void record_event(int kind, int x, int y, char key);
bool script_read_event();
void stop_recording();
void stop_playback();
void script_close();
// Ends script work for good (the library stops, the process ends): a recording first
// writes its pending periodic line, as switching it off does; the file is closed.
void script_finish();

// ---- log.cpp: the log window

constexpr int kLogLines = 25;
extern std::array<std::string, kLogLines> log_ring;
extern int log_first;
extern int log_next;

long text_window_proc(platform::Window window, const platform::Message& msg);

// ---- dialog.cpp: the prompt dialog

constexpr std::size_t kGetsTemplateSize = 292;
constexpr std::size_t kGetsPromptChars = 79;
using GetsTemplate = std::array<std::uint8_t, kGetsTemplateSize>;
GetsTemplate build_gets_template(const char* prompt);

// ---- Restores every module-level variable to its program-start value and closes the
// platform, so that one test process can start the library many times.
void reset_library();

}  // namespace kx508
