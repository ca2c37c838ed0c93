// Text in any script: a line in each of eleven, then the names the prompt is given, drawn
// on the canvas as they were typed. A click asks for another name; an empty reply, or
// closing the window (or Ctrl+Q), ends the program.
#include "kx508.h"

namespace {

struct Sample {
  const char* script;
  const char* text;
};

// The source is UTF-8, as the library reads text.
constexpr Sample kSamples[] = {
    {"Latin", "Élodie, François, Łukasz"},
    {"Greek", "Αλέξανδρος, Ελένη"},
    {"Cyrillic", "Юлия, Дмитрий"},
    {"Hebrew", "שָׁלוֹם, דוד 2024"},
    {"Arabic", "محمد، السلام عليكم"},
    {"Devanagari", "नमस्ते, प्रिया"},
    {"Han", "李雷, 韩梅梅"},
    {"Kana", "ひらがな, カタカナ"},
    {"Hangul", "한국어, 안녕하세요"},
    {"Emoji", "\U0001F600 (beyond the font: a box)"},
    {"Combining", "e\u0301 n\u0303 a\u0308 (a letter and its accent)"},
};

constexpr int kLeft = -280;
constexpr int kLine = 20;

bool ask_and_draw(int y) {
  KX508_flush();  // the window shows what is drawn so far while the prompt is up
  char name[64] = "";
  KX508_gets_n("Your name, in any script (empty to end)?", name, sizeof name);
  if (!name[0]) return false;
  KX508_draw_text(KX508_BLUE, kLeft, y, "Hello,");
  KX508_draw_text(KX508_BLUE, kLeft + KX508_text_width("Hello, "), y, name);
  KX508_log("Hello, %s!\n", name);
  return true;
}

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  int y = 230;
  for (const Sample& s : kSamples) {
    KX508_draw_text(KX508_GRAY_50, kLeft, y, s.script);
    KX508_draw_text(KX508_BLACK, kLeft + 100, y, s.text);
    y -= kLine;
  }
  y -= kLine / 2;
  while (ask_and_draw(y)) {
    y -= kLine;
    int x, mouse_y;
    char key;
    int event;
    do event = KX508_wait_event(&x, &mouse_y, &key);
    while (event != KX508_MOUSE && event != KX508_QUIT);
    if (event == KX508_QUIT) break;
  }
  KX508_stop();
  return 0;
}
