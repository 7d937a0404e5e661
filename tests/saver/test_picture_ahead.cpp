// The next picture decoded ahead during the delay. Each test lets the worker finish, then
// rewrites the files on disk before the tick: a tick that shows the old pixels took the picture
// decoded ahead, one that shows the new pixels decoded at the tick.
#include <gtest/gtest.h>

#include "SlideShowFixture.h"

namespace quillo::test {
namespace {

const std::vector<std::string> kNames = {"red.bmp", "lime.bmp", "blue.bmp", "yellow.bmp",
                                         "fuchsia.bmp"};

// Five plain pictures one a second, every file turned grey after the first tick. In order and
// from the deck's round the second tick shows its picture as decoded ahead; the third picture
// was decoded after the change. A pick at random is drawn, and decoded, at its tick.
TEST(PictureAhead, TheNextPictureKnownBeforeItsTickIsTheOneDecodedAhead) {
    struct Case {
        const char* seq;
        const char* shuffle;
        std::vector<Color> shown;
    };
    const Color R = clRed, L = clLime, F = clFuchsia, G = clGray;
    // The same clock as the deck's own test: its round drawn at 1 s, the lone pick at each second.
    const Case cases[] = {
        {"1", "0", {R, L, G}},
        {"0", "1", {F, R, G}},
        {"0", "0", {L, G, G}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.seq) + c.shuffle);
        SlideShow s;
        const std::vector<Color> colours = {clRed, clLime, clBlue, clYellow, clFuchsia};
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < kNames.size(); ++i)
            paths.push_back(s.picture(kNames[i], 4, 4, colours[i]));
        s.start({{"Picdis", "1"},
                 {"Seq", c.seq},
                 {"Shuffle", c.shuffle},
                 {"Time", "1000"},
                 {"Sound", "0"}},
                paths);
        std::vector<Color> shown;
        s.tick();
        shown.push_back(s.at(1, 1));
        s.form.waitForPictureAhead();
        for (const std::string& name : kNames) s.picture(name, 4, 4, clGray);
        s.tick();
        shown.push_back(s.at(1, 1));
        s.tick();
        shown.push_back(s.at(1, 1));
        EXPECT_EQ(shown, c.shown);
    }
}

// Two shows in order over three pictures: the picture ahead is the one the first show takes next
// (the third); the second show's next (the first again) is decoded at its tick.
TEST(PictureAhead, WithTwoShowsTheFirstTakesThePictureAhead) {
    SlideShow s({800, 600}, 24, 2);
    const std::vector<std::string> paths = {s.picture("red.bmp", 4, 4, clRed),
                                            s.picture("lime.bmp", 4, 4, clLime),
                                            s.picture("blue.bmp", 4, 4, clBlue)};
    s.start({{"Picdis", "1"}, {"Time", "1000"}, {"Sound", "0"}}, paths);
    const auto at = [&](int show) { return s.form.show(show).form().framebuffer().pixel(1, 1); };
    s.tick();
    EXPECT_EQ(at(0), clRed);
    EXPECT_EQ(at(1), clLime);
    s.form.waitForPictureAhead();
    for (const char* name : {"red.bmp", "lime.bmp", "blue.bmp"}) s.picture(name, 4, 4, clGray);
    s.tick();
    EXPECT_EQ(at(0), clBlue);
    EXPECT_EQ(at(1), clGray);
}

// A picture that fails while decoded ahead shows as the fallback picture (white at 365, 269), even
// when the file is mended before its tick, whether its data fail or it does not load at all; the
// next showing decodes the mended file.
TEST(PictureAhead, APictureThatFailsAheadShowsAsTheFallbackPicture) {
    for (const bool loads : {true, false}) {
        SCOPED_TRACE(loads);
        SlideShow s;
        std::string path = s.brokenJpeg();
        if (!loads) {
            path = s.dir / "bad.bmp";
            writeFile(path, "BM not a bitmap");
        }
        s.start({{"Picdis", "1"}, {"Time", "1000"}, {"Sound", "0"}}, {path});
        s.form.waitForPictureAhead();
        // Grey, which a JPEG keeps exact.
        s.picture(loads ? "broken.jpg" : "bad.bmp", 4, 4, clGray);
        s.tick();
        EXPECT_EQ(s.at(365, 269), clWhite);
        s.tick();
        EXPECT_EQ(s.at(365, 269), clGray);
        EXPECT_TRUE(s.errors.empty());
    }
}

// The tiles ask for their quarter, not the whole picture decoded ahead at the start: the first
// tick drops it and decodes the file as it is then.
TEST(PictureAhead, ATickAskingOtherwiseDecodesAtTheTick) {
    SlideShow s;
    const std::string path = s.picture("red.bmp", 4, 4, clRed);
    s.start({{"Picdis", "4"}, {"Time", "1000"}, {"Sound", "0"}}, {path});
    s.form.waitForPictureAhead();
    s.picture("red.bmp", 4, 4, clLime);
    s.tick();
    EXPECT_EQ(s.at(1, 1), clLime);
}

}  // namespace
}  // namespace quillo::test
