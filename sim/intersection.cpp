// Intersections: attaching roads at their sides, the signal cycle, and moving arrived
// vehicles onto the road their turn picks, or out of the network.
#include "intersection.h"

#include "display.h"
#include "road.h"
#include "vehicle.h"

namespace {
constexpr int kBlack = 0;
constexpr int kLastPhase = 50;
// North-south traffic goes above this phase, east-west at or below it.
constexpr int kSwitchPhase = 25;
}  // namespace

Intersection::Intersection() : Intersection(Point()) {}

Intersection::Intersection(Point at) : phase(0), centre(at), roads{} {}

void Intersection::draw(Display& display) {
  display.rectangle(edge(3), edge(2), edge(1), edge(0), kBlack, 0);
}

void Intersection::tick() {
  if (--phase < 0) phase = kLastPhase;

  for (int side = 0; side < 4; ++side) {
    Road* in = roads[side][0];
    if (!in || !in->frontArrived()) continue;

    Road* out = nullptr;
    switch (in->frontTurn()) {
      case 1: out = roads[previousDirection(side)][1]; break;
      case 2: out = roads[oppositeDirection(side)][1]; break;
      case 3: out = roads[nextDirection(side)][1]; break;
      default: break;  // destination reached: the vehicle leaves the network
    }
    if (out && !out->hasRoom()) continue;

    Direction heading = in->frontHeading();
    bool northSouth = heading == 0 || heading == 2;
    bool mayGo = northSouth ? phase > kSwitchPhase : phase <= kSwitchPhase;
    if (!mayGo) continue;

    Vehicle* vehicle = in->popFront();
    if (out)
      out->enter(vehicle);
    else
      delete vehicle;
  }
}

void Intersection::enter(Vehicle*) {}

bool Intersection::acceptsSpawn() { return false; }

void Intersection::setLocation(Point p) { centre = p; }

void Intersection::attachRoad(Road* road, int side, int end) {
  roads[side][end] = road;
  road->setNode(this, otherEnd(end));
  // The north edge's midpoint for an arriving road, its north-east corner for a leaving
  // one, turned onto the requested side.
  Point corner(end == 0 ? centre.x() : edge(1), edge(0));
  rotateAbout(corner, centre, side);
  road->setCorner(corner, otherEnd(end));
}

int Intersection::edge(int side) {
  switch (side) {
    case 0: return centre.y() + 20;
    case 1: return centre.x() + 20;
    case 2: return centre.y() - 20;
    case 3: return centre.x() - 20;
    default: return 0;
  }
}

Point Intersection::location() { return centre; }
