// A run against its expected run as KX508_EXPECT and kx508-grade compare them: frames by
// bytes then pixels, the log line by line with the script's path by its name, and where a
// run stood in its script as its frames folder says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare.h"
#include "frame_png.h"
#include "png.h"

namespace cmp = kx508::compare;

namespace {

std::string png_of(const kx508::RgbPicture& p) {
  std::vector<unsigned char> bytes;
  EXPECT_TRUE(kx508::encode_png(p.width, p.height, p.rgb.data(), &bytes));
  return std::string(bytes.begin(), bytes.end());
}

kx508::RgbPicture white(int width, int height) {
  return {width, height,
          std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 3, 255)};
}

TEST(CompareFrames, PixelsDecideWhereTheBytesDiffer) {
  kx508::RgbPicture expected = white(5, 4), got = expected;
  const std::string png = png_of(expected);
  EXPECT_EQ(cmp::compare_frames(png, png).kind, cmp::Frames::Same);
  // The same pixels in other bytes: the frame writer's indexed PNG.
  kx508::FramePng indexed({0xFFFFFF});
  const std::vector<unsigned char>& bytes =
      indexed.encode(kx508::platform::Surface(5, 4, 0xFFFFFF));
  const std::string other(bytes.begin(), bytes.end());
  ASSERT_NE(other, png);
  EXPECT_EQ(cmp::compare_frames(png, other).kind, cmp::Frames::Same);

  got.rgb[(2 * 5 + 3) * 3 + 1] = 0;  // (3, 2)
  got.rgb[(3 * 5 + 0) * 3] = 0;      // (0, 3)
  const cmp::Frames f = cmp::compare_frames(png, png_of(got));
  ASSERT_EQ(f.kind, cmp::Frames::Differ);
  EXPECT_EQ(f.pixels.count, 2);
  EXPECT_EQ(f.pixels.first_x, 3);
  EXPECT_EQ(f.pixels.first_y, 2);
  // Library coordinates from an origin at (2, 2), y up.
  EXPECT_EQ(cmp::frame_words(21, "after line 7 of a.scr: K", f, 2, 2),
            " at frame 21 (after line 7 of a.scr: K): 2 pixels differ, the first at (1, 0)");
  const kx508::RgbPicture picture = cmp::difference_picture(f);
  EXPECT_EQ(picture.width, 3 * 5 + 8);
  const std::size_t mark = (2 * picture.width + 2 * (5 + 4) + 3) * 3;
  EXPECT_EQ(picture.rgb[mark], 255);
  EXPECT_EQ(picture.rgb[mark + 1], 0);
}

TEST(CompareFrames, AFrameThatIsNoPictureOrAnotherSizeDiffers) {
  const std::string png = png_of(white(5, 4));
  cmp::Frames f = cmp::compare_frames(png, "not a picture");
  EXPECT_EQ(f.kind, cmp::Frames::GotUnreadable);
  EXPECT_EQ(cmp::compare_frames("", png).kind, cmp::Frames::ExpectedUnreadable);
  f = cmp::compare_frames(png, png_of(white(4, 4)));
  EXPECT_EQ(cmp::frame_words(3, "P", f, 0, 0),
            " at frame 3 (P): it is 4 x 4 pixels, the expected frame 5 x 4");
  // Larger than the expected frame: refused from its header.
  f = cmp::compare_frames(png, png_of(white(4000, 1)));
  EXPECT_EQ(f.kind, cmp::Frames::GotUnreadable);
  EXPECT_TRUE(f.got.rgb.empty());
}

TEST(CompareLog, TheScriptsPathCountsByItsFileName) {
  for (const char* expected : {"EOF encountered in script file /home/t/class/moves.scr",
                               "EOF encountered in script file C:\\class\\moves.scr",
                               "EOF encountered in script file moves.scr"})
    EXPECT_TRUE(cmp::same_log_line(expected, "EOF encountered in script file moves.scr"))
        << expected;
  EXPECT_TRUE(cmp::same_log_line("Unrecognised line 4 in script file /a/m.scr; playback paused",
                                 "Unrecognised line 4 in script file m.scr; playback paused"));
  EXPECT_TRUE(cmp::same_log_line("Visible area on line 12 of /x/run.scr was not asked for; skipped",
                                 "Visible area on line 12 of run.scr was not asked for; skipped"));
  // Another file, another number, or a line of the program's own: as written.
  EXPECT_FALSE(cmp::same_log_line("EOF encountered in script file /a/moves.scr",
                                  "EOF encountered in script file keys.scr"));
  EXPECT_FALSE(cmp::same_log_line("Unrecognised line 4 in script file /a/m.scr; playback paused",
                                  "Unrecognised line 5 in script file m.scr; playback paused"));
  EXPECT_FALSE(cmp::same_log_line("drew /a/moves.scr", "drew moves.scr"));
  EXPECT_FALSE(cmp::same_log_line("EOF encountered in script file /a/",
                                  "EOF encountered in script file "));
}

