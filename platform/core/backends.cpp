// The backends this build has, in order of preference, and opening one by name.
#include <cstdlib>

#include "backends.h"
#include "driver.h"

namespace kx508::platform {

namespace {

constexpr Backend kBackends[] = {
#ifdef KX508_HAVE_WEB
    {"web", "the elements of a web page, in a browser", make_web_driver},
#endif
#ifdef KX508_HAVE_WIN32
    {"win32", "Windows API windows", make_win32_driver},
#endif
#ifdef KX508_HAVE_QT
    {"qt", "Qt 6 Widgets windows on X11 or Wayland", make_qt_driver},
#endif
#ifdef KX508_HAVE_HEADLESS
    {"headless", "no windows: in memory, on a virtual clock", make_headless_driver},
#endif
};

}  // namespace

std::span<const Backend> backends() { return kBackends; }

const Backend* find_backend(const std::string& name) {
  for (const Backend& b : kBackends)
    if (name == b.name) return &b;
  return nullptr;
}

std::string backend_choices() {
  std::string list;
  for (const Backend& b : kBackends) {
    if (!list.empty()) list += "; ";
    list += std::string(b.name) + " (" + b.description + ")";
  }
  return list;
}

bool open(std::string* why) {
  const char* name = std::getenv("KX508_PLATFORM");
  return open_backend(name && *name ? name : kBackends[0].name, why);
}

}  // namespace kx508::platform
