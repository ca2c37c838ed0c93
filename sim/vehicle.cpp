// Vehicles: choosing a destination, the turn code at the end of a road, and the body and
// arrow each kind draws.
#include "vehicle.h"

#include "display.h"
#include "random_source.h"

namespace {

constexpr int kRed = 2;
constexpr int kWhite = 1;
constexpr int kBlue = 4;
constexpr int kYellow = 5;

const Point kCandidates[4] = {Point(0, 0), Point(-100, 200), Point(0, 200), Point(100, 100)};

// Rows: destination east, west, north, south of the vehicle, or on it; columns: heading.
constexpr int kTurns[5][4] = {
    {3, 2, 1, 2},
    {1, 2, 3, 3},
    {1, 3, 2, 1},
    {2, 3, 1, 1},
    {4, 4, 4, 4},
};

// Which row of kTurns a destination falls in; x decides before y.
int bearing(Point at, Point destination) {
  if (at.x() < destination.x()) return 0;
  if (at.x() > destination.x()) return 1;
  if (at.y() < destination.y()) return 2;
  if (at.y() > destination.y()) return 3;
  return 4;
}

// The heading that rules a candidate out, per row of kTurns; the vehicle's own spot is
// always ruled out.
constexpr Direction kHeadingAway[4] = {3, 1, 2, 0};

// The red arrow, described for heading north and turned into place.
void drawArrow(Display& display, Point at, Direction heading, int halfBase) {
  Point first(at.x() - halfBase, at.y() + 5);
  Point second(at.x() + halfBase, at.y() + 5);
  Point tip(at.x(), at.y() + 10);
  rotateAbout(first, at, heading);
  rotateAbout(second, at, heading);
  rotateAbout(tip, at, heading);
  display.triangle(first.x(), first.y(), second.x(), second.y(), tip.x(), tip.y(), kRed, 0);
}

void drawSquare(Display& display, Point at, Direction heading, int colour) {
  display.rectangle(at.x() - 5, at.y() - 5, at.x() + 5, at.y() + 5, colour, 0);
  drawArrow(display, at, heading, 5);
}

}  // namespace

Vehicle::Vehicle() : position_(0, 0), heading_(0), destination_(0, 0) { chooseDestination(); }

void Vehicle::chooseDestination() {
  seedFromClock();
  Point at = position_;
  Direction h = heading();
  for (;;) {
    destination_ = kCandidates[randomSource.draw() % 4];
    int row = bearing(at, destination_);
    if (row != 4 && kHeadingAway[row] != h) return;
  }
}

int Vehicle::nextTurn() const {
  Direction h = heading();
  // Roads only ever give headings 0..3; read anything else as north rather than index
  // past the table.
  if (h < 0 || h > 3) h = 0;
  return kTurns[bearing(position_, destination_)][h];
}

void Vehicle::tick() {}
void Vehicle::advance(int n) { stepPoint(position_, heading_, n); }
void Vehicle::setHeading(Direction d) { heading_ = d; }
void Vehicle::setPosition(Point p) { position_ = p; }
Point Vehicle::position() const { return position_; }
Direction Vehicle::heading() const { return heading_; }

void Vehicle::draw(Display& display) { drawSquare(display, position_, heading_, kWhite); }

BlueVehicle::BlueVehicle() { chooseDestination(); }

void BlueVehicle::draw(Display& display) { drawSquare(display, position(), heading(), kBlue); }

SlimVehicle::SlimVehicle() { chooseDestination(); }

void SlimVehicle::draw(Display& display) {
  Point at = position();
  if (heading() == 1 || heading() == 3)
    display.rectangle(at.x() - 5, at.y() - 2, at.x() + 5, at.y() + 2, kYellow, 0);
  else
    display.rectangle(at.x() - 2, at.y() - 5, at.x() + 2, at.y() + 5, kYellow, 0);
  drawArrow(display, at, heading(), 2);
}

LongVehicle::LongVehicle() { chooseDestination(); }

void LongVehicle::draw(Display& display) {
  // Reaches 5 ahead of the position and 8 behind it.
  Point at = position();
  int x = at.x(), y = at.y();
  switch (heading()) {
    case 1: display.rectangle(x - 8, y - 5, x + 5, y + 5, kRed, 0); break;
    case 2: display.rectangle(x - 5, y - 5, x + 5, y + 8, kRed, 0); break;
    case 3: display.rectangle(x - 5, y - 5, x + 8, y + 5, kRed, 0); break;
    default: display.rectangle(x - 5, y - 8, x + 5, y + 5, kRed, 0); break;
  }
  drawArrow(display, at, heading(), 5);
}
