#pragma once
// The dialog tests' shared pieces: one QApplication for the whole program (offscreen), a
// scripted stand-in for every outside interaction, and a fixture with its own settings folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AboutBox.h"
#include "DialogServices.h"
#include "IniFile.h"
#include "SettingsDialog.h"
#include "ShellOpen.h"
#include "TestSupport.h"

namespace quillo::test {

using Role = ControlRole;

// The application object, made on first use; the platform is offscreen with two screens (800x600,
// and 1024x768 to its right) unless set otherwise.
QApplication& testApp();

// Answers every outside request from a script and records what was asked.
class ScriptedDialogServices : public DialogServices {
public:
    ScriptedBoxes scriptedBoxes;
    std::deque<std::optional<std::string>> pictureAnswers;  // empty script: cancel
    std::deque<std::optional<std::string>> soundAnswers;
    std::deque<std::optional<std::string>> folderAnswers;
    std::deque<OpenResult> shellAnswers;  // empty script: success
    ScreenInfo screenInfo{1280, 1024, 24};

    std::vector<std::string> pictureDialogDirs;
    std::vector<std::string> folderDialogDirs;
    std::vector<std::string> opened;
    int modalRuns = 0;

    MessageBoxes& boxes() override { return scriptedBoxes; }
    std::optional<std::string> openPicture(QWidget*, const std::string& initialDir) override;
    std::optional<std::string> openSound(QWidget*) override;
    std::optional<std::string> chooseFolder(QWidget*, const std::string& initialDir) override;
    OpenResult shellOpen(QWidget*, const std::string& target) override;
    ScreenInfo screen() override { return screenInfo; }
    void runModal(QDialog&) override { ++modalRuns; }

    std::vector<std::string> texts() const;  // of every box shown, in order
};

class DialogTest : public ::testing::Test {
protected:
    DialogTest();
    ~DialogTest() override;

    // Creates the dialog and runs its start-up, as the settings mode does.
    SettingsDialog& open();
    std::string iniPath() const { return dir / "config/Quillo/quillo51.ini"; }
    // Writes a settings file with the given text (creating the settings folder).
    void writeIni(const std::string& text);
    std::string option(const std::string& key) const;
    std::string slot(const char* section, int n) const;
    // The lines of a list widget.
    static std::vector<std::string> lines(const QListWidget& list);

    TempDir dir;
    ScopedEnv config;
    ScopedEnv home;
    ScriptedDialogServices services;
    FakeSystemServices system;
    std::unique_ptr<AboutBox> about;
    std::unique_ptr<SettingsDialog> form;
};

}  // namespace quillo::test
