// The next picture decoded ahead during the delay. A logging decoder tells which pictures were
// decoded ahead (on the worker) and which at the tick, and can hold a decode ahead once it has
// read its file, so that a test changes the file in between without racing the worker.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>

#include "SlideShowFixture.h"

namespace quillo::test {
namespace {

struct Decode {
    std::string name;  // the file's name, without its folder
    bool ahead;        // on the worker; false: at the tick
    friend bool operator==(const Decode&, const Decode&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Decode& d) {
        return out << d.name << (d.ahead ? " ahead" : " at the tick");
    }
};

class LoggingDecoder {
public:
    PictureDecoder decoder() {
        return [this](const PictureRequest& request) { return decode(request); };
    }
    // From now on a decode ahead waits, its file read, until release.
    void hold() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void waitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return held_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }
    std::vector<Decode> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(log_, {});
    }

private:
    LoadedPicture decode(const PictureRequest& request) {
        LoadedPicture loaded = loadRequestedPicture(request);
        std::unique_lock lock(mutex_);
        const bool ahead = std::this_thread::get_id() != tickThread_;
        log_.push_back({request.path.substr(request.path.rfind('/') + 1), ahead});
        if (ahead && holding_) {
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return !holding_; });
            held_ = false;
        }
        return loaded;
    }

    const std::thread::id tickThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false, held_ = false;
    std::vector<Decode> log_;
};

const std::vector<std::string> kNames = {"red.bmp", "lime.bmp", "blue.bmp", "yellow.bmp",
                                         "fuchsia.bmp"};

