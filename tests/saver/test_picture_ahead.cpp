// The next picture decoded ahead during the delay. A logging decoder tells which pictures were
// decoded ahead (on the worker) and which at the tick, and can hold a decode ahead once it has
// read its file, so that a test changes the file in between without racing the worker. A held
// decode asks its stop every millisecond, as a real decoder asks it every row, and gives up when
// it is raised.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>

#include "SlideShowFixture.h"

namespace quillo::test {
namespace {

using namespace std::chrono_literals;

struct Decode {
    std::string name;      // the file's name, without its folder
    bool ahead;            // on the worker; false: at the tick
    bool stopped = false;  // held, it gave up when its stop was raised
    friend bool operator==(const Decode&, const Decode&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Decode& d) {
        return out << d.name << (d.ahead ? " ahead" : " at the tick")
                   << (d.stopped ? ", stopped" : "");
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
    // How many decodes are under way now.
    int inside() {
        std::lock_guard lock(mutex_);
        return inside_;
    }

private:
    LoadedPicture decode(const PictureRequest& request) {
        std::unique_lock lock(mutex_);
        ++inside_;
        lock.unlock();
        LoadedPicture loaded = loadRequestedPicture(request);
        lock.lock();
        const bool ahead = std::this_thread::get_id() != tickThread_;
        log_.push_back({request.path.substr(request.path.rfind('/') + 1), ahead});
        if (ahead && holding_) {
            held_ = true;
            changed_.notify_all();
            while (holding_ && !request.options.stop.requested()) changed_.wait_for(lock, 1ms);
            held_ = false;
            // Its next step after the wait asks the stop.
            if (request.options.stop.requested()) {
                log_.back().stopped = true;
                loaded = {};
                loaded.stopped = true;
            }
        }
        --inside_;
        return loaded;
    }

    const std::thread::id tickThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false, held_ = false;
    int inside_ = 0;
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

// The saver ends while the next picture is being decoded ahead: the decode is stopped, and the
// end returns only once the worker has let go of it.
TEST(PictureAhead, TheEndStopsTheDecodeUnderWay) {
    SlideShow s;
    LoggingDecoder log;
    s.form.setPictureDecoder(log.decoder());
    log.hold();
    s.start({{"Picdis", "1"}, {"Time", "1000"}, {"Sound", "0"}},
            {s.picture("red.bmp", 4, 4, clRed)});
    log.waitUntilHeld();
    s.form.stop();
    EXPECT_EQ(log.inside(), 0);
    EXPECT_EQ(log.take(), (std::vector<Decode>{{"red.bmp", true, true}}));
    log.release();
}

// The worker on its own, with a decoder that makes picture p p + 1 pixels wide and holds each
// decode until released, giving up when its stop is raised. While picture 0 is decoded
// something else happens; then the decode is released, and a tick may ask for a picture.
class GatedDecoder {
public:
    struct Step {
        int position;
        bool stopped;
        friend bool operator==(const Step&, const Step&) = default;
        friend std::ostream& operator<<(std::ostream& out, const Step& s) {
            return out << s.position << (s.stopped ? " stopped" : " decoded");
        }
    };
    PictureDecoder decoder() {
        return [this](const PictureRequest& request) { return decode(request); };
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
    std::vector<Step> log() {
        std::lock_guard lock(mutex_);
        return log_;
    }

private:
    LoadedPicture decode(const PictureRequest& request) {
        std::unique_lock lock(mutex_);
        held_ = true;
        changed_.notify_all();
        while (holding_ && !request.options.stop.requested()) changed_.wait_for(lock, 1ms);
        held_ = false;
        // Its next step after the wait asks the stop.
        LoadedPicture loaded;
        loaded.stopped = request.options.stop.requested();
        if (!loaded.stopped) loaded.picture = Picture(Bitmap(request.position + 1, 1));
        log_.push_back({request.position, loaded.stopped});
        return loaded;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = true, held_ = false;
    std::vector<Step> log_;
};

PictureRequest request(int position) {
    PictureRequest r;
    r.position = position;
    r.path = "/nonexistent/" + std::to_string(position) + ".jpg";
    return r;
}

// The width of a picture taken, or -1 for none.
int widthOf(const std::optional<LoadedPicture>& loaded) {
    return loaded ? loaded->picture.width() : -1;
}

TEST(PictureAhead, WhatHappensWhileAPictureIsDecoded) {
    using Meanwhile = std::function<int(PictureAhead&, GatedDecoder&)>;
    struct Case {
        const char* what;
        Meanwhile meanwhile;  // the width of a picture it took, or -1
        int took;
        std::vector<GatedDecoder::Step> decodes;
        int ask;    // the picture a tick asks for afterwards
        int taken;  // the width of what it takes, or -1
    };
    const Case cases[] = {
        {"a tick takes it: it waits for the decode, which goes on",
         [](PictureAhead& ahead, GatedDecoder& gate) {
             std::thread releaser([&] {
                 ahead.waitUntilTaking();
                 gate.release();
             });
             const int width = widthOf(ahead.take(request(0)));
             releaser.join();
             return width;
         },
         1,
         {{0, false}},
         0,
         -1},
        {"a tick takes another: the decode stops, the tick does not wait",
         [](PictureAhead& ahead, GatedDecoder&) { return widthOf(ahead.take(request(1))); },
         -1,
         {{0, true}},
         0,
         -1},
        {"the same request again: the decode goes on",
         [](PictureAhead& ahead, GatedDecoder&) {
             ahead.start(request(0));
             return -1;
         },
         -1,
         {{0, false}},
         0,
         1},
        {"a new request: the decode stops, the new one follows",
         [](PictureAhead& ahead, GatedDecoder&) {
             ahead.start(request(1));
             return -1;
         },
         -1,
         {{0, true}, {1, false}},
         1,
         2},
        {"a cancel: the decode stops",
         [](PictureAhead& ahead, GatedDecoder&) {
             ahead.cancel();
             return -1;
         },
         -1,
         {{0, true}},
         0,
         -1},
        {"the saver's end: the decode stops and the worker ends",
         [](PictureAhead& ahead, GatedDecoder&) {
             ahead.end(1h);
             EXPECT_TRUE(ahead.workerEnded());
             return -1;
         },
         -1,
         {{0, true}},
         0,
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PictureAhead ahead;
        GatedDecoder gate;
        ahead.setDecoder(gate.decoder());
        ahead.start(request(0));
        gate.waitUntilHeld();
        EXPECT_EQ(c.meanwhile(ahead, gate), c.took);
        gate.release();
        ahead.waitUntilIdle();
        EXPECT_EQ(gate.log(), c.decodes);
        EXPECT_EQ(widthOf(ahead.take(request(c.ask))), c.taken);
    }
}

}  // namespace
}  // namespace quillo::test
