// The skeleton of the simulation: what can be drawn and ticked, the nodes vehicles move
// through, and the World that lists the network.
#pragma once

#include <vector>

class Display;
class Vehicle;

class SimObject {
 public:
  virtual ~SimObject() = default;
  virtual void draw(Display& display) = 0;
  virtual void tick() = 0;
};

// Base of intersections and roads.
class TrafficNode : public SimObject {
 public:
  virtual void enter(Vehicle* vehicle) = 0;
  virtual bool acceptsSpawn() = 0;
};

// Lists the network's objects, newest first, without owning them.
class World : public SimObject {
 public:
  World();
  ~World() override;
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  void draw(Display& display) override;
  void tick() override;
  virtual void add(SimObject* object);

  // Puts a vehicle of a random kind on a randomly picked road (network.cpp).
  void spawnVehicle();

  // Read-only view of the list, first node first, for tests.
  std::vector<SimObject*> objects() const;

 private:
  struct Node {
    SimObject* object;
    Node* next;
  };

  Node* head;
  int spawnCounter;
};
