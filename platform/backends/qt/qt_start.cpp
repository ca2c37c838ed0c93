// Starting Qt: the choice of Qt platform, the application object, and Qt's log filtered
// of environment noise, with "no display" turned into one line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "qt_internal.h"

namespace kx508::platform::qt {

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
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    const std::string platform = chosen.isEmpty()
                                     ? std::string("Qt's default platform")
                                     : "the Qt platform \"" + chosen.toStdString() + "\"";
    std::fprintf(stderr, "KX508: cannot start %s: %s; %s\n", platform.c_str(),
                 reason.toLocal8Bit().constData(), kRunHeadless);
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

// The Qt platform plugin this process asks for, set in QT_QPA_PLATFORM for Qt to read
// when the user named none.
std::string choose_platform() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  const std::string plugin =
      platform_to_ask_for(chosen, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
  if (!(chosen && *chosen) && !plugin.empty()) setenv("QT_QPA_PLATFORM", plugin.c_str(), 1);
  return plugin;
}

#ifdef KX508_HAVE_X11
// Whether Qt will try X11 and nothing else. With a list ("xcb;offscreen") Qt falls back
// by itself; options follow ':'.
bool only_xcb(const std::string& plugin) {
  return plugin.find(';') == std::string::npos && plugin.substr(0, plugin.find(':')) == "xcb";
}
#endif

}  // namespace

std::string platform_to_ask_for(const char* user_choice, const char* display,
                                const char* wayland_display) {
  auto set = [](const char* value) { return value && *value; };
  if (set(user_choice)) return user_choice;
#ifdef Q_OS_LINUX
  // Only a Wayland display: Qt's default, X11, would find no server. With both, X11
  // stays, as Wayland compositors may not honour the windows' positions.
  if (!set(display) && set(wayland_display)) return "wayland";
#else
  (void)display, (void)wayland_display;
#endif
#ifdef KX508_HAVE_X11
  // Only X11 is probed; without this Qt would try others on its own.
  return "xcb";
#else
  return {};
#endif
}

void install_message_handler() { previous_handler = qInstallMessageHandler(message_handler); }

void restore_message_handler() { qInstallMessageHandler(previous_handler); }

QApplication* make_application(std::string* why) {
  [[maybe_unused]] const std::string plugin = choose_platform();
#ifdef KX508_HAVE_X11
  X11Probe probe;  // held until Qt has made its own connection
  if (only_xcb(plugin) && !probe.connect(why)) return nullptr;
#else
  (void)why;  // without the probe only Qt itself can find there is no display
#endif
  install_message_handler();
  // Whole scale factors only, so that a canvas pixel is a square of screen pixels.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::Round);
  // The bar stays in the window: a desktop-wide menu would change the client area.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  // On X11 the window gets a few small changed parts ten times a second. Sending those
  // with the request costs less than a shared-memory image, which takes a round trip to
  // the server for each; unless the user chose otherwise.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  creating_app = true;
  auto* app = new QApplication(app_argc, app_argv);
  creating_app = false;
  release_held_messages();
  return app;
}

}  // namespace kx508::platform::qt

#if defined(__SANITIZE_ADDRESS__)
// Without a session bus, libdbus keeps a buffer from the bus look-up that Qt's accessibility
// bridge makes once per process: libdbus's to free, not ours. Weak, so that a program with
// suppressions of its own keeps them.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
#endif
