// The program's main routine: one display, one world, and a loop that ticks the world on
// every periodic event and redraws it after every event until a click or quit.
#include "display.h"
#include "kx508.h"
#include "network.h"
#include "random_source.h"
#include "world.h"

// What --help says first, above the library's options (which list the Run menu's keys).
const char* app::help() {
  return "A traffic simulation at six signalled intersections: four kinds of vehicles enter\n"
         "ten one-way lanes, queue at the lane ends, and cross when their signal and the\n"
         "next lane allow.\n"
         "A click in the drawing window ends it, as do Ctrl+Q and closing that window; other\n"
         "typed keys do nothing. The keys of the Run menu, below, animate, halt and step it,\n"
         "and record and play back scripts of clicks and keys.\n"
         "The manual page: man kx508-traffic\n";
}

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
