// The "&Run" menu, its commands and their Ctrl+letter shortcuts, typed characters as
// keyboard events, and switching the log on and off.
#include "internal.h"

namespace kx508 {

namespace {

using platform::MenuFlag;

// An entry of the menu. Its shortcut letter is written here alone: the entry's text shows
// it, the key handler runs the entry by it, and --help lists it with what it does.
struct MenuItem {
  unsigned flags;
  int id;
  const char* text;
  char key;          // Ctrl+key runs the entry; 0 for none
  const char* does;  // what the key does, as --help says it
};

// The information lines at the bottom of the menu; they cannot be chosen.
constexpr const char* kAboutLine = "KX508 graphics library: write to the maintainers";
constexpr const char* kMacLine = "MAC: maintainers@users.noreply.c-seed-a2d10b04.example";
constexpr const char* kWindowsLine = "WINDOWS: maintainers@users.noreply.c-seed-a2d10b04.example";
constexpr const char* kUpdatesLine = "UPDATES: maintainers@users.noreply.c-seed-a2d10b04.example";

constexpr MenuItem kRunMenu[] = {
    {MenuFlag::String, kCmdAnimate, "&Animate", 'A', "animate"},
    {MenuFlag::String, kCmdHalt, "&Halt animation", 'H', "halt"},
    {MenuFlag::String, kCmdAdvanceFrame, "Advance one &frame", 'F', "one frame"},
    {MenuFlag::Separator, 0, "", 0, nullptr},
    {MenuFlag::Checked, kCmdLogging, "&Logging", 'L', "logging"},
    {MenuFlag::Separator, 0, "", 0, nullptr},
    {MenuFlag::String, kCmdRecord, "&Record Script", 'R', "record KX508.SCR"},
    {MenuFlag::String, kCmdPlayback, "&Playback Script", 'P', "play it back"},
    {MenuFlag::String, kCmdPlayOne, "Play &One Script", 'O', "play one event"},
    {MenuFlag::Separator, 0, "", 0, nullptr},
    {MenuFlag::String, kCmdQuit, "&Quit", 'Q', "quit"},
    {MenuFlag::Separator, 0, "", 0, nullptr},
    {MenuFlag::Grayed, kCmdInformation, kAboutLine, 0, nullptr},
    {MenuFlag::Grayed, kCmdInformation, kMacLine, 0, nullptr},
    {MenuFlag::Grayed, kCmdInformation, kWindowsLine, 0, nullptr},
    {MenuFlag::Grayed, kCmdInformation, kUpdatesLine, 0, nullptr},
};

// Letters come as their upper-case virtual-key codes, whatever the case typed.
int command_for_key(int vk) {
  for (const MenuItem& item : kRunMenu)
    if (item.key != 0 && item.key == vk) return item.id;
  return 0;
}

void set_logging_flag(bool on) {
  lib.draw.logging_enabled = on;
  platform::check_menu_item(lib.menu.run_menu, kCmdLogging, on);
}

// Recording and playback share one file and one periodic count, so only one of them may
// be on at a time.
// The messages name the files as they are: the played one may be another (KX508_PLAY).
bool playback_refused() {
  if (!lib.script.recording_on) return false;
  const std::string& played = lib.script.play_path;
  if (played == kScriptName)
    KX508_log("Cannot play back script file %s while recording it; stop recording first\n",
              kScriptName);
  else
    KX508_log("Cannot play back script file %s while recording %s; stop recording first\n",
              played.c_str(), kScriptName);
  return true;
}

void recording_refused() {
  const std::string& played = lib.script.play_path;
  if (played == kScriptName)
    KX508_log("Cannot record script file %s while playing it back; stop playback first\n",
              kScriptName);
  else
    KX508_log("Cannot record script file %s while playing back %s; stop playback first\n",
              kScriptName, played.c_str());
}

void toggle_recording() {
  ScriptState& script = lib.script;
  if (script.recording_on) {
    stop_recording();
    return;
  }
  if (script.playback_on) {
    recording_refused();
    return;
  }
  // A file left open by an earlier play-one is open for reading: start afresh.
  script_close();
  script.recording_on = true;
  script.refused = false;
  platform::check_menu_item(lib.menu.run_menu, kCmdRecord, true);
  KX508_log("Recording %s: input only, from now on; what the program did before is not in"
            " it\n", kScriptName);
}

void toggle_playback() {
  ScriptState& script = lib.script;
  if (script.playback_on) {
    script.playback_on = false;
    platform::check_menu_item(lib.menu.run_menu, kCmdPlayback, false);
    script_close();
    return;
  }
  if (playback_refused()) return;
  lib.animation.running = false;
  lib.animation.step_pending = false;
  script.playback_on = true;
  platform::check_menu_item(lib.menu.run_menu, kCmdPlayback, true);
}

}  // namespace

void build_menu_bar(platform::Window window) {
  platform::Menu& run_menu = lib.menu.run_menu;
  platform::Menu bar = platform::create_menu();
  run_menu = platform::create_popup_menu();
  for (const MenuItem& item : kRunMenu) {
    std::string text = item.text;
    if (item.key != 0) text += std::string("\tCtrl+") + item.key;
    platform::append_menu(run_menu, item.flags, static_cast<std::uint32_t>(item.id), text);
  }
  platform::append_menu(bar, platform::MenuFlag::Popup, run_menu, "&Run");
  platform::set_menu(window, bar);
  platform::draw_menu_bar(window);
}

std::vector<std::string> menu_keys() {
  std::vector<std::string> keys;
  for (const MenuItem& item : kRunMenu)
    if (item.key != 0) keys.push_back(std::string("Ctrl+") + item.key + " " + item.does);
  return keys;
}

void on_command(int id) {
  AnimationState& animation = lib.animation;
  switch (id) {
    case kCmdAnimate:
      animation.running = true;
      break;
    case kCmdHalt:
      animation.running = false;
      break;
    case kCmdAdvanceFrame:
      animation.running = false;
      animation.step_pending = true;
      break;
    case kCmdLogging:
      set_logging_flag(!lib.draw.logging_enabled);
      // Switching logging on brings back a text window the user closed, with its lines.
      if (lib.draw.logging_enabled && !platform::is_window_shown(lib.windows.text_window))
        show_text_window();
      break;
    case kCmdRecord:
      toggle_recording();
      break;
    case kCmdPlayback:
      toggle_playback();
      break;
    case kCmdPlayOne:
      if (playback_refused()) break;
      lib.script.play_one_pending = true;
      animation.running = false;
      animation.step_pending = false;
      break;
    case kCmdQuit:
      platform::post_quit_message(0);
      break;
    default:
      break;
  }
}

namespace {

// Ctrl's own key goes by the key; any other key says whether Ctrl is held, and that
// wins over what we remembered: a Ctrl released while another program had the focus,
// however briefly, never reached us.
void note_ctrl(int vk, bool down, std::uint32_t modifiers) {
  if (vk == platform::Key::Control) lib.menu.ctrl_down = down;
  else lib.menu.ctrl_down = (modifiers & platform::Modifier::Ctrl) != 0;
}

}  // namespace

void on_key_down(int vk, std::uint32_t modifiers) {
  note_ctrl(vk, true, modifiers);
  if (vk == platform::Key::Control || !lib.menu.ctrl_down) return;
  if (int id = command_for_key(vk)) on_command(id);
}

void on_key_up(int vk, std::uint32_t modifiers) { note_ctrl(vk, false, modifiers); }

// Of the menu's commands only Quit works while the prompt is open, so that a program that
// prompts again and again can still be ended.
void on_key_in_prompt(int vk, std::uint32_t modifiers) {
  if ((modifiers & platform::Modifier::Ctrl) && command_for_key(vk) == kCmdQuit)
    on_command(kCmdQuit);
}

void on_char(int code) {
  // Ctrl+letter types a control character; those are commands, never keyboard events.
  if (lib.menu.ctrl_down) return;
  lib.event.kind = KX508_KEY;
  lib.event.key = static_cast<char>(code & 0xFF);
}

// A Ctrl key released while another program has the focus never reaches us; forget it,
// or plain letters would run commands.
void on_focus_lost() { lib.menu.ctrl_down = false; }

void on_draw_window_destroyed(platform::Window window) {
  platform::kill_timer(window, kTimerId);
  platform::post_quit_message(0);
}

void show_text_window() { platform::show_window(lib.windows.text_window); }

}  // namespace kx508

using namespace kx508;

int KX508_set_logging(int on) {
  if (lib.windows.draw_window == 0) return 0;
  set_logging_flag(on != 0);
  if (lib.draw.logging_enabled) show_text_window();
  return 1;
}
