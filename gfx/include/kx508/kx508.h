// KX508: a small procedural graphics library. A drawing window over a 601 x 540 canvas
// with the origin at the centre of its client area and y pointing up, 24 named colours,
// rectangles, triangles, lines, ellipses and text, a log window, a "&Run" menu, script
// recording and playback, and a prompt dialog. Library calls return 1 on success and 0
// before KX508_start.
#pragma once

#include <cstddef>

#include "kx508_version.h"

#if defined(__GNUC__) || defined(__clang__)
#define KX508_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define KX508_PRINTF_FORMAT(f, a)
#endif

// How the program is known to the windowing system: its name.
using KX508_Instance = const char*;

// The application's main routine. The library owns the process entry: it stores the
// start-up values and then calls app::main(), which the application defines.
// The application may define app::help() too: its text, what the program is and how it is
// used, is what `--help` prints first, above the library's own options. Without it (or
// when it returns null) --help prints the library's text alone.
namespace app {
int main();
const char* help();
}

// The process entry: stores the four start-up values, runs the application's main
// routine, and returns 0 whatever that returned. An exception out of it (out of memory,
// a headless run that can never get input) is reported in one line and returns 1. A
// replay (KX508_PLAY, KX508_FRAMES, KX508_LOG) that stopped short returns 3.
int KX508_process_entry(KX508_Instance instance, KX508_Instance prev_instance,
                        const char* command_line, int show_state, int (*app_main)());

// The start-up values as the process entry stored them.
KX508_Instance KX508_startup_instance();
KX508_Instance KX508_startup_prev_instance();
const char* KX508_startup_command_line();
int KX508_startup_show_state();

// Opens the drawing window "KX508 Graphics" and the text window "KX508 Text", makes the
// canvas and starts the 100 ms timer. A show state of 0 leaves the windows hidden.
// Ends the process with status 1 and a one-line reason when no display can be opened.
// Trace lines (logging) start on. Called again while started, it changes nothing, logs a
// warning and returns 1.
int KX508_start(KX508_Instance instance, KX508_Instance prev_instance, const char* command_line,
                int show_state);
// Ends the library's work: the canvas no longer reaches the window, and a script being
// recorded gets its last line and is closed. The windows stay on the screen until the
// process ends. Returns 0 before KX508_start.
int KX508_stop();

// Event kinds returned by KX508_wait_event.
enum KX508_EventKind { KX508_MOUSE = 1, KX508_KEY = 2, KX508_PERIODIC = 3, KX508_QUIT = 4 };

// Waits for one event: a left click in the drawing window (x, y in library coordinates),
// a typed character (key: letters, digits, punctuation, space, Enter, Backspace, Tab,
// Escape; keys that type nothing, such as the arrows, give no event), a periodic tick
// of the animation, or quit. Fields an event does not set are 0. Once the drawing window
// is gone (closed by the user), every wait returns quit at once.
int KX508_wait_event(int* x, int* y, char* key);

// Animation commands, by name or by their numbers (other numbers change nothing).
enum KX508_AnimationCommand {
  KX508_ANIMATION_HALT = 0,  // no more periodic events
  KX508_ANIMATION_STEP = 1,  // one periodic event at the next wait
  KX508_ANIMATION_RUN = 2,   // a periodic event at every timer tick (100 ms)
  KX508_ANIMATION_QUIT = 5,  // every wait from now on returns quit
};
int KX508_set_animation(int command);
int KX508_set_logging(int on);

// The 24 colours. Any other number draws red after a warning in the log window.
enum KX508_Colour {
  KX508_BLACK = 0,
  KX508_WHITE = 1,
  KX508_RED = 2,
  KX508_GREEN = 3,
  KX508_BLUE = 4,
  KX508_YELLOW = 5,
  KX508_MAGENTA = 6,
  KX508_CYAN = 7,
  KX508_PURPLE = 8,
  KX508_NAVY_BLUE = 9,
  KX508_DUSTY_PLUM = 10,
  KX508_ICE_BLUE = 11,
  KX508_TURQUOISE = 12,
  KX508_ORANGE = 13,
  KX508_BROWN = 14,
  KX508_PINK = 15,
  KX508_CHALK = 16,
  KX508_GOLD = 17,
  KX508_PEACH = 18,
  KX508_FOREST_GREEN = 19,
  KX508_SEA_GREEN = 20,
  KX508_OLIVE = 21,
  KX508_GRAY_50 = 22,
  KX508_GRAY_20 = 23,
};

