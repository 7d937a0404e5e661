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

namespace quillo {
// Sizes in failure messages.
void PrintTo(const Size& size, std::ostream* out) {
    *out << size.width << "x" << size.height;
}
}  // namespace quillo

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

// A decoder with a gate its decodes may be held at until release.
class Gate {
public:
    explicit Gate(bool closed) : closed_(closed) {}
    virtual ~Gate() = default;
    PictureDecoder decoder() {
        return [this](const PictureRequest& request) { return decode(request); };
    }
    // From now on a decode that comes to the gate waits there until release.
    void hold() {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    void waitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return held_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        closed_ = false;
        changed_.notify_all();
    }

protected:
    virtual LoadedPicture decode(const PictureRequest& request) = 0;
    // Waits (lock on mutex_) while the gate is closed; true when the request's stop was raised,
    // as its next step after the wait asks the stop.
    bool pass(std::unique_lock<std::mutex>& lock, const PictureRequest& request) {
        held_ = true;
        changed_.notify_all();
        while (closed_ && !request.options.stop.requested()) changed_.wait_for(lock, 1ms);
        held_ = false;
        return request.options.stop.requested();
    }

    std::mutex mutex_;
    bool closed_;

private:
    std::condition_variable changed_;
    bool held_ = false;
};

class LoggingDecoder : public Gate {
public:
    // Decodes the show's pictures from now on.
    explicit LoggingDecoder(SlideShow& s) : Gate(false) { s.form.setPictureDecoder(decoder()); }
    std::vector<Decode> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(log_, {});
    }
    // The sizes of the pictures decoded ahead since the last call, as they were shaped.
    std::vector<Size> keptSizes() {
        std::lock_guard lock(mutex_);
        return std::exchange(kept_, {});
    }
    // How many decodes are under way now.
    int inside() {
        std::lock_guard lock(mutex_);
        return inside_;
    }

private:
    LoadedPicture decode(const PictureRequest& request) override {
        std::unique_lock lock(mutex_);
        ++inside_;
        lock.unlock();
        LoadedPicture loaded = loadRequestedPicture(request);
        lock.lock();
        const bool ahead = std::this_thread::get_id() != tickThread_;
        log_.push_back({request.path.substr(request.path.rfind('/') + 1), ahead});
        if (ahead) kept_.push_back({loaded.picture.width(), loaded.picture.height()});
        if (ahead && closed_ && pass(lock, request)) {
            log_.back().stopped = true;
            loaded = {};
            loaded.stopped = true;
        }
        --inside_;
        return loaded;
    }

    const std::thread::id tickThread_ = std::this_thread::get_id();
    int inside_ = 0;
    std::vector<Decode> log_;
    std::vector<Size> kept_;
};

const std::vector<std::string> kNames = {"red.bmp", "lime.bmp", "blue.bmp", "yellow.bmp",
                                         "fuchsia.bmp"};
const std::vector<Color> kColours = {clRed, clLime, clBlue, clYellow, clFuchsia};

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
        LoggingDecoder log(s);
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < kNames.size(); ++i)
            paths.push_back(s.picture(kNames[i], 4, 4, kColours[i]));
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

// In order, every show's next pictures are decoded ahead, in screen order, as its mode will ask
// for them (the tiles their quarter, the fade two on its first tick), and each comes shaped to
// what the mode draws: the tick decodes nothing. Screens of 800 x 600.
TEST(PictureAhead, EveryShowsNextPicturesAreDecodedAheadInScreenOrder) {
    struct Case {
        const char* mode;
        int shows;
        int pictures;                   // of kNames, each 4 x 4 but the first 1000 x 700
        std::vector<Decode> atStart;    // decoded before the first tick
        std::vector<Size> keptAtStart;  // what each of them kept
        std::vector<Decode> firstTick;  // at the first tick and ahead of the second
        Color shown;                    // at (0, 0) of the first show after the first tick
    };
    const Size screen{800, 600}, quarter{400, 300}, four{4, 4};
    const Case cases[] = {
        // The stretch keeps the screen-sized copy; the centred picture the part on the screen.
        {"1",
         2,
         3,
         {{"red.bmp", true}, {"lime.bmp", true}},
         {screen, screen},
         {{"blue.bmp", true}, {"red.bmp", true}},
         clRed},
        {"2", 1, 2, {{"red.bmp", true}}, {screen}, {{"lime.bmp", true}}, clRed},
        {"4", 1, 1, {{"red.bmp", true}}, {quarter}, {{"red.bmp", true}}, clRed},
        {"11",
         2,
         5,
         {{"red.bmp", true}, {"lime.bmp", true}, {"blue.bmp", true}, {"yellow.bmp", true}},
         {screen, four, four, four},
         {{"fuchsia.bmp", true}, {"red.bmp", true}},
         clBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("mode ") + c.mode);
        SlideShow s(screen, 24, c.shows);
        LoggingDecoder log(s);
        std::vector<std::string> paths;
        for (int i = 0; i < c.pictures; ++i)
            paths.push_back(
                i == 0 ? s.picture(kNames[0], 1000, 700, kColours[0])
                       : s.picture(kNames[std::size_t(i)], 4, 4, kColours[std::size_t(i)]));
        s.start({{"Picdis", c.mode}, {"Time", "1000"}, {"Sound", "0"}, {"Color", "4"}}, paths);
        s.form.waitForPictureAhead();
        EXPECT_EQ(log.take(), c.atStart);
        EXPECT_EQ(log.keptSizes(), c.keptAtStart);
        s.tick();
        s.form.waitForPictureAhead();
        EXPECT_EQ(log.take(), c.firstTick);
        EXPECT_EQ(s.at(0, 0), c.shown);
    }
}

