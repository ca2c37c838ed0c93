// The drawing window in words (describe.h). Each drawing call adds what it drew to the
// record; a filled shape drops what lies wholly under it, and a clear drops everything,
// so a program that draws its picture again every tick keeps a record of one picture.
// The description groups what repeats and reads top to bottom, left to right.
#include "describe.h"

#include <algorithm>
#include <map>
#include <utility>

#include "font.h"
#include "internal.h"

namespace kx508 {

namespace {

using i64 = std::int64_t;

// A kind, colour and fill shown this many times or fewer is told shape by shape; more are
// told as one group.
constexpr std::size_t kMostTold = 3;
// Past this many sentences the rest is only counted, so a description stays readable.
constexpr std::size_t kMostSentences = 100;
// A text is quoted in this many bytes at most, and kept in a few more.
constexpr std::size_t kTextQuoted = 200;
constexpr std::size_t kTextKept = kTextQuoted + 56;

Box canvas_box() {
  const CanvasOrigin& o = lib.windows.canvas_origin;
  return {-o.x, o.y, kCanvasWidth - 1 - o.x, o.y - (kCanvasHeight - 1)};
}

bool meets(const Box& a, const Box& b) {
  return a.left <= b.right && b.left <= a.right && a.bottom <= b.top && b.bottom <= a.top;
}

// The box of these extremes grown by grow on every side (a pen's reach), cut to the
// canvas; false when none of it is on the canvas.
bool on_canvas(i64 left, i64 top, i64 right, i64 bottom, i64 grow, Box* out) {
  const Box c = canvas_box();
  left = std::max<i64>(left - grow, c.left);
  right = std::min<i64>(right + grow, c.right);
  top = std::min<i64>(top + grow, c.top);
  bottom = std::max<i64>(bottom - grow, c.bottom);
  if (left > right || bottom > top) return false;
  *out = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
          static_cast<int>(bottom)};
  return true;
}

// The box the call's own points span.
Box own_box(const Drawn& d) {
  switch (d.kind) {
    case DrawnKind::Triangle:
      return {std::min({d.x[0], d.x[1], d.x[2]}), std::max({d.y[0], d.y[1], d.y[2]}),
              std::max({d.x[0], d.x[1], d.x[2]}), std::min({d.y[0], d.y[1], d.y[2]})};
    case DrawnKind::Line:
      return {std::min(d.x[0], d.x[1]), std::max(d.y[0], d.y[1]), std::max(d.x[0], d.x[1]),
              std::min(d.y[0], d.y[1])};
    case DrawnKind::Text: return d.seen;
    default: return {d.x[0], d.y[0], d.x[1], d.y[1]};
  }
}

bool same(const Drawn& a, const Drawn& b) {
  return a.kind == b.kind && a.colour == b.colour && a.filled == b.filled && a.width == b.width &&
         a.x[0] == b.x[0] && a.y[0] == b.y[0] && a.x[1] == b.x[1] && a.y[1] == b.y[1] &&
         a.x[2] == b.x[2] && a.y[2] == b.y[2] && a.text == b.text;
}

bool within(const Box& inner, const Box& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top <= outer.top &&
         inner.bottom >= outer.bottom;
}

// Whether pixel (x, y) is inside filled shape f or on its edge.
bool inside(const Drawn& f, i64 x, i64 y) {
  if (f.kind == DrawnKind::Triangle) {
    // In doubles: the products of any two int differences fit, the sign near enough.
    double sign = 0;
    for (int i = 0; i < 3; ++i) {
      const int j = (i + 1) % 3;
      const double cross =
          static_cast<double>(i64{f.x[j]} - f.x[i]) * static_cast<double>(y - f.y[i]) -
          static_cast<double>(i64{f.y[j]} - f.y[i]) * static_cast<double>(x - f.x[i]);
      if (cross == 0) continue;
      if (sign != 0 && (cross > 0) != (sign > 0)) return false;
      sign = cross;
    }
    return true;
  }
  // The ellipse through the middles of its box's outer edges, pixel centres inside it.
  const double left = f.x[0], top = f.y[0], right = f.x[1], bottom = f.y[1];
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double a = (right - left + 1) / 2, b = (top - bottom + 1) / 2;
  const double dx = (x - cx) / a, dy = (y - cy) / b;
  return dx * dx + dy * dy <= 1;
}

// Whether filled shape f, whose own box is own, paints every pixel of box s.
bool covers(const Drawn& f, const Box& own, const Box& s) {
  if (!within(s, own)) return false;
  if (f.kind == DrawnKind::Rectangle) return true;
  // A triangle and an ellipse are convex: the box's corners inside are the whole box.
  return inside(f, s.left, s.top) && inside(f, s.right, s.top) && inside(f, s.left, s.bottom) &&
         inside(f, s.right, s.bottom);
}

// What filled rectangle f leaves of box s when it covers a whole side of it: a shape
// covered in two parts (a vehicle half on a road and half on a crossing) is dropped when
// the second part is.
void trim(Box& s, const Drawn& f) {
  const int left = f.x[0], top = f.y[0], right = f.x[1], bottom = f.y[1];
  if (s.left >= left && s.right <= right) {
    if (top >= s.top && bottom > s.bottom && bottom <= s.top) s.top = bottom - 1;
    else if (bottom <= s.bottom && top < s.top && top >= s.bottom) s.bottom = top + 1;
  } else if (s.bottom >= bottom && s.top <= top) {
    if (left <= s.left && right < s.right && right >= s.left) s.left = right + 1;
    else if (right >= s.right && left > s.left && left <= s.right) s.right = left - 1;
  }
}

void drop(Drawn& d) {
  d.gone = true;
  ++lib.describe.gone;
}

void add(Drawn&& d) {
  DescribeState& state = lib.describe;
  std::vector<Drawn>& drawn = state.drawn;
  const Box own = own_box(d);
  for (Drawn& e : drawn) {
    if (e.gone) continue;
    // Drawn again, it paints the same pixels: the earlier one says nothing more.
    if (same(e, d)) drop(e);
    else if (!d.filled || !meets(own, e.seen)) continue;
    else if (covers(d, own, e.seen)) drop(e);
    else if (d.kind == DrawnKind::Rectangle) trim(e.seen, d);
  }
  if (drawn.size() - state.gone >= kMostDrawn)
    drop(*std::find_if(drawn.begin(), drawn.end(), [](const Drawn& e) { return !e.gone; }));
  if (state.gone * 2 > drawn.size()) {
    std::erase_if(drawn, [](const Drawn& e) { return e.gone; });
    state.gone = 0;
  }
  drawn.push_back(std::move(d));
  state.changed = true;
}

// ---- The words

std::string point(int x, int y) { return "(" + std::to_string(x) + "," + std::to_string(y) + ")"; }

std::string from_to(const Box& b) {
  return "from " + point(b.left, b.top) + " to " + point(b.right, b.bottom);
}

// Where in the window a box's middle is, in thirds of what the window shows.
// A box two thirds of the window across and down: a background, told by itself.
bool across(const Box& b, const Box& shown) {
  const i64 w = i64{shown.right} - shown.left + 1, h = i64{shown.top} - shown.bottom + 1;
  return (i64{b.right} - b.left + 1) * 3 >= w * 2 && (i64{b.top} - b.bottom + 1) * 3 >= h * 2;
}

std::string place(const Box& b, const Box& shown) {
  if (across(b, shown)) return "across the window";
  const i64 w = i64{shown.right} - shown.left + 1, h = i64{shown.top} - shown.bottom + 1;
  const auto third = [](i64 at, i64 size) {
    return static_cast<int>(std::clamp<i64>(at * 3 / size, 0, 2));
  };
  const int column = third(i64{b.left} + b.right - 2 * i64{shown.left}, 2 * w);
  const int row = third(2 * i64{shown.top} - b.top - b.bottom, 2 * h);
  static constexpr const char* kPlaces[3][3] = {
      {"at the top left", "at the top", "at the top right"},
      {"on the left", "in the middle", "on the right"},
      {"at the bottom left", "at the bottom", "at the bottom right"},
  };
  return kPlaces[row][column];
}

const char* kind_name(DrawnKind kind) {
  switch (kind) {
    case DrawnKind::Triangle: return "triangle";
    case DrawnKind::Line: return "line";
    case DrawnKind::Ellipse: return "ellipse";
    default: return "rectangle";
  }
}

// "blue filled triangle", "red rectangle outline", "green line"; plural for more than one.
std::string shape_name(const Drawn& d, bool plural) {
  std::string name = colour_name(d.colour);
  name += ' ';
  if (d.filled) name += "filled ";
  name += kind_name(d.kind);
  if (!d.filled && d.kind != DrawnKind::Line) name += " outline";
  if (plural) name += 's';
  return name;
}

std::string one_shape(const Drawn& d, const Box& shown) {
  const std::string name = shape_name(d, false);
  const bool vowel = std::string_view("aeiou").find(name[0]) != std::string_view::npos;
  std::string words = (vowel ? "an " : "a ") + name + " " + place(d.seen, shown) + ", ";
  if (d.kind == DrawnKind::Triangle)
    words += "at " + point(d.x[0], d.y[0]) + ", " + point(d.x[1], d.y[1]) + ", " +
             point(d.x[2], d.y[2]);
  else if (d.kind == DrawnKind::Line)
    words += "from " + point(d.x[0], d.y[0]) + " to " + point(d.x[1], d.y[1]);
  else words += from_to(own_box(d));
  return words;
}

Box joined(const Box& a, const Box& b) {
  return {std::min(a.left, b.left), std::max(a.top, b.top), std::max(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// A sentence, and where what it tells starts: the reading order is by its top, then left.
struct Sentence {
  int top = 0, left = 0;
  std::string words;
  std::size_t order = 0;  // among those that start at one place
};

Box shown_box() {
  const VisibleArea a = visible_area();
  if (a.right < a.left || a.top < a.bottom) return canvas_box();
  return {a.left, a.top, a.right, a.bottom};
}

}  // namespace

void describe_shape(DrawnKind kind, int colour, int width, const int (&x)[3], const int (&y)[3]) {
  Drawn d;
  d.kind = kind;
  d.colour = static_cast<std::uint8_t>(colour);
  d.filled = width == 0 && kind != DrawnKind::Line;
  d.width = width;
  std::copy(x, x + 3, d.x);
  std::copy(y, y + 3, d.y);
  const Box own = own_box(d);
  // A pen wider than a pixel is centred on the edge.
  const int reach = d.filled ? 0 : width / 2;
  if (!on_canvas(own.left, own.top, own.right, own.bottom, reach, &d.seen)) return;
  add(std::move(d));
}

void describe_text(int colour, int x, int y, std::string_view text) {
  const int width = platform::text_width(text);
  Drawn d;
  d.kind = DrawnKind::Text;
  d.colour = static_cast<std::uint8_t>(colour);
  d.x[0] = x;
  d.y[0] = y;
  if (width == 0 ||
      !on_canvas(x, y, i64{x} + width - 1, i64{y} - (platform::kFontCellHeight - 1), 0, &d.seen))
    return;
  // The words quote a text's start only: a long one is kept no longer.
  d.text = text.substr(0, kTextKept);
  add(std::move(d));
}

void describe_clear() {
  lib.describe.drawn.clear();
  lib.describe.gone = 0;
  lib.describe.changed = true;
}

void describe_canvas_moved() {
  for (Drawn& d : lib.describe.drawn) {
    Box& s = d.seen;
    if (!d.gone && !on_canvas(s.left, s.top, s.right, s.bottom, 0, &s)) drop(d);
  }
  lib.describe.changed = true;
}

std::vector<const Drawn*> drawn_kept() {
  std::vector<const Drawn*> kept;
  for (const Drawn& d : lib.describe.drawn)
    if (!d.gone) kept.push_back(&d);
  return kept;
}

std::string describe_canvas() {
  const Box shown = shown_box();
  std::vector<Sentence> sentences;
  // Shapes by kind, colour and fill; texts one by one.
  std::map<int, std::vector<const Drawn*>> groups;
  int shapes = 0, texts = 0;
  for (const Drawn* kept : drawn_kept()) {
    const Drawn& d = *kept;
    if (!meets(d.seen, shown)) continue;
    if (d.kind == DrawnKind::Text) {
      ++texts;
      sentences.push_back({d.y[0], d.x[0],
                           "text " + quoted(d.text, kTextQuoted) + " in " + colour_name(d.colour) +
                               " " + place(d.seen, shown) + ", at " + point(d.x[0], d.y[0])});
      continue;
    }
    ++shapes;
    if (across(d.seen, shown)) {
      const Box own = own_box(d);
      sentences.push_back({own.top, own.left, one_shape(d, shown)});
      continue;
    }
    groups[(static_cast<int>(d.kind) * 32 + d.colour) * 2 + d.filled].push_back(&d);
  }
  for (const auto& [key, members] : groups) {
    if (members.size() <= kMostTold) {
      for (const Drawn* d : members) {
        const Box own = own_box(*d);
        sentences.push_back({own.top, own.left, one_shape(*d, shown)});
      }
      continue;
    }
    Box own = own_box(*members[0]), seen = members[0]->seen;
    for (const Drawn* d : members) {
      own = joined(own, own_box(*d));
      seen = joined(seen, d->seen);
    }
    sentences.push_back({own.top, own.left,
                         std::to_string(members.size()) + " " + shape_name(*members[0], true) +
                             " " + place(seen, shown) + ", " + from_to(own)});
  }
  for (std::size_t i = 0; i < sentences.size(); ++i) sentences[i].order = i;
  std::sort(sentences.begin(), sentences.end(), [](const Sentence& a, const Sentence& b) {
    if (a.top != b.top) return a.top > b.top;
    return a.left != b.left ? a.left < b.left : a.order < b.order;
  });

  if (sentences.empty()) return "Nothing is drawn.";
  std::string out;
  if (shapes + texts > 1) {
    const auto count = [](int n, const char* what) {
      return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    if (shapes) out += count(shapes, "shape");
    if (shapes && texts) out += " and ";
    if (texts) out += count(texts, "text");
    out += ". ";
  }
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    if (i == kMostSentences) {
      out += "And " + std::to_string(sentences.size() - i) + " more. ";
      break;
    }
    std::string& words = sentences[i].words;
    if (words[0] >= 'a' && words[0] <= 'z') words[0] = static_cast<char>(words[0] - 'a' + 'A');
    out += words;
    out += ". ";
  }
  out.pop_back();
  return out;
}

void describe_at_wait(DescribeWhen when) {
  DescribeState& d = lib.describe;
  if (!started() || !d.changed) return;
  const std::int64_t now = platform::now_ms();
  if (when == DescribeWhen::Running && d.given && now - d.given_at < kDescribeEveryMs) return;
  platform::set_window_description(lib.windows.draw_window, describe_canvas());
  d.changed = false;
  d.given = true;
  d.given_at = now;
}

}  // namespace kx508
