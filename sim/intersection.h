// A signalled square junction, 40 by 40, with one arriving and one leaving road slot on
// each side. It owns nothing and holds no vehicles.
#pragma once

#include "geometry.h"
#include "world.h"

class Road;

class Intersection : public TrafficNode {
 public:
  Intersection();
  explicit Intersection(Point centre);
  // Leaves the roads and their vehicles alone.
  ~Intersection() override = default;

  // A black square; signals are not drawn.
  void draw(Display& display) override;
  // Steps the signal, then serves the north, east, south and west sides once each.
  void tick() override;
  // Vehicles are never handed to an intersection: it neither keeps nor destroys them.
  void enter(Vehicle* vehicle) override;
  bool acceptsSpawn() override;
  virtual void setLocation(Point p);
  // end 0: the road arrives at this side; end 1: it leaves by it.
  virtual void attachRoad(Road* road, int side, int end);
  // The coordinate of one edge of the square; 0 for a side outside 0..3.
  virtual int edge(int side);
  virtual Point location();

  // Read-only view of a road slot, for tests.
  Road* roadAt(int side, int end) const { return roads[side][end]; }

 private:
  int phase;
  Point centre;
  Road* roads[4][2];
};
