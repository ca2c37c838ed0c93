// Direction maps, stepping a point along a direction, and quarter turns about a centre.
#include "geometry.h"

Direction nextDirection(Direction d) {
  switch (d) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    case 3: return 0;
    default: return 0;
  }
}

Direction oppositeDirection(Direction d) {
  switch (d) {
    case 0: return 2;
    case 1: return 3;
    case 2: return 0;
    case 3: return 1;
    default: return 0;
  }
}

Direction previousDirection(Direction d) {
  switch (d) {
    case 0: return 3;
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    default: return 0;
  }
}

int otherEnd(int i) { return i == 0 ? 1 : 0; }

void stepPoint(Point& p, Direction d, int n) {
  switch (d) {
    case 0: p = Point(p.x(), p.y() + n); break;
    case 1: p = Point(p.x() + n, p.y()); break;
    case 2: p = Point(p.x(), p.y() - n); break;
    case 3: p = Point(p.x() - n, p.y()); break;
    default: break;
  }
}

void rotateAbout(Point& p, const Point& centre, int k) {
  // Counting up with nextDirection only ends for 0..3, so fold k into that range first.
  k %= 4;
  if (k < 0) k += 4;
  int dx = p.x() - centre.x();
  int dy = p.y() - centre.y();
  for (Direction f = 0; f != k;) {
    f = nextDirection(f);
    int turned = -dx;
    dx = dy;
    dy = turned;
  }
  p = Point(centre.x() + dx, centre.y() + dy);
}