// Shapes in library coordinates: the origin at the centre of the drawing window's client
// area, x to the right, y up; about -296..296 across and -246..246 up and down are
// visible (the exact range depends on the window's frame). Width 0 fills the shape, a
// positive width outlines it. They draw into the canvas; the window shows it at the next
// wait or flush. All return 0 before KX508_start.
int KX508_draw_rectangle(int colour, int x1, int y1, int x2, int y2, int width);
int KX508_draw_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);
// A line from (x1, y1) to (x2, y2), width pixels wide (0 and 1 both draw a one-pixel
// line). Both end points are painted, and a line gives the same pixels drawn from either
// end. A wider line is every pixel within width / 2 of the segment (round ends).
int KX508_draw_line(int colour, int x1, int y1, int x2, int y2, int width);
// The ellipse inside the box with corners (x1, y1) and (x2, y2), in either order: the box
// is the rectangle KX508_draw_rectangle draws with those corners, and the ellipse touches
// its sides and never leaves it. Width 0 fills it; a positive width outlines it with a
// band of that width along its edge, inside the box (unlike a rectangle's outline, which
// is centred on the edge).
int KX508_draw_ellipse(int colour, int x1, int y1, int x2, int y2, int width);
// Text in the library's bundled fixed-pitch font, its top left corner at (x, y): a
// character takes a cell 7 x 14 pixels, a wide one (Chinese, Japanese, Korean) two, a
// combining accent none (it is drawn over the letter before it). One line, in any script
// of Unicode's first 65,536 characters; right-to-left text (Hebrew, Arabic) reads right to
// left, Arabic letters joined. Bytes are read as the log window reads them (UTF-8 where
// well formed, else each byte as its Latin-1 character); a character the font lacks (a
// line break, a tab, an emoji) draws a box in one cell. Only the letters' pixels are
// painted; the rest keeps what was there. A null text draws nothing.
int KX508_draw_text(int colour, int x, int y, const char* text);
// How many pixels wide KX508_draw_text draws the text (7 a cell; 0 for a null or empty
// text), so that a program can centre it: x = -KX508_text_width(t) / 2. It only
// measures: it works before KX508_start as well, and writes no trace line.
int KX508_text_width(const char* text);
// The library coordinates of the part of the canvas the drawing window's client area
// shows now, its edge pixels included as a rectangle's corners are: what a program can
// draw in and see. The first answer after KX508_start is final (the start waits, at most
// 1 s a window, for a frame the window manager gives later); it changes when the window
// manager changes the window's frame (the headless backend's is fixed: -296, -245 to
// 296, 246). A pointer may be null: only the
// others are written. Once the drawing window is gone the area is empty (right < left,
// top < bottom). With logging on it writes a trace line. A recorded run keeps the areas
// the program was given, and its replay gives them back. Before KX508_start it sets all
// four to 0 and returns 0.
int KX508_visible_area(int* left, int* bottom, int* right, int* top);
// Copies the canvas to the drawing window if it changed.
int KX508_flush();
// Makes the canvas white inside a one-pixel black frame.
int KX508_clear();

// Writes a printf-style line to the log window; returns the formatted length.
int KX508_log(const char* format, ...) KX508_PRINTF_FORMAT(1, 2);

// Calendar time in whole seconds, as std::time gives it. While a script replays
// (KX508_PLAY), a clock of the replay's own instead: a fixed start plus 100 ms for every
// periodic event, so that a program that seeds its randomness from the time replays the
// same way every time.
long long KX508_time();

// The program's randomness: std::rand and std::srand. While a script replays (KX508_PLAY,
// or a web page's ?play), one small generator of the library's own instead, the same on
// every system, so that the replay's pictures are the same on every system too: seeded
// from KX508_time (the replay's clock) it gives the same sequence everywhere. Its values
// are 0..32767, within RAND_MAX on every system.
int KX508_rand();
void KX508_srand(unsigned seed);

// Shows a modal prompt and copies the reply (at most 255 characters) into reply, which
// must hold 256 bytes. Returns 1 when the dialog was shown, 0 when it could not be.
int KX508_gets(const char* prompt, char* reply);
// The same with a buffer of any size: at most size - 1 characters and the terminator are
// written. A size of 0 writes nothing.
int KX508_gets_n(const char* prompt, char* reply, std::size_t size);
