// Test helper for runs recorded live: seeds its randomness from the clock and animates,
// drawing a square of a random colour at a random place at each periodic event, a
// triangle at each click, and for a key a row of bars, one per letter of the word the
// prompt asks for. A marker at library point (0, 0) shows where the origin was. Ends on q or quit.
#include <cstring>

#include "kx508.h"

namespace {

void marker() { KX508_draw_rectangle(KX508_MAGENTA, -2, 2, 2, -2, 0); }

void random_square() {
  const int x = KX508_rand() % 240 + 20, y = KX508_rand() % 300 - 150;
  const int side = KX508_rand() % 20 + 4;
  const int colour = KX508_rand() % 24;
  KX508_draw_rectangle(colour == KX508_MAGENTA ? KX508_GREEN : colour, -x, y, -x + side,
                       y + side, 0);
}

void bars_for_a_word() {
  char word[32] = "";
  KX508_gets_n("A word?", word, sizeof word);
  KX508_draw_rectangle(KX508_WHITE, 20, -200, 280, -150, 0);
  for (int i = 0; word[i] != '\0'; ++i)
    KX508_draw_rectangle(static_cast<unsigned char>(word[i]) % 22 + 2, 20 + 12 * i, -200,
                         28 + 12 * i, -150, 0);
}

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  KX508_srand(static_cast<unsigned>(KX508_time()));
  KX508_clear();
  KX508_set_animation(KX508_ANIMATION_RUN);
  for (;;) {
    int x = 0, y = 0;
    char key = 0;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_QUIT || (event == KX508_KEY && key == 'q')) break;
    if (event == KX508_PERIODIC) random_square();
    if (event == KX508_MOUSE) KX508_draw_triangle(KX508_BLUE, x, y, x + 30, y, x + 15, y + 25, 0);
    if (event == KX508_KEY) bars_for_a_word();
    marker();
  }
  KX508_stop();
  return 0;
}
