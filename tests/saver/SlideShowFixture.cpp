#include "SlideShowFixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "BmpWriter.h"
#include "PpmWriter.h"

namespace quillo::test {

SlideShow::SlideShow(Size screen, int depth, int shows) : host(screen, depth), showCount(shows) {
    loop.setErrorDisplay([this](const std::exception& e) { errors.push_back(e.what()); });
}

SlideShow::SlideShow(std::vector<ScreenInfo> screens) : host(std::move(screens)), showCount(1) {
    loop.setErrorDisplay([this](const std::exception& e) { errors.push_back(e.what()); });
}

void SlideShow::writeIni(const std::string& text) {
    mkdir((dir / "Quillo").c_str(), 0700);
    writeFile(ini(), text);
}

std::string SlideShow::picture(const std::string& name, int w, int h, Color c) {
    Bitmap b(w, h);
    b.fill(c);
    return picture(name, b);
}

std::string SlideShow::picture(const std::string& name, const Bitmap& bitmap) {
    const std::string path = dir / name;
    if (!name.ends_with(".jpg")) {
        writeBmp24(path, bitmap);
        return path;
    }
    writePpm(path + ".ppm", bitmap);
    EXPECT_EQ(std::system(("cjpeg -quality 100 " + path + ".ppm > " + path).c_str()), 0);
    return path;
}

std::string SlideShow::brokenJpeg() {
    const std::string ppm = dir / "broken.ppm", jpeg = dir / "broken.jpg";
    writeFile(ppm, "P6\n64 64\n255\n" + std::string(64 * 64 * 3, '\x70'));
    EXPECT_EQ(std::system(("cjpeg " + ppm + " > " + jpeg).c_str()), 0);
    const std::string bytes = readFile(jpeg);
    writeFile(jpeg, bytes.substr(0, bytes.find("\xFF\xDA") + 40));
    return jpeg;
}

void SlideShow::writeSettings(const std::map<std::string, std::string>& options,
                              const std::vector<std::string>& pictures,
                              const std::vector<std::string>& sounds) {
    std::string text = "[Options]\n";
    for (const auto& [key, value] : options) text += key + "=" + value + "\n";
    const auto slots = [&text](const char* section, const std::vector<std::string>& files) {
        text += std::string("[") + section + "]\n";
        for (std::size_t n = 1; n <= 1000; ++n)
            text += "Name" + std::to_string(n) + "=" + (n <= files.size() ? files[n - 1] : "Null") +
                    "\n";
    };
    slots("JpegConfig", pictures);
    slots("WavConfig", sounds);
    writeIni(text);
}

void SlideShow::start() {
    host.setCursorPos({100, 100});
    loop.guarded([&] { form.start(parameters); });
    loop.processMessages();
}

void SlideShow::runTick(std::uint64_t extraMs) {
    // The picture decoded ahead is always ready by the tick, as it is at any usual delay.
    form.waitForPictureAhead();
    host.advance(form.displayTimer().interval() + extraMs);
    loop.processMessages();
    runFrames();
}

void SlideShow::runFrames() {
    // No animation of these tests runs a million frames: one that does never ends.
    for (int pass = 0; loop.animating() && !form.closed(); ++pass) {
        if (pass == 1'000'000) {
            ADD_FAILURE() << "the frames do not end";
            return;
        }
        loop.waitForWork();
        loop.processMessages();
    }
}

SaverRandom SlideShow::nextTickRandom(std::uint64_t extraMs) {
    probe_ = std::make_unique<HeadlessHost>();
    probe_->advance(host.nowMs() + form.displayTimer().interval() + extraMs);
    SaverRandom r(*probe_);
    r.Randomize();
    return r;
}

}  // namespace quillo::test
