#include "DialogTestSupport.h"

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace quillo::test {

QApplication& testApp() {
    static int argc = 1;
    static char name[] = "quillo_dialog_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        // Offscreen with two screens side by side: the first as the platform's default, the
        // second to its right, for the boxes that must open on their dialog's screen.
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        std::string config;
        if (!platform || std::string(platform) == "offscreen") {
            config = std::filesystem::temp_directory_path() /
                     ("quillo-screens-" + std::to_string(getpid()) + ".json");
            writeFile(config,
                      R"({"screens": [)"
                      R"({"name": "first", "x": 0, "y": 0, "width": 800, "height": 600},)"
                      R"({"name": "second", "x": 800, "y": 0, "width": 1024, "height": 768}]})");
            setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
        }
        auto* a = new QApplication(argc, argv);
        if (!config.empty()) std::filesystem::remove(config);
        QApplication::setApplicationName("Quillo Screensaver");
        return a;
    }();
    return *app;
}

namespace {

// The script's next answer, taken from it; `otherwise` when the script has run out.
template <class T>
T next(std::deque<T>& script, T otherwise) {
    if (script.empty()) return otherwise;
    T answer = std::move(script.front());
    script.pop_front();
    return answer;
}

}  // namespace

std::optional<std::string> ScriptedDialogServices::openPicture(QWidget*,
                                                               const std::string& initialDir) {
    pictureDialogDirs.push_back(initialDir);
    return next(pictureAnswers, {});
}

std::optional<std::string> ScriptedDialogServices::openSound(QWidget*) {
    return next(soundAnswers, {});
}

std::optional<std::string> ScriptedDialogServices::chooseFolder(QWidget*,
                                                                const std::string& initialDir) {
    folderDialogDirs.push_back(initialDir);
    return next(folderAnswers, {});
}

OpenResult ScriptedDialogServices::shellOpen(QWidget*, const std::string& target) {
    opened.push_back(target);
    return next(shellAnswers, OpenResult::Opened);
}

std::vector<std::string> ScriptedDialogServices::texts() const {
    std::vector<std::string> out;
    for (const auto& s : scriptedBoxes.shown) out.push_back(s.text);
    return out;
}

DialogTest::DialogTest() : config("XDG_CONFIG_HOME", dir / "config"), home("HOME", dir / "home") {
    testApp();
    std::filesystem::create_directories(dir / "config");
    std::filesystem::create_directories(dir / "home");
    system.windowsDir = dir / "home";
    about = std::make_unique<AboutBox>();
}

DialogTest::~DialogTest() {
    form.reset();
    about.reset();
}

SettingsDialog& DialogTest::open() {
    form = std::make_unique<SettingsDialog>(services, system, *about);
    form->onCreate();
    return *form;
}

void DialogTest::writeIni(const std::string& text) {
    std::filesystem::create_directories(dir / "config/Quillo");
    writeFile(iniPath(), text);
}

std::string DialogTest::option(const std::string& key) const {
    return IniFile(iniPath()).readString("Options", key, "<missing>");
}

std::string DialogTest::slot(const char* section, int n) const {
    return IniFile(iniPath()).readString(section, "Name" + std::to_string(n), "<missing>");
}

std::vector<std::string> DialogTest::lines(const QListWidget& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.item(i)->text().toStdString());
    return out;
}

}  // namespace quillo::test