// Five plain pictures one a second. In order and from the deck's round the second tick's picture
// was decoded ahead, and the one after it is decoded ahead next; a pick at random is drawn, and
// decoded, at its tick.
TEST(PictureAhead, TheNextPictureKnownBeforeItsTickIsTheOneDecodedAhead) {
    struct Case {
        const char* seq;
        const char* shuffle;
        std::vector<Color> shown;
        std::vector<Decode> secondTick;  // what the second tick and its delay decode
    };
    const Color R = clRed, L = clLime, B = clBlue, Y = clYellow, F = clFuchsia;
    // The same clock as the deck's own test: its round drawn at 1 s, the lone pick at each second.
    const Case cases[] = {
        {"1", "0", {R, L}, {{"blue.bmp", true}}},
        {"0", "1", {Y, F}, {{"red.bmp", true}}},
        {"0", "0", {L, B}, {{"blue.bmp", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.seq) + c.shuffle);
        SlideShow s;
        LoggingDecoder log;
        s.form.setPictureDecoder(log.decoder());
        const std::vector<Color> colours = {R, L, B, Y, F};
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
        log.take();
        s.tick();
        shown.push_back(s.at(1, 1));
        s.form.waitForPictureAhead();
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(log.take(), c.secondTick);
    }
}

// Two shows in order over three pictures: the picture ahead is the one the first show takes next
// (the third); the second show's next (the first again) is decoded at its tick.
TEST(PictureAhead, WithTwoShowsTheFirstTakesThePictureAhead) {
    SlideShow s({800, 600}, 24, 2);
    LoggingDecoder log;
    s.form.setPictureDecoder(log.decoder());
    const std::vector<std::string> paths = {s.picture("red.bmp", 4, 4, clRed),
                                            s.picture("lime.bmp", 4, 4, clLime),
                                            s.picture("blue.bmp", 4, 4, clBlue)};
    s.start({{"Picdis", "1"}, {"Time", "1000"}, {"Sound", "0"}}, paths);
    const auto at = [&](int show) { return s.form.show(show).form().framebuffer().pixel(1, 1); };
    s.tick();
    EXPECT_EQ(at(0), clRed);
    EXPECT_EQ(at(1), clLime);
    s.form.waitForPictureAhead();
    log.take();
    s.tick();
    s.form.waitForPictureAhead();
    EXPECT_EQ(at(0), clBlue);
    EXPECT_EQ(at(1), clRed);
    EXPECT_EQ(log.take(), (std::vector<Decode>{{"red.bmp", false}, {"lime.bmp", true}}));
}

void setModified(const std::string& path, const timespec& when) {
    const timespec times[2] = {{0, UTIME_OMIT}, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

timespec modified(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mtim;
}

// The only picture, decoded ahead at the start, is held once its file is read; the file then
// changes, or not, before the first tick. The tick compares the file's device, inode, size and
// modification time with those taken before it was read, and decodes it again when any differs.
// A picture that failed ahead stays the fallback picture (white) while its file is unchanged.
TEST(PictureAhead, AFileChangedDuringTheDelayIsDecodedAgainAtTheTick) {
    using Make = std::function<std::string(SlideShow&)>;
    using Change = std::function<void(SlideShow&, const std::string&)>;
    struct Case {
        const char* what;
        Make make;
        Change change;
        Color shown;
        bool again;  // decoded again at the tick
    };
    const Make red = [](SlideShow& s) { return s.picture("a.bmp", 4, 4, clRed); };
    const Make notABitmap = [](SlideShow& s) {
        writeFile(s.dir / "a.bmp", "BM not a bitmap");
        return s.dir / "a.bmp";
    };
    const Make cutJpeg = [](SlideShow& s) { return s.brokenJpeg(); };
    const Change nothing = [](SlideShow&, const std::string&) {};
    const Case cases[] = {
        {"unchanged", red, nothing, clRed, false},
        {"rewritten larger", red,
         [](SlideShow& s, const std::string&) { s.picture("a.bmp", 6, 6, clLime); }, clLime, true},
        {"rewritten, the same size, 1 ns later", red,
         [](SlideShow& s, const std::string& path) {
             timespec when = modified(path);
             s.picture("a.bmp", 4, 4, clLime);
             if (++when.tv_nsec == 1'000'000'000) when = {when.tv_sec + 1, 0};
             setModified(path, when);
         },
         clLime, true},
        {"replaced by a file of the same size and time", red,
         [](SlideShow& s, const std::string& path) {
             const std::string other = s.picture("b.bmp", 4, 4, clLime);
             setModified(other, modified(path));
             ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
         },
         clLime, true},
        {"deleted", red, [](SlideShow&, const std::string& path) { std::remove(path.c_str()); },
         clWhite, true},
        {"not loadable, unchanged", notABitmap, nothing, clWhite, false},
        {"not loadable, then mended", notABitmap,
         [](SlideShow& s, const std::string&) { s.picture("a.bmp", 4, 4, clGray); }, clGray, true},
        {"data cut short, unchanged", cutJpeg, nothing, clWhite, false},
        // Grey, which a JPEG keeps exact.
        {"data cut short, then mended", cutJpeg,
         [](SlideShow& s, const std::string&) { s.picture("broken.jpg", 4, 4, clGray); }, clGray,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SlideShow s;
        LoggingDecoder log;
        s.form.setPictureDecoder(log.decoder());
        const std::string path = c.make(s);
        const std::string name = path.substr(path.rfind('/') + 1);
        log.hold();
        s.start({{"Picdis", "1"}, {"Time", "1000"}, {"Sound", "0"}}, {path});
        log.waitUntilHeld();
        c.change(s, path);
        log.release();
        s.form.waitForPictureAhead();
        EXPECT_EQ(log.take(), (std::vector<Decode>{{name, true}}));
        s.tick();
        EXPECT_EQ(s.at(365, 269), c.shown);  // inside the centred card
        s.form.waitForPictureAhead();
        std::vector<Decode> expected = {{name, true}};  // the next, during the delay
        if (c.again) expected.insert(expected.begin(), {name, false});
        EXPECT_EQ(log.take(), expected);
        EXPECT_TRUE(s.errors.empty());
    }
}

// The tiles ask for their quarter, not the whole picture decoded ahead at the start: the first
// tick drops it and decodes the file at the tick.
TEST(PictureAhead, ATickAskingOtherwiseDecodesAtTheTick) {
    SlideShow s;
    LoggingDecoder log;
    s.form.setPictureDecoder(log.decoder());
    s.start({{"Picdis", "4"}, {"Time", "1000"}, {"Sound", "0"}},
            {s.picture("red.bmp", 4, 4, clRed)});
    s.form.waitForPictureAhead();
    EXPECT_EQ(log.take(), (std::vector<Decode>{{"red.bmp", true}}));
    s.tick();
    EXPECT_EQ(s.at(1, 1), clRed);
    s.form.waitForPictureAhead();
    EXPECT_EQ(log.take(), (std::vector<Decode>{{"red.bmp", false}, {"red.bmp", true}}));
}

}  // namespace
}  // namespace quillo::test
