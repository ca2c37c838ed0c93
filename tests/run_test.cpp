// Runs: KX508_RECORD records every event from the start, the prompt's replies and the
// visible areas, with the replay's clock and generator, and KX508_PLAY of the file gives
// the program the same.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace {

class RunTest : public LibraryTest {
 protected:
  void TearDown() override {
    set_env("KX508_RECORD", nullptr);
    set_env("KX508_PLAY", nullptr);
    LibraryTest::TearDown();
  }

  static std::string read(const std::string& name) {
    std::stringstream s;
    s << std::ifstream(name, std::ios::binary).rdbuf();
    return s.str();
  }

  // The client line a run starts with: the headless window's client area.
  static std::string client() {
    const kx508::platform::Rect r = kx508::platform::client_rect(kx508::lib.windows.draw_window);
    return kx508::client_line({r.width(), r.height()}) + "\n";
  }

  static std::vector<kx508::platform::Colour> pixels() {
    const kx508::platform::Surface& c = kx508::lib.windows.canvas;
    return {c.data(), c.data() + static_cast<std::size_t>(c.width()) * c.height()};
  }

  // A reply typed into the prompt, should one open.
  static void answer_prompt(const std::string& typed) {
    hl::answer_next_dialog({[typed](hl::Dialog& d) {
      d.type(typed);
      d.press_enter();
    }});
  }

  // What the program under test sees: the clock and a random draw at each event, the
  // events themselves, and the prompt's replies.
  static std::vector<std::string> program(int events) {
    std::vector<std::string> seen;
    KX508_srand(static_cast<unsigned>(KX508_time()));
    KX508_set_animation(KX508_ANIMATION_RUN);
    for (int i = 0; i < events; ++i) {
      Event e = wait();
      if (e.kind == KX508_QUIT) break;
      seen.push_back(std::to_string(e.kind) + " " + std::to_string(e.x) + "," +
                     std::to_string(e.y) + " " + std::to_string(e.key) + " at " +
                     std::to_string(KX508_time()) + " draws " + std::to_string(KX508_rand()));
      if (e.kind == KX508_KEY) {
        char reply[16] = "untouched";
        KX508_gets_n("Name?", reply, sizeof reply);
        seen.push_back(std::string("reply ") + reply);
      }
    }
    return seen;
  }
};

TEST_F(RunTest, ARunRecordedFromTheStartReplaysWhatTheProgramSaw) {
  set_env("KX508_RECORD", "my.run");
  start();
  hl::schedule(150, [] { hl::click(kx508::lib.windows.draw_window, client_x(5), client_y(-6)); });
  hl::schedule(350, [] { hl::type_char('k'); });
  answer_prompt("Ada \"the\" \\ first");
  const std::vector<std::string> live = program(7);
  kx508::finish_run(nullptr);
  // The reply as the program got it: cut to its buffer.
  EXPECT_EQ(read("my.run"),
            "KX508_RUN(1);\n" + client() + "KX508_PERIODIC(1);\nKX508_MOUSE(5, -6);\nKX508_PERIODIC(2);\n"
            "KX508_KBD(107);\nKX508_GETS(\"Ada \\\"the\\\" \\\\ fir\");\nKX508_PERIODIC(2);\n");

  kx508::reset_library();
  ASSERT_TRUE(kx508::platform::open_backend("headless", nullptr));
  set_env("KX508_RECORD", nullptr);
  set_env("KX508_PLAY", "my.run");
  start();
  answer_prompt("not asked");  // a replay never opens the prompt
  EXPECT_EQ(program(8), live);
}

TEST_F(RunTest, RepliesReadBackAsWrittenAndMalformedOnesAreNone) {
  const std::string tricky = "quote \" back \\ line\nend\r\x01\x7F caf\xC3\xA9";
  const std::string line = kx508::reply_line(tricky);
  EXPECT_EQ(line, "KX508_GETS(\"quote \\\" back \\\\ line\\x0Aend\\x0D\\x01\\x7F caf\xC3\xA9\");");
  std::string back;
  ASSERT_TRUE(kx508::read_reply_line(line, &back));
  EXPECT_EQ(back, tricky);
  ASSERT_TRUE(kx508::read_reply_line("KX508_GETS(\"\\x0a\");", &back));
  EXPECT_EQ(back, "\n");
  for (const char* bad : {"KX508_GETS(\"open", "KX508_GETS(\"a\"b\");", "KX508_GETS(\"\\q\");",
                          "KX508_GETS(\"\\x4\");", "KX508_GETS(\"\\\");", "KX508_KBD(97);"})
    EXPECT_FALSE(kx508::read_reply_line(bad, &back)) << bad;
}

// A reply the program asks for where the run has none is empty, and the run plays on; a
// reply the program never asks for is passed over with a word in the log.
TEST_F(RunTest, RepliesOutOfStepWithTheProgramAreEmptyOrSkipped) {
  std::ofstream("x.run") << "KX508_RUN(1);\nKX508_KBD(97);\nKX508_GETS(\"x\");\n"
                            "KX508_KBD(98);\nKX508_GETS(\"y\");\n";
  set_env("KX508_PLAY", "x.run");
  start();
  char reply[16] = "untouched";
  EXPECT_EQ(KX508_gets("Asked before any event", reply), 1);
  EXPECT_STREQ(reply, "");
  EXPECT_EQ(wait().key, 'a');
  EXPECT_EQ(wait().key, 'b');
  EXPECT_EQ(log_lines().back(), "Reply on line 3 of x.run was not asked for; skipped\n");
  EXPECT_EQ(KX508_gets("Asked after b", reply), 1);
  EXPECT_STREQ(reply, "y");
  EXPECT_EQ(wait().kind, KX508_QUIT);
  // After the run's end no reply is read from the top again.
  EXPECT_EQ(KX508_gets("Asked after the end", reply), 1);
  EXPECT_STREQ(reply, "");
}

