// --help and --version, answered by the process entry before the program runs: a program's
// own text first, then the library's options and the Run menu's keys. The program's text
// is this file's app::help(), so the cases have an executable of their own.
#include <string>
#include <vector>

#include "library_fixture.h"

namespace {

const char* given_help = nullptr;

bool program_ran = false;
int the_program() {
  program_ran = true;
  return 0;
}

struct Answer {
  int status;
  std::string out, err;
};

Answer answer(const char* command_line) {
  program_ran = false;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = KX508_process_entry("/opt/bin/prog.exe", nullptr, command_line, 1, the_program);
  const std::string out = testing::internal::GetCapturedStdout();
  return {status, out, testing::internal::GetCapturedStderr()};
}

bool starts_with(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

const std::string kUsage = "Usage: prog [--help | --version]\n";

class Help : public LibraryTest {};

TEST_F(Help, TheProgramsTextComesAboveTheLibrarysOptions) {
  given_help = "A program that counts sheep.\nClick to stop.\n";
  Answer a = answer("--help");
  EXPECT_EQ(a.status, 0);
  EXPECT_FALSE(program_ran);
  EXPECT_EQ(a.err, "");
  EXPECT_TRUE(starts_with(a.out, std::string(given_help) + "\n" + kUsage)) << a.out;
  EXPECT_NE(a.out.find("KX508_PLAY=script"), std::string::npos) << a.out;
  // No window was opened for it.
  EXPECT_FALSE(kx508::started());

  // A text without its line end gets one before the blank line.
  given_help = "Sheep, counted.";
  EXPECT_TRUE(starts_with(answer("--help").out, "Sheep, counted.\n\n" + kUsage));
}

TEST_F(Help, WithoutTheProgramsTextItIsTheLibrarysAlone) {
  for (const char* none : {static_cast<const char*>(nullptr), ""}) {
    given_help = none;
    Answer a = answer("--help");
    EXPECT_EQ(a.status, 0);
    EXPECT_FALSE(program_ran);
    EXPECT_TRUE(starts_with(a.out, kUsage)) << a.out;
  }
}

TEST_F(Help, VersionIsOneLineWhateverTheProgramsText) {
  given_help = "A program that counts sheep.\n";
  Answer a = answer("--version");
  EXPECT_EQ(a.status, 0);
  EXPECT_FALSE(program_ran);
  EXPECT_EQ(a.out, std::string("prog (KX508 ") + KX508_VERSION + ")\n");
}

// Only --help or --version alone is answered: anything else starts the program.
TEST_F(Help, OtherArgumentsRunTheProgram) {
  for (const char* line : {"--help --version", "-h", "x --help"}) {
    Answer a = answer(line);
    EXPECT_TRUE(program_ran) << line;
    EXPECT_EQ(a.out, "") << line;
  }
}

// Every shortcut the menu shows is listed, with its letter, and none that it does not.
TEST_F(Help, ListsTheKeysTheMenuShows) {
  given_help = nullptr;
  const std::string out = answer("--help").out;
  start();
  int shown = 0;
  for (const kx508::platform::MenuEntry& e : hl::popup_entries(kx508::lib.windows.draw_window, 0)) {
    const std::size_t tab = e.text.find("\tCtrl+");
    if (tab == std::string::npos) continue;
    ++shown;
    const std::string key = e.text.substr(tab + 1) + " ";
    EXPECT_NE(out.find(key), std::string::npos) << key << " is not in:\n" << out;
  }
  EXPECT_EQ(shown, 8);
  std::size_t listed = 0;
  for (std::size_t at = out.find("Ctrl+"); at != std::string::npos; at = out.find("Ctrl+", at + 1))
    ++listed;
  EXPECT_EQ(listed, static_cast<std::size_t>(shown)) << out;
}

}  // namespace

const char* app::help() { return given_help; }
