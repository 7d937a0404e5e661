// The settings dialog with full lists: opening it (onCreate with 1000 pictures and 1000 sound
// files), against plain IniFile reads of the same keys; and "Add Entire Folder" on a folder of
// 1000 pictures, against writing the file it leaves once.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "AboutBox.h"
#include "DialogServices.h"
#include "IniFile.h"
#include "MessageBox.h"
#include "SettingsDialog.h"
#include "SettingsStore.h"
#include "SystemServices.h"

namespace {

using namespace quillo;

class QuietBoxes : public MessageBoxes {
public:
    MessageResult show(MessageKind, const std::string&, MessageButtons) override {
        return MessageResult::Ok;
    }
};

class BenchServices : public DialogServices {
public:
    std::string folder;
    MessageBoxes& boxes() override { return boxes_; }
    std::optional<std::string> openPicture(QWidget*, const std::string&) override { return {}; }
    std::optional<std::string> openSound(QWidget*) override { return {}; }
    std::optional<std::string> chooseFolder(QWidget*, const std::string&) override {
        return folder;
    }
    OpenResult shellOpen(QWidget*, const std::string&) override { return OpenResult::Opened; }
    ScreenInfo screen() override { return {1920, 1080, 24}; }
    void runModal(QDialog&) override {}

private:
    QuietBoxes boxes_;
};

class NoSystem : public SystemServices {
public:
    std::string picturesDirectory() override { return "/tmp"; }
    void setScreenSaverRunning(bool) override {}
};

// A settings folder of its own under the temp folder, set up once.
struct Workspace {
    std::string root;
    Workspace() {
        root = (std::filesystem::temp_directory_path() / "quillo-bench-dialog").string();
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root + "/config/Quillo");
        std::filesystem::create_directories(root + "/folder");
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        QImage picture(32, 24, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        picture.save(QString::fromStdString(root + "/folder/0000.bmp"), "BMP");
        const std::string bytes = [&] {
            std::ifstream in(root + "/folder/0000.bmp", std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        }();
        for (int i = 1; i < 1000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/folder/%04d.bmp", i);
            std::ofstream(root + name, std::ios::binary) << bytes;
        }
    }
    ~Workspace() { std::filesystem::remove_all(root); }
    std::string ini() const { return root + "/config/Quillo/quillo51.ini"; }

    void writeLists(bool full) {
        std::ofstream out(ini(), std::ios::trunc);
        out << "[Options]\nSound=1\nSeq=1\nColor=1\nPicdis=4\nTime=5000\nHeight=300\n"
               "Width=400\n[JpegConfig]\n";
        for (int n = 1; n <= 1000; ++n)
            out << "Name" << n << "="
                << (full ? root + "/folder/" + std::to_string(n) + ".jpg" : "Null") << "\n";
        out << "[WavConfig]\n";
        for (int n = 1; n <= 1000; ++n)
            out << "Name" << n << "="
                << (full ? "/music/track " + std::to_string(n) + ".mp3" : "Null") << "\n";
    }
};

void syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fdatasync(fd);
        ::close(fd);
    }
}

Workspace& workspace() {
    static Workspace w;
    return w;
}

void BM_OpenDialogFullLists(benchmark::State& state) {
    Workspace& w = workspace();
    w.writeLists(true);
    BenchServices services;
    NoSystem system;
    AboutBox about;
    for (auto _ : state) {
        SettingsDialog form(services, system, about);
        form.onCreate();
        benchmark::DoNotOptimize(form.list(ControlRole::PictureList)->count());
    }
}
BENCHMARK(BM_OpenDialogFullLists)->Unit(benchmark::kMillisecond);

// Baseline: the 2000 slot reads of the opening, through one IniFile object.
void BM_Baseline2000KeyReads(benchmark::State& state) {
    Workspace& w = workspace();
    w.writeLists(true);
    const SettingsPaths paths = locateSettings(*std::make_unique<QuietBoxes>());
    for (auto _ : state) {
        IniFile file(paths.file);
        for (int n = 1; n <= 1000; ++n) {
            benchmark::DoNotOptimize(file.readString("JpegConfig", slotKey(n), " "));
            benchmark::DoNotOptimize(file.readString("WavConfig", slotKey(n), " "));
        }
    }
}
BENCHMARK(BM_Baseline2000KeyReads)->Unit(benchmark::kMillisecond);

void BM_AddEntireFolder1000(benchmark::State& state) {
    Workspace& w = workspace();
    BenchServices services;
    services.folder = w.root + "/folder";
    NoSystem system;
    AboutBox about;
    for (auto _ : state) {
        state.PauseTiming();
        w.writeLists(false);
        auto form = std::make_unique<SettingsDialog>(services, system, about);
        form->onCreate();
        // The set-up's own writes reach the disk first, so that the add's one sync does not pay
        // for them (the baseline has none pending either).
        syncFile(w.ini());
        state.ResumeTiming();
        form->onAddFolder();
        state.PauseTiming();
        if (form->list(ControlRole::PictureList)->count() != 1000)
            state.SkipWithError("not every picture was added");
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddEntireFolder1000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Baseline: the file the folder add leaves, written once as any atomic replacement does it
// (temporary file, its data synced, renamed over the old one).
void BM_WriteSameFileOnce(benchmark::State& state) {
    Workspace& w = workspace();
    std::string bytes;
    {
        BenchServices services;
        services.folder = w.root + "/folder";
        NoSystem system;
        AboutBox about;
        w.writeLists(false);
        SettingsDialog form(services, system, about);
        form.onCreate();
        form.onAddFolder();
        std::ifstream in(w.ini(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string temp = w.ini() + ".new";
    syncFile(w.ini());
    for (auto _ : state) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
            ::fdatasync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), w.ini().c_str()))
            state.SkipWithError("could not write the file");
    }
}
BENCHMARK(BM_WriteSameFileOnce)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
