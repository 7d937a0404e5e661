// Captions: which words go over each picture, where they go, and that they never become part of
// what the modes pile up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <ctime>
#include <functional>

#include "Caption.h"
#include "ExifBlocks.h"
#include "SlideShowFixture.h"
#include "Utf8.h"

using namespace quillo;
using namespace quillo::test;

namespace {

// Dates in the C locale's words, file times in UTC, for the length of a test.
struct PinnedTime {
    ScopedEnv tz{"TZ", "UTC"};
    std::string oldTime = std::setlocale(LC_TIME, nullptr);
    PinnedTime() {
        tzset();
        std::setlocale(LC_TIME, "C.UTF-8");
    }
    ~PinnedTime() {
        std::setlocale(LC_TIME, oldTime.c_str());
        tzset();
    }
};

// 2023-03-05 12:00:00 UTC.
constexpr std::time_t kFileTime = 1678017600;

void setFileTime(const std::string& path) {
    const timespec times[2] = {{kFileTime, 0}, {kFileTime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(Captions, TheNameAndTheDayTakenElseTheFilesDay) {
    PinnedTime pinned;
    SlideShow s({1920, 1080});
    const std::string grey = readFile(s.picture("grey.jpg", 64, 48, rgb(128, 128, 128)));
    const std::string noon = "2025:07:14 12:00:00", eve = "2024:12:31 23:59:59";
    const auto jpeg = [&](const std::string& name, std::optional<std::string> dateTime,
                          std::optional<std::string> original) {
        const std::string path = s.dir / name;
        writeFile(path, withExif(grey, dateBlock(dateTime, original)));
        return path;
    };
    struct Case {
        std::string path;
        const char* expected;
    };
    const Case cases[] = {
        {jpeg("Beach at noon.jpg", eve, noon), "Beach at noon · 14 July 2025"},
        {jpeg("New Year.jpeg", eve, std::nullopt), "New Year · 31 December 2024"},
        {jpeg("zeros.jpg", std::nullopt, "0000:00:00 00:00:00"), "zeros · 5 March 2023"},
        {jpeg("garbage.jpg", std::nullopt, "yesterday, 3 pm!!!!"), "garbage · 5 March 2023"},
        {jpeg("bad day.jpg", std::nullopt, "2025:02:30 10:00:00"), "bad day · 5 March 2023"},
        {[&] {
             std::string bytes = withExif(grey, dateBlock(std::nullopt, noon));
             // The block says it is longer than it is: its date runs past the segment.
             bytes[5] = char(bytes[5] - 10);
             const std::string path = s.dir / "cut short.jpg";
             writeFile(path, bytes);
             return path;
         }(),
         "cut short · 5 March 2023"},
        {s.picture("no exif.bmp", 64, 48, clBlue), "no exif · 5 March 2023"},
        {s.brokenJpeg(), "broken · 5 March 2023"},  // the fallback card names the file
        {s.picture("a.b.c.bmp", 64, 48, clBlue), "a.b.c · 5 March 2023"},
    };
    std::vector<std::string> pictures;
    for (const Case& c : cases) {
        setFileTime(c.path);
        pictures.push_back(c.path);
    }
    s.start({{"Seq", "1"}, {"Picdis", "1"}, {"Captions", "1"}, {"Sound", "0"}}, pictures);
    for (const Case& c : cases) {
        s.tick();
        ASSERT_FALSE(s.host.captions().empty());
        EXPECT_EQ(s.host.captions().back(), c.expected) << c.path;
    }
}

TEST(Captions, TwoAndAHalfPercentOfTheScreenBottomLeftNoneUnderTwelvePixels) {
    struct Case {
        Size screen;
        int height;  // 0: no caption
    };
    const Case cases[] = {
        {{320, 200}, 0}, {{640, 440}, 0}, {{640, 480}, 12}, {{1920, 1080}, 27}, {{3840, 2160}, 54}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.screen.width) + "x" + std::to_string(c.screen.height));
        SlideShow s(c.screen);
        const std::string grey = s.picture("g.bmp", 64, 48, rgb(100, 100, 100));
        s.start({{"Seq", "1"}, {"Picdis", "1"}, {"Captions", "1"}, {"Sound", "0"}}, {grey});
        s.tick();
        const Bitmap& overlay = s.form.show().form().overlay();
        EXPECT_EQ(overlay.height(), c.height);
        EXPECT_EQ(s.host.captions().size(), c.height ? 1u : 0u);
        if (!c.height) continue;
        // Half its height in from the left and the bottom; over the picture, the band halves it
        // and the first letter's cell is white.
        const int bottom = c.screen.height - c.height / 2;
        const int left = c.height / 2;
        EXPECT_EQ(s.at(left, bottom - 1), rgb(50, 50, 50));
        EXPECT_EQ(s.at(left + c.height / 4 + 2, bottom - c.height / 2), clWhite);
        EXPECT_EQ(s.at(left, bottom), rgb(100, 100, 100));
        EXPECT_EQ(s.at(left - 1, bottom - 1), rgb(100, 100, 100));
    }
}

TEST(Captions, OffShowsNone) {
    SlideShow s({1920, 1080});
    const std::string grey = s.picture("g.bmp", 64, 48, rgb(100, 100, 100));
    s.start({{"Seq", "1"}, {"Picdis", "1"}, {"Sound", "0"}}, {grey});
    s.tick();
    EXPECT_TRUE(s.host.captions().empty());
    EXPECT_EQ(s.at(13 + 6 + 2, 1080 - 13 - 13), rgb(100, 100, 100));
}

// Mode 6 piles pictures on the surface: each caption lies over it, the one before is gone, and
// none stays in what piles up.
TEST(Captions, OverlappingPicturesPileUpWithoutTheirCaptions) {
    SlideShow s({1920, 1080});
    // Pictures as large as the screen, so that each covers the caption's corner.
    const std::string a = s.picture(std::string(40, 'a') + ".bmp", 1920, 1080, rgb(100, 100, 100));
    const std::string b = s.picture("b.bmp", 1920, 1080, rgb(100, 100, 100));
    s.start({{"Seq", "1"}, {"Picdis", "6"}, {"Captions", "1"}, {"Sound", "0"}}, {a, b});
    s.tick();
    const Point tail{13 + 27 / 4 + 39 * 13 + 2, 1080 - 13 - 13};  // the long name's 40th letter
    EXPECT_EQ(s.at(tail.x, tail.y), clWhite);
    s.tick();
    ASSERT_EQ(s.host.captions().back().substr(0, 1), "b");
    // Past the short caption's end the picture shows as it is: the long one's letters are gone.
    EXPECT_EQ(s.at(tail.x, tail.y), rgb(100, 100, 100));
    // Without the caption, the surface holds the pictures alone.
    s.form.show().form().setOverlay({}, {});
    s.form.show().form().flush();
    for (const Point p : {Point{20, 1060}, Point{40, 1050}, tail})
        EXPECT_EQ(s.at(p.x, p.y), rgb(100, 100, 100)) << p.x << "," << p.y;
}

// The fade draws every frame on the surface: the caption of the picture fading in lies over each
// frame, and none stays in them.
TEST(Captions, TheFadesFramesKeepTheCaptionOverThem) {
    SlideShow s({640, 480});
    // A pixel less than the screen each way: the fade's place is the top-left corner.
    const std::string a = s.picture("a.bmp", 639, 479, rgb(100, 100, 100));
    const std::string b = s.picture("b.bmp", 639, 479, rgb(200, 200, 200));
    s.start({{"Seq", "1"}, {"Picdis", "11"}, {"Captions", "1"}, {"Sound", "0"}}, {a, b});
    s.runTick();
    s.runFrames();
    s.loop.processMessages();
    // The caption (12 pixels high, 6 in) names the picture faded in; its band halves it.
    EXPECT_EQ(s.host.captions().back().substr(0, 1), "b");
    const Point band{6, 480 - 6 - 1}, letter{6 + 3 + 2, 480 - 6 - 6};
    const Color banded = s.at(band.x, band.y);
    EXPECT_EQ(s.at(letter.x, letter.y), clWhite);
    s.form.show().form().setOverlay({}, {});
    s.form.show().form().flush();
    EXPECT_EQ(banded, rgb(100, 100, 100));
    EXPECT_EQ(s.at(band.x, band.y), rgb(200, 200, 200));
    EXPECT_EQ(s.at(letter.x, letter.y), rgb(200, 200, 200));
}

TEST(Captions, InvalidUtf8BecomesReplacementCharacters) {
    struct Case {
        std::string text;
        std::vector<std::string> expected;
    };
    const std::string r = kReplacementCharacter;
    const Case cases[] = {
        {"ab", {"a", "b"}},
        {"\xE6\x9D\xB1\xF0\x9F\x98\x80", {"\xE6\x9D\xB1", "\xF0\x9F\x98\x80"}},  // 東 and 😀
        {"a\xFF"
         "b",
         {"a", r, "b"}},
        {"\xC0\xAF", {r, r}},         // an overlong "/"
        {"\xED\xA0\x80", {r, r, r}},  // a surrogate
        {"\xE6\x9D", {r, r}},         // cut short
        {"\x80x", {r, "x"}},          // a stray continuation byte
    };
    for (const Case& c : cases) EXPECT_EQ(utf8Characters(c.text), c.expected) << c.text;
}

}  // namespace

// A step of the slide and a row of the roll-down are presented alone, even where they run over the
// caption's corner: the caption, taken off for the draw and put back, comes out as it was
// wherever nothing was drawn, so its rectangle is not sent again with each of them.
TEST(Captions, SlideStepsAndRolledRowsPresentOnlyWhatTheyDraw) {
    for (const int picdis : {7, 8}) {
        SlideShow s({800, 600});
        // As large as the screen, with a long name: the caption lies under every frame's edge.
        const Bitmap picture(800, 600);
        s.start({{"Seq", "1"},
                 {"Picdis", std::to_string(picdis)},
                 {"Captions", "1"},
                 {"Sound", "0"},
                 {"Color", "4"}},
                {s.picture(std::string(40, 'a') + ".bmp", picture)});
        std::uint64_t delay = 0;
        if (picdis == 7)  // from the left: step k shows the picture's last k columns
            while (s.nextTickRandom(delay).Random(4) + 1 != 1) ++delay;
        s.runTick(delay);
        const std::vector<Rect>& presented = s.host.presented();
        // 799 steps of one more column each, or 599 rows landing one below their index.
        const int count = picdis == 7 ? 799 : 599;
        ASSERT_GE(presented.size(), std::size_t(count));
        for (int k = 1; k <= count; ++k) {
            const Rect expected = picdis == 7 ? Rect{0, 0, k, 600} : Rect{0, k, 800, k + 1};
            ASSERT_EQ(presented[presented.size() - std::size_t(count - k + 1)], expected)
                << "mode " << picdis << ", step " << k;
        }
    }
}
