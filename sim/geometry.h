// Points and compass directions on the simulation's integer plane (y grows upward).
#pragma once

#include <cstdint>

// 0 north (+y), 1 east (+x), 2 south (-y), 3 west (-x); also the index of an
// intersection side.
using Direction = std::int32_t;

class Point {
 public:
  Point() : x_(0), y_(0) {}
  Point(std::int32_t x, std::int32_t y) : x_(x), y_(y) {}

  std::int32_t x() const { return x_; }
  std::int32_t y() const { return y_; }

  friend bool operator==(const Point&, const Point&) = default;

 private:
  // Underscored only because the accessors take the plain names.
  std::int32_t x_;
  std::int32_t y_;
};

// The three direction maps answer 0 for anything outside 0..3.
Direction nextDirection(Direction d);
Direction oppositeDirection(Direction d);
Direction previousDirection(Direction d);

// The other end index of a road: 0 -> 1, anything else -> 0.
int otherEnd(int i);

// Moves p by n units along d; any d outside 0..3 leaves p alone.
void stepPoint(Point& p, Direction d, int n);

// Turns p about centre by k clockwise quarter turns; k is taken modulo 4.
void rotateAbout(Point& p, const Point& centre, int k);
