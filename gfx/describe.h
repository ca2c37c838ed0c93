// The drawing window in words, for those who cannot see it: a record of what was drawn
// that may still be seen, kept as the drawing calls go, and the description made from it,
// which the platform puts beside the window for a screen reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx508 {

enum class DrawnKind : std::uint8_t { Triangle, Rectangle, Line, Ellipse, Text };

// A box in library coordinates, edge pixels included: top >= bottom.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// One shape or text as its drawing call gave it (the points as its trace line has them: a
// triangle's three, a box's top left and bottom right, a line's ends, a text's place),
// and the part of the canvas it painted that no later filled shape has covered yet.
struct Drawn {
  DrawnKind kind = DrawnKind::Rectangle;
  std::uint8_t colour = 0;
  bool filled = false;
  int width = 0;
  int x[3] = {}, y[3] = {};
  Box seen;
  std::string text;
  // Covered, or drawn again: left in place until a fair share is, so that a draw moves
  // nothing.
  bool gone = false;
};

// At most this many are kept: the oldest go first, as a program that draws more without
// clearing has covered most of them.
constexpr std::size_t kMostDrawn = 1000;
// A description is given at most this often while the program runs.
constexpr std::int64_t kDescribeEveryMs = 1000;

struct DescribeState {
  std::vector<Drawn> drawn;  // oldest first, those gone among them
  std::size_t gone = 0;
  bool changed = true;  // since the platform was last given the description
  bool given = false;
  std::int64_t given_at = 0;  // on the platform's clock
};

// The drawing calls, once their arguments are checked: colours 0..23, a rectangle's or
// ellipse's corners as top left and bottom right, width 0 for filled.
void describe_shape(DrawnKind kind, int colour, int width, const int (&x)[3], const int (&y)[3]);
void describe_text(int colour, int x, int y, std::string_view text);
void describe_clear();
// The canvas's origin moved: what went off the canvas is gone, and the places change.
void describe_canvas_moved();

// What the record keeps, oldest first.
std::vector<const Drawn*> drawn_kept();

// The words for what the drawing window shows now.
std::string describe_canvas();

// At each wait: the description is given when it changed, at most once every
// kDescribeEveryMs, and at once when the program is halted (no tick can end the wait; a
// prompt waits for a reply) or ends.
enum class DescribeWhen { Running, AtOnce };
void describe_at_wait(DescribeWhen when);

}  // namespace kx508
