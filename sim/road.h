// A one-way lane from a side of one intersection to a side of another. It queues its
// vehicles first in, first out, and owns them.
#pragma once

#include <vector>

#include "geometry.h"
#include "world.h"

class Road : public TrafficNode {
 public:
  Road();
  // Destroys the vehicles still queued.
  ~Road() override;
  Road(const Road&) = delete;
  Road& operator=(const Road&) = delete;

  void draw(Display& display) override;
  // Moves every queued vehicle one unit unless it already stands at the end.
  void tick() override;
  // Queues the vehicle at the back, at the entry point, heading along the road. Never
  // refuses: only intersections respect hasRoom().
  void enter(Vehicle* vehicle) override;
  bool acceptsSpawn() override;
  // Index 0 is the intersection the road leaves, 1 the one it arrives at.
  virtual void setNode(TrafficNode* node, int index);
  // Index 0 is the start corner, 1 the end corner; the direction follows once both are set.
  virtual void setCorner(Point p, int index);
  // Room while at most four vehicles are queued, so an intersection can fill it to five.
  virtual bool hasRoom();
  // Unlinks the front vehicle and hands it to the caller; the queue must not be empty.
  virtual Vehicle* popFront();
  virtual bool frontArrived();
  virtual int frontTurn();

  Direction frontHeading();
  bool isAtEnd(Vehicle* vehicle);
  void computeDirection();
  Point entryPoint();

  // Read-only view of the queue, front first, for tests.
  std::vector<const Vehicle*> queuedVehicles() const;

 private:
  struct QueueNode {
    Vehicle* vehicle;
    QueueNode* next;
  };

  TrafficNode* nodes[2];
  Point corners[2];
  bool cornerSet[2];
  Direction direction;
  QueueNode* head;
  QueueNode* tail;
};
