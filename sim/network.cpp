// Building the one network the simulation runs on, and adding a vehicle every 21 ticks.
#include "network.h"

#include "intersection.h"
#include "random_source.h"
#include "road.h"
#include "vehicle.h"

namespace {
constexpr int kNorth = 0, kEast = 1, kSouth = 2, kWest = 3;
constexpr int kArrives = 0, kLeaves = 1;
}  // namespace

void buildNetwork(World& world) {
  Intersection* i1 = new Intersection(Point(0, 0));
  Intersection* i2 = new Intersection(Point(0, 100));
  Intersection* i3 = new Intersection(Point(0, 200));
  Intersection* i4 = new Intersection(Point(-100, 100));
  Intersection* i5 = new Intersection(Point(-100, 200));
  Intersection* i6 = new Intersection(Point(150, 100));

  Road* r[11];
  for (int n = 1; n <= 10; ++n) r[n] = new Road();

  // Every road gets both ends before any vehicle enters it.
  i1->attachRoad(r[1], kNorth, kLeaves);
  i1->attachRoad(r[3], kNorth, kArrives);
  i2->attachRoad(r[1], kSouth, kArrives);
  i2->attachRoad(r[3], kSouth, kLeaves);
  i2->attachRoad(r[2], kNorth, kLeaves);
  i2->attachRoad(r[4], kNorth, kArrives);
  i3->attachRoad(r[2], kSouth, kArrives);
  i3->attachRoad(r[4], kSouth, kLeaves);
  i4->attachRoad(r[5], kEast, kLeaves);
  i4->attachRoad(r[6], kEast, kArrives);
  i2->attachRoad(r[5], kWest, kArrives);
  i2->attachRoad(r[6], kWest, kLeaves);
  i4->attachRoad(r[8], kNorth, kLeaves);
  i4->attachRoad(r[7], kNorth, kArrives);
  i5->attachRoad(r[8], kSouth, kArrives);
  i5->attachRoad(r[7], kSouth, kLeaves);
  i2->attachRoad(r[9], kEast, kArrives);
  i2->attachRoad(r[10], kEast, kLeaves);
  i6->attachRoad(r[10], kWest, kArrives);
  i6->attachRoad(r[9], kWest, kLeaves);

  // The list is newest first: intersections are ticked and drawn before the roads.
  for (int n = 1; n <= 10; ++n) world.add(r[n]);
  for (Intersection* i : {i1, i2, i3, i4, i5, i6}) world.add(i);

  r[1]->enter(new LongVehicle());
  r[4]->enter(new BlueVehicle());
  r[3]->enter(new SlimVehicle());
  r[5]->enter(new Vehicle());
  r[6]->enter(new Vehicle());
  r[7]->enter(new Vehicle());
  r[8]->enter(new Vehicle());
}

void World::spawnVehicle() {
  if (!head) return;
  int n = randomSource.draw() % 11 + 6;
  Node* at = head;
  for (int step = 0; step < n; ++step) at = at->next ? at->next : head;

  // Only traffic nodes can take a vehicle; of those, only roads accept one.
  auto* node = dynamic_cast<TrafficNode*>(at->object);
  if (!node || !node->acceptsSpawn()) return;

  Vehicle* vehicle = nullptr;
  switch (randomSource.draw() % 3) {
    case 0: vehicle = new BlueVehicle(); break;
    case 1: vehicle = new LongVehicle(); break;
    default: vehicle = new SlimVehicle(); break;
  }
  node->enter(vehicle);
}