// The visible area a program is given is written when it changes, and a replay gives the
// same areas at the same points, whatever frame the replay's window has.
TEST_F(RunTest, VisibleAreasReplayAsTheProgramWasGivenThem) {
  const auto area = [] {
    int l, b, r, t;
    KX508_visible_area(&l, &b, &r, &t);
    return std::to_string(l) + "," + std::to_string(b) + "," + std::to_string(r) + "," +
           std::to_string(t);
  };
  set_env("KX508_RECORD", "area.run");
  start();
  const std::string at_start = client();
  const std::string first = area();
  EXPECT_EQ(area(), first);  // unchanged: no second line
  hl::type_char('a');
  EXPECT_EQ(wait().key, 'a');
  hl::set_client_size(kx508::lib.windows.draw_window, 500, 401);
  const std::string smaller = area();
  kx508::finish_run(nullptr);
  EXPECT_EQ(read("area.run"), "KX508_RUN(1);\n" + at_start + "KX508_AREA(" + first +
                                  ");\nKX508_KBD(97);\nKX508_CLIENT(500,401);\nKX508_AREA(" +
                                  smaller + ");\n");

  kx508::reset_library();
  ASSERT_TRUE(kx508::platform::open_backend("headless", nullptr));
  set_env("KX508_RECORD", nullptr);
  set_env("KX508_PLAY", "area.run");
  start();
  EXPECT_EQ(area(), first);
  EXPECT_EQ(wait().key, 'a');
  EXPECT_EQ(area(), smaller);  // though this window kept its frame
  EXPECT_EQ(area(), smaller);
  EXPECT_EQ(wait().kind, KX508_QUIT);

  kx508::VisibleArea back;
  ASSERT_TRUE(kx508::read_area_line("KX508_AREA(-296,-245,296,246);", &back));
  EXPECT_EQ(back, (kx508::VisibleArea{-296, -245, 296, 246}));
  for (const char* bad : {"KX508_AREA(1,2,3);", "KX508_AREA(1,2,3,4)", "KX508_AREA(1,2,3,4);x",
                          "KX508_AREA(1,,3,4);", "KX508_AREA(1,2,3,99999999999);"})
    EXPECT_FALSE(kx508::read_area_line(bad, &back)) << bad;
}

// The client area the window manager gave the window, at the start and later, is in the
// run: its replay draws where the live program drew, though its own window has another.
TEST_F(RunTest, ClientAreasReplaySoThePicturesAreWhereTheyWere) {
  const auto draw = [] {
    KX508_draw_rectangle(KX508_BLUE, -20, -20, 20, 20, 0);
    return pixels();
  };
  set_env("KX508_RECORD", "client.run");
  start();
  hl::set_client_size(kx508::lib.windows.draw_window, 601, 540);
  std::vector<std::vector<kx508::platform::Colour>> live = {draw()};
  hl::type_char('a');
  EXPECT_EQ(wait().key, 'a');
  live.push_back(draw());
  hl::set_client_size(kx508::lib.windows.draw_window, 520, 400);
  hl::type_char('b');
  EXPECT_EQ(wait().key, 'b');
  live.push_back(draw());
  kx508::finish_run(nullptr);
  EXPECT_NE(read("client.run").find("KX508_KBD(97);\nKX508_CLIENT(520,400);\nKX508_KBD(98);\n"),
            std::string::npos) << read("client.run");

  kx508::reset_library();
  ASSERT_TRUE(kx508::platform::open_backend("headless", nullptr));
  set_env("KX508_RECORD", nullptr);
  set_env("KX508_PLAY", "client.run");
  start();
  EXPECT_TRUE(draw() == live[0]);
  EXPECT_EQ(wait().key, 'a');
  EXPECT_TRUE(draw() == live[1]);
  EXPECT_EQ(wait().key, 'b');
  EXPECT_TRUE(draw() == live[2]);

  kx508::ClientSize back;
  ASSERT_TRUE(kx508::read_client_line("KX508_CLIENT(601,540);", &back));
  EXPECT_EQ(back, (kx508::ClientSize{601, 540}));
  for (const char* bad : {"KX508_CLIENT(601);", "KX508_CLIENT(601,540)", "KX508_CLIENT(-1,5);",
                          "KX508_CLIENT(1,2);x"})
    EXPECT_FALSE(kx508::read_client_line(bad, &back)) << bad;
}

// A classic script has no replies: the prompt gets the empty reply without opening.
TEST_F(RunTest, AScriptWithoutRepliesGivesTheEmptyReply) {
  std::ofstream("plain.scr") << "KX508_KBD(97);\n";
  set_env("KX508_PLAY", "plain.scr");
  start();
  answer_prompt("typed");
  char reply[16] = "untouched";
  EXPECT_EQ(KX508_gets("Name?", reply), 1);
  EXPECT_STREQ(reply, "");
  EXPECT_EQ(wait().key, 'a');
}

}  // namespace