// What each shape keeps of a 4 x 4 picture whose pixel (x, y) is rgb(x, y, 0), as the pixels of
// the kept part (row by row), the corner's size, and the natural size.
TEST(PictureAhead, AShapeKeepsOnlyWhatItsModeDraws) {
    using K = PictureShape::Keep;
    struct Case {
        const char* what;
        PictureShape shape;
        std::vector<Color> kept;
        Size corner;
    };
    const auto c = [](int x, int y) { return rgb(std::uint8_t(x), std::uint8_t(y), 0); };
    const Case cases[] = {
        {"whole", {}, {}, {}},
        {"stretched to 2 x 2 on a 2 x 2 screen",
         {K::Stretched, {2, 2}, {2, 2}, {}},
         {c(0, 0), c(2, 0), c(0, 2), c(2, 2)},
         {}},
        {"stretched to 6 x 2, centred on a 2 x 2 screen",
         {K::Stretched, {6, 2}, {2, 2}, {}},
         {c(1, 0), c(2, 0), c(1, 2), c(2, 2)},
         {}},
        {"centred on a 2 x 2 screen, its top-left 3 x 1 kept too",
         {K::Centred, {}, {2, 2}, {3, 1}},
         {c(1, 1), c(2, 1), c(1, 2), c(2, 2)},
         {3, 1}},
        {"its top-left 1 x 2", {K::TopLeft, {1, 2}, {}, {}}, {c(0, 0), c(0, 1)}, {}},
    };
    Bitmap picture(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) picture.setPixel(x, y, c(x, y));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        LoadedPicture loaded;
        loaded.picture = Picture(picture);
        shapePicture(loaded, k.shape);
        EXPECT_EQ(loaded.natural, (Size{4, 4}));
        EXPECT_EQ((Size{loaded.corner.width(), loaded.corner.height()}), k.corner);
        if (k.kept.empty()) {
            EXPECT_EQ(loaded.picture.width(), 4);
            continue;
        }
        const Bitmap& kept = loaded.picture.bitmap();
        std::vector<Color> pixels;
        for (int y = 0; y < kept.height(); ++y)
            for (int x = 0; x < kept.width(); ++x) pixels.push_back(kept.pixel(x, y));
        EXPECT_EQ(pixels, k.kept);
    }
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
        LoggingDecoder log(s);
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

// The saver ends while the next picture is being decoded ahead: the decode is stopped, and the
// end returns only once the worker has let go of it.
TEST(PictureAhead, TheEndStopsTheDecodeUnderWay) {
    SlideShow s;
    LoggingDecoder log(s);
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
class GatedDecoder : public Gate {
public:
    struct Step {
        int position;
        bool stopped;
        friend bool operator==(const Step&, const Step&) = default;
        friend std::ostream& operator<<(std::ostream& out, const Step& s) {
            return out << s.position << (s.stopped ? " stopped" : " decoded");
        }
    };
    GatedDecoder() : Gate(true) {}
    std::vector<Step> log() {
        std::lock_guard lock(mutex_);
        return log_;
    }

private:
    LoadedPicture decode(const PictureRequest& request) override {
        std::unique_lock lock(mutex_);
        LoadedPicture loaded;
        loaded.stopped = pass(lock, request);
        if (!loaded.stopped) loaded.picture = Picture(Bitmap(request.position + 1, 1));
        log_.push_back({request.position, loaded.stopped});
        return loaded;
    }

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

// Pictures decoded ahead that hold 16 megapixels (a slide keeps its picture whole) hold the next
// decode back until they are taken, so no more than one such picture waits.
TEST(PictureAhead, ALargePictureWaitingHoldsTheNextDecodeBack) {
    std::mutex mutex;
    std::vector<int> decoded;
    PictureAhead ahead;
    ahead.setDecoder([&](const PictureRequest& request) {
        std::lock_guard lock(mutex);
        decoded.push_back(request.position);
        LoadedPicture loaded;
        loaded.picture = Picture(request.position == 0 ? Bitmap(4096, 4096) : Bitmap(1, 1));
        return loaded;
    });
    const auto log = [&] {
        std::lock_guard lock(mutex);
        return decoded;
    };
    ahead.start({request(0), request(1)});
    ahead.waitUntilIdle();
    EXPECT_EQ(log(), (std::vector<int>{0}));
    EXPECT_EQ(widthOf(ahead.take(request(0))), 4096);
    ahead.waitUntilIdle();
    EXPECT_EQ(log(), (std::vector<int>{0, 1}));
}

}  // namespace
}  // namespace quillo::test
