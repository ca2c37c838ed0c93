// Starting Qt: the application object, Qt's log filtered of environment noise, and the
// display probe that picks the platform and turns "no display" into one line.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "qt/qt_internal.h"

namespace platform::qt {

namespace {

// QApplication keeps references to these for its whole life.
int app_argc = 1;
char app_name[] = "kx508";
char* app_argv[] = {app_name, nullptr};

QtMessageHandler previous_handler = nullptr;
bool creating_app = false;

// What the platform plugin said while the application was being made: the reason, should
// no plugin start.
struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};
std::vector<HeldMessage> held_messages;

// Warnings about the environment that say nothing about the program; they would only
// clutter the terminal.
bool is_noise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg || type == QtCriticalMsg) return false;
  static const char* const kNoise[] = {
      "XDG_RUNTIME_DIR",
      "QStandardPaths:",
      "Fontconfig",
      "fontconfig",
      "propagateSizeHints",
      "Ignoring XDG_SESSION_TYPE",
      "invalid style override",
      "This plugin does not support",
  };
  for (const char* n : kNoise)
    if (text.contains(QLatin1String(n))) return true;
  const char* category = context.category ? context.category : "";
  if (std::strcmp(category, "qt.qpa.fonts") == 0) return true;
  // A plugin that failed to load while another one started is no news.
  if (std::strcmp(category, "qt.qpa.plugin") == 0) return true;
  return false;
}

void print_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (is_noise(type, context, text)) return;
  if (previous_handler) {
    previous_handler(type, context, text);
    return;
  }
  std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, text).toLocal8Bit().constData());
  std::fflush(stderr);
}

void message_handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const char* category = context.category ? context.category : "";
  if (type == QtFatalMsg && creating_app) {
    // No platform plugin could start: Qt would abort and dump core. End as the library
    // does when no display can be opened: one line and status 1.
    QString reason = text.section(QLatin1Char('.'), 0, 0).trimmed();
    if (!held_messages.empty())
      reason = held_messages.back().text.section(QLatin1Char('\n'), 0, 0).trimmed();
    std::fprintf(stderr, "KX508: cannot start the Qt platform \"%s\": %s; %s\n",
                 qgetenv("QT_QPA_PLATFORM").constData(), reason.toLocal8Bit().constData(),
                 kRunHeadless);
    std::fflush(stderr);
    std::_Exit(1);
  }
  if (creating_app && std::strncmp(category, "qt.qpa", 6) == 0) {
    held_messages.push_back({type, category, text});
    return;
  }
  print_message(type, context, text);
}

// The application started: what its plugin said is shown as usual.
void release_held_messages() {
  for (const HeldMessage& m : held_messages) {
    QMessageLogContext context(nullptr, 0, nullptr, m.category.c_str());
    print_message(m.type, context, m.text);
  }
  held_messages.clear();
}

// Decides the Qt platform plugin and, for X11, checks that the display can be reached:
// Qt itself would abort when it cannot. The open check connection is returned in *held:
// closing it before Qt connects would let a server that resets on its last client's exit
// (a bare Xvfb) reset just as Qt connects, and refuse it.
bool probe_display(std::string* why, xcb_connection_t** held) {
  *held = nullptr;
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  std::string plugin = chosen && *chosen ? chosen : "";
  if (plugin.empty()) {
    // Only X11 is probed; without this Qt would try others on its own.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    plugin = "xcb";
  }
  // With a list ("xcb;offscreen") Qt falls back by itself; options follow ':'.
  if (plugin.find(';') != std::string::npos) return true;
  if (plugin.substr(0, plugin.find(':')) != "xcb") return true;

  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    *why = std::string("cannot open a display: DISPLAY is not set; ") + kRunHeadless;
    return false;
  }
  // A server whose last client has just left (this process's previous run, or another
  // program) refuses connections while it resets: try again a few times, briefly.
  for (int delay_ms : {50, 100, 200, 0}) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (!xcb_connection_has_error(connection)) {
      *held = connection;
      return true;
    }
    xcb_disconnect(connection);  // an erroneous connection must be freed too
    if (delay_ms) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
  }
  *why = std::string("cannot connect to X display \"") + display + "\"; " + kRunHeadless;
  return false;
}
}  // namespace

void install_message_handler() { previous_handler = qInstallMessageHandler(message_handler); }

void restore_message_handler() { qInstallMessageHandler(previous_handler); }

QApplication* make_application(std::string* why) {
  xcb_connection_t* probe = nullptr;
  if (!probe_display(why, &probe)) return nullptr;
  install_message_handler();
  // Whole scale factors only, so that a canvas pixel is a square of screen pixels.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::Round);
  // The bar stays in the window: a desktop-wide menu would change the client area.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  creating_app = true;
  auto* app = new QApplication(app_argc, app_argv);
  creating_app = false;
  if (probe) xcb_disconnect(probe);
  release_held_messages();
  return app;
}

}  // namespace platform::qt

#if defined(__SANITIZE_ADDRESS__)
// Without a session bus, libdbus keeps a buffer from the bus look-up that Qt's accessibility
// bridge makes once per process: libdbus's to free, not ours. Weak, so that a program with
// suppressions of its own keeps them.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
#endif
