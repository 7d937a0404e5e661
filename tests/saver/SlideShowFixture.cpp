#include "SlideShowFixture.h"

#include <sys/stat.h>

namespace quillo::test {

SlideShow::SlideShow(Size screen) : host(screen) {
    StopFlag = false;
    loop.setErrorDisplay([this](const std::exception& e) { errors.push_back(e.what()); });
}

std::string SlideShow::picture(const std::string& name, int w, int h, Color c) {
    Bitmap b(w, h);
    b.fill(c);
    const std::string path = dir / name;
    writeBmp24(path, b);
    return path;
}

void SlideShow::start(const std::map<std::string, std::string>& options,
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
    mkdir((dir / "Quillo").c_str(), 0700);
    writeFile(dir / "Quillo/quillo51.ini", text);
    host.setCursorPos({10, 10});
    loop.guarded([&] { form.FormCreate(); });
    form.Show();
    loop.processMessages();
}

void SlideShow::tick() {
    const std::uint32_t wait = form.FirstTick ? 1000 : form.Timer1.interval();
    host.advance(wait);
    loop.processMessages();
    loop.processMessages();  // the repaint the tick asked for, as the running loop serves it
}

}  // namespace quillo::test
