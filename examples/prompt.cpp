// The prompt dialog: asks for a name, writes a greeting to the log window and draws one
// square per letter of it. A click or quit ends the program.
#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  char name[64] = "";
  if (KX508_gets_n("What is your name?", name, sizeof name) == 0)
    KX508_log("The prompt could not be shown\n");
  KX508_log("Hello, %s!\n", name[0] ? name : "whoever you are");
  // Letters, not bytes: in UTF-8 a letter past ASCII takes two to four bytes, and all
  // but its first are of the form 10xxxxxx.
  int letters = 0;
  for (const char* c = name; *c; ++c) letters += (*c & 0xC0) != 0x80;
  for (int i = 0; i < letters; ++i)
    KX508_draw_rectangle(i % 22 + 2, -200 + 25 * i, 10, -180 + 25 * i, -10, 0);
  for (;;) {
    int x, y;
    char key;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_MOUSE || event == KX508_QUIT) break;
  }
  KX508_stop();
  return 0;
}
