// A learner's program with names of its own that the library's insides once had: headers
// called display.h, surface.h and files.h beside it, and functions platform::draw_rectangle,
// platform::core::post and platform::files::open_for_reading with the same signatures as
// the adapter's of those names had. It builds, links and replays as any program does.
#include <cstdint>
#include <cstdio>
#include <string>

#include "display.h"
#include "files.h"
#include "surface.h"
#include <kx508/kx508.h>

namespace platform {
void draw_rectangle(Surface& s, const Pen&, const Brush&, std::int64_t, std::int64_t,
                    std::int64_t, std::int64_t) {
  ++s.drawn;
}
namespace core {
void post(const Message& m) { ++learner_posts; (void)m; }
}  // namespace core
namespace files {
std::FILE* open_for_reading(const char*, std::string*) { return nullptr; }
}  // namespace files
}  // namespace platform

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  platform::Surface mine;
  platform::draw_rectangle(mine, platform::Pen{}, platform::Brush{}, 0, 0, 1, 1);
  platform::core::post(platform::Message{});
  KX508_log("learner: drawn %d, posted %d, opened %s\n", mine.drawn, platform::learner_posts,
            platform::files::open_for_reading("x", nullptr) ? "something" : "nothing");
  KX508_draw_triangle(KX508_BLUE, -60, -40, 60, -40, 0, 60, 0);
  int x, y;
  char key;
  while (KX508_wait_event(&x, &y, &key) != KX508_QUIT) {
  }
  KX508_stop();
  return 0;
}