TEST(CompareLog, LinesAreComparedWhenWholeWhateverThePieces) {
  cmp::LogCheck log("one\ntwo\nEOF encountered in script file /t/run.scr\n");
  EXPECT_FALSE(log.add("on"));
  EXPECT_FALSE(log.add("e\nt"));
  EXPECT_FALSE(log.add("wo\nEOF encountered in script file run.scr\n"));
  EXPECT_FALSE(log.finish());

  cmp::LogCheck changed("one\ntwo\nthree\n");
  EXPECT_FALSE(changed.add("one\n"));
  EXPECT_TRUE(changed.add("tw0\nthree\n"));
  EXPECT_EQ(changed.words("P"), " at log line 2 (P): expected \"two\", got \"tw0\"");
  EXPECT_FALSE(changed.add("more\n"));  // said once

  cmp::LogCheck longer("one\n");
  EXPECT_TRUE(longer.add("one\nextra"));  // an unfinished line past the end cannot be equal
  EXPECT_EQ(longer.words("P"), " at log line 2 (P): expected the end of the log, got \"extra\"");
}

TEST(CompareLog, ALogThatEndsEarlyOrRunsOnDiffers) {
  cmp::LogCheck short_log("one\ntwo\n");
  short_log.add("one\n");
  EXPECT_TRUE(short_log.finish());
  EXPECT_TRUE(short_log.ended_short());
  EXPECT_EQ(short_log.words("P"),
            ": its log ended at line 2, the expected run's goes on with \"two\"");

  cmp::LogCheck unfinished("one\ntwo\n");
  unfinished.add("one\ntw");
  EXPECT_TRUE(unfinished.finish());
  EXPECT_EQ(unfinished.line(), 2);
  EXPECT_FALSE(unfinished.ended_short());

  // A line with no end is judged once it is far longer than the expected one, and quoted cut.
  cmp::LogCheck flood("one\n");
  EXPECT_TRUE(flood.add(std::string(10000, 'x')));
  EXPECT_EQ(flood.words("P"),
            " at log line 1 (P): expected \"one\", got \"" + std::string(200, 'x') + "...\"");
}

TEST(CompareStands, WhereARunStoodIsReadUpToTheFirstLineThatCannotBeTrue) {
  std::string text = cmp::origin_line(296, 246);
  for (const cmp::Stand& s : {cmp::Stand{1, 0, 0}, {1, 1, 0}, {2, 1, 2}, {2, 2, 3}, {3, 2, 3}})
    text += cmp::stand_line(s) + (s.line == 2 ? cmp::origin_line(5, 6) : "");
  std::vector<cmp::Stand> stands = cmp::read_stands(text, 3);
  ASSERT_EQ(stands.size(), 5u);
  int x = 0, y = 0;
  ASSERT_TRUE(cmp::read_origin(text, &x, &y));
  EXPECT_EQ(x, 296);
  EXPECT_EQ(y, 246);
  EXPECT_FALSE(cmp::read_origin("1 0 0\norigin 3\n", &x, &y));
  EXPECT_EQ(cmp::line_before_frame(stands, 1), 1);
  EXPECT_EQ(cmp::line_before_frame(stands, 2), 2);
  EXPECT_EQ(cmp::line_before_frame(stands, 3), 3);
  EXPECT_EQ(cmp::line_before_log_line(stands, 1), 1);
  EXPECT_EQ(cmp::line_before_log_line(stands, 3), 2);
  EXPECT_EQ(cmp::log_lines_before_frame(stands, 2), 3);
  EXPECT_EQ(cmp::log_lines_before_frame(stands, 9), -1);
  EXPECT_EQ(cmp::line_before_frame({}, 4), 0);

  for (const char* bad : {"4 3 3\n", "3 1 3\n", "3 2 2\n", "3 2\n", "3 2 3 4\n", "-3 2 3\n",
                          "3  2 3\n", "x\n", "3 2 3"})
    EXPECT_EQ(cmp::read_stands(text + bad + "3 9 9\n", 3).size(), 5u) << bad;
}

TEST(CompareWords, PlacesAndCountsReadAsSentences) {
  EXPECT_EQ(cmp::place(0, "moves.scr", ""), "before the first line of moves.scr");
  EXPECT_EQ(cmp::place(7, "moves.scr", "KX508_KBD(119);"),
            "after line 7 of moves.scr: KX508_KBD(119);");
  EXPECT_EQ(cmp::past_last_words(43, "P", 42),
            ": frame 43 (P) is past the expected run's last frame, 42");
  EXPECT_EQ(cmp::fewer_frames_words(1, 42), ": it ended after 1 frame, the expected run has 42");
}

}  // namespace
