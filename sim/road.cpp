// Roads: direction and entry point from their corners, the vehicle queue, moving and
// drawing the vehicles on it.
#include "road.h"

#include "display.h"
#include "vehicle.h"

namespace {
constexpr int kBlack = 0;
constexpr int kWhite = 1;
}  // namespace

Road::Road()
    : nodes{nullptr, nullptr},
      corners{Point(), Point()},
      cornerSet{false, false},
      direction(0),
      head(nullptr),
      tail(nullptr) {}

Road::~Road() {
  while (head) {
    QueueNode* next = head->next;
    delete head->vehicle;
    delete head;
    head = next;
  }
  tail = nullptr;
}

void Road::draw(Display& display) {
  display.rectangle(corners[0].x(), corners[0].y(), corners[1].x(), corners[1].y(), kBlack, 0);
  display.rectangle(corners[0].x(), corners[0].y(), corners[1].x(), corners[1].y(), kWhite, 1);
  // Front first, so the ones further back are painted over it.
  for (QueueNode* n = head; n; n = n->next) n->vehicle->draw(display);
}

void Road::tick() {
  for (QueueNode* n = head; n; n = n->next)
    if (!isAtEnd(n->vehicle)) n->vehicle->advance(1);
}

void Road::enter(Vehicle* vehicle) {
  QueueNode* node = new QueueNode{vehicle, nullptr};
  if (!head) {
    head = tail = node;
  } else {
    tail->next = node;
    tail = node;
  }
  vehicle->setPosition(entryPoint());
  vehicle->setHeading(direction);
}

bool Road::acceptsSpawn() { return true; }

void Road::setNode(TrafficNode* node, int index) { nodes[index] = node; }

void Road::setCorner(Point p, int index) {
  corners[index] = p;
  cornerSet[index] = true;
  if (cornerSet[0] && cornerSet[1]) computeDirection();
}

bool Road::hasRoom() {
  // The back vehicle is not counted.
  int count = 0;
  for (QueueNode* n = head; n && n != tail; n = n->next) ++count;
  return count < 4;
}

Vehicle* Road::popFront() {
  QueueNode* front = head;
  Vehicle* vehicle = front->vehicle;
  head = front->next;
  if (!head) tail = nullptr;
  delete front;
  return vehicle;
}

bool Road::frontArrived() { return head && isAtEnd(head->vehicle); }

int Road::frontTurn() { return head->vehicle->nextTurn(); }

Direction Road::frontHeading() { return head->vehicle->heading(); }

bool Road::isAtEnd(Vehicle* vehicle) {
  Point p = vehicle->position();
  switch (direction) {
    case 0: return p.y() >= corners[1].y();
    case 1: return p.x() >= corners[1].x();
    case 2: return p.y() <= corners[1].y();
    case 3: return p.x() <= corners[1].x();
    default: return false;
  }
}

void Road::computeDirection() {
  int dx = corners[1].x() - corners[0].x();
  int dy = corners[1].y() - corners[0].y();
  if (dx > 0 && dy > 0)
    direction = 1;
  else if (dx > 0 && dy < 0)
    direction = 2;
  else if (dx < 0 && dy < 0)
    direction = 3;
  else
    direction = 0;
}

Point Road::entryPoint() {
  // Integer halves truncate toward zero: a sum of -21 gives -10.
  if (direction == 0 || direction == 2)
    return Point((corners[0].x() + corners[1].x()) / 2, corners[0].y());
  return Point(corners[0].x(), (corners[0].y() + corners[1].y()) / 2);
}

std::vector<const Vehicle*> Road::queuedVehicles() const {
  std::vector<const Vehicle*> list;
  for (QueueNode* n = head; n; n = n->next) list.push_back(n->vehicle);
  return list;
}
