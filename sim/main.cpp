// The program's main routine: one display, one world, and a loop that ticks the world on
// every periodic event and redraws it after every event until a click or quit.
#include "display.h"
#include "kx508.h"
#include "network.h"
#include "random_source.h"
#include "world.h"

int app::main() {
  bool stop = false;
  Display display;
  display.clear(1);
  display.animate(2);
  World world;
  buildNetwork(world);
  seedFromClock();

  while (!stop) {
    int x = 0, y = 0;
    char key = 0;
    int event = display.awaitEvent(x, y, key);
    if (event == KX508_MOUSE || event == KX508_QUIT)
      stop = true;
    else if (event == KX508_PERIODIC)
      world.tick();
    world.draw(display);
  }
  // The world goes before the display; the network it listed lives until the process
  // ends.
  return 0;
}
