// The World: a list of the network's objects, drawn and ticked newest first.
#include "world.h"

World::World() : head(nullptr), spawnCounter(0) {}

World::~World() {
  // Only the nodes are ours: the listed objects live until the process ends.
  while (head) {
    Node* next = head->next;
    delete head;
    head = next;
  }
}

void World::draw(Display& display) {
  for (Node* n = head; n; n = n->next) n->object->draw(display);
}

void World::tick() {
  for (Node* n = head; n; n = n->next) n->object->tick();
  if (spawnCounter < 20) {
    ++spawnCounter;
  } else {
    spawnVehicle();
    spawnCounter = 0;
  }
}

void World::add(SimObject* object) { head = new Node{object, head}; }

std::vector<SimObject*> World::objects() const {
  std::vector<SimObject*> list;
  for (Node* n = head; n; n = n->next) list.push_back(n->object);
  return list;
}
