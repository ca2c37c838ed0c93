// Vehicles: where they are, which way they go and where they want to go. Roads move
// them; intersections ask them which way to turn.
#pragma once

#include "geometry.h"
#include "world.h"

class Vehicle : public SimObject {
 public:
  // Position (0, 0), heading north, destination chosen at random.
  Vehicle();
  ~Vehicle() override = default;
  Vehicle(const Vehicle&) = delete;
  Vehicle& operator=(const Vehicle&) = delete;

  // A white square with a red arrow.
  void draw(Display& display) override;
  // Vehicles are moved by their road, not by the World.
  void tick() override;
  virtual void advance(int n);
  virtual void setHeading(Direction d);
  virtual void setPosition(Point p);
  // 1 right, 2 straight on, 3 left, 4 destination reached.
  virtual int nextTurn() const;
  virtual Point position() const;
  virtual Direction heading() const;

  // Picks one of the fixed destinations that the heading does not rule out. Only
  // meant for construction: at other positions every candidate can be ruled out.
  void chooseDestination();

  // Read-only, for tests.
  Point destination() const { return destination_; }

 private:
  // Underscored only because operations take the plain names.
  Point position_;
  Direction heading_;
  Point destination_;
};

class BlueVehicle : public Vehicle {
 public:
  BlueVehicle();
  ~BlueVehicle() override = default;
  void draw(Display& display) override;
};

class SlimVehicle : public Vehicle {
 public:
  SlimVehicle();
  ~SlimVehicle() override = default;
  void draw(Display& display) override;
};

class LongVehicle : public Vehicle {
 public:
  LongVehicle();
  ~LongVehicle() override = default;
  void draw(Display& display) override;
};
