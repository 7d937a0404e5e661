#pragma once
// The settings dialog: the picture and sound lists, the options, the thumbnail and the buttons.
// The widgets only show state; the settings functions do the work on the file, the slot tables
// and the lists (through the ListBox adapters), and DialogServices does everything outside.
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "DialogTexts.h"
#include "DialogWidgets.h"
#include "MediaSlots.h"
#include "SettingsStore.h"
#include "ShellOpen.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace quillo {

class DialogServices;
class SystemServices;
class AboutBox;

class SettingsDialog : public QWidget {
    Q_OBJECT
public:
    // about is the hidden About box that "About" shows; it must outlive the dialog.
    SettingsDialog(DialogServices& services, SystemServices& system, AboutBox& about,
                   QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // Runs a handler the way the event loop does: a failure shows its text in an error box and
    // ends the handler, and never reaches the toolkit.
    void guarded(const std::function<void()>& handler) noexcept;

    // Handlers; the buttons, lists and scroll bars reach them through guarded().
    void onCreate();
    // "Ok - Save" waits for another writer of the settings file without blocking the window: one
    // attempt now, then one per tick of a timer, until the save is done or the wait runs out.
    void onOkSave();
    void onSaveRetry();
    void onAddPicture();
    void onRemovePicture();
    void onAddFolder();
    void onClearList();
    void onAddSound();
    void onRemoveSound();
    void onAbout();
    void onDownload();
    void onWidthBarMoved();
    void onHeightBarMoved();
    void onDelayBarMoved();
    void onPictureSelected();
    void onPictureListDoubleClick();
    void onSoundListDoubleClick();
    void onThumbnailClick();

    // The option controls as the settings functions see them, and back.
    OptionsState readOptions() const;
    void applyOptions(const OptionsState& options);

    // The controls, named by what they are.
    QLabel* listsHeading;
    ExtentListWidget* pictureList;
    ExtentListWidget* soundList;
    QGroupBox* pictureOptionsGroup;
    QPushButton* addPictureButton;
    QPushButton* removePictureButton;
    QPushButton* addFolderButton;
    QPushButton* clearListButton;
    QLabel* totalImagesLabel;
    QLabel* pictureCountLabel;
    ThumbnailView* thumbnail;
    QGroupBox* soundOptionsGroup;
    QPushButton* addSoundButton;
    QPushButton* removeSoundButton;
    QRadioButton* soundOnRadio;
    QRadioButton* soundOffRadio;
    QGroupBox* pictureDisplaysGroup;
    QRadioButton* stretchRadio;
    QRadioButton* naturalSizeRadio;
    QRadioButton* tiledRadio;
    QRadioButton* pictureInPictureRadio;
    QRadioButton* overlappingRadio;
    QRadioButton* slideRadio;
    QRadioButton* rollDownRadio;
    QRadioButton* roundedCornersRadio;
    QRadioButton* circleFrameRadio;
    QRadioButton* fadeRadio;
    QRadioButton* customSizeRadio;
    // Shrink large pictures to fit the screen (the Fit option).
    QCheckBox* fitCheckBox;
    // Every picture once before any repeats, at random (the Shuffle option).
    QCheckBox* shuffleCheckBox;
    // A show on every screen (the AllScreens option).
    QCheckBox* allScreensCheckBox;
    QGroupBox* customSizeGroup;
    QLabel* widthHeading;
    QScrollBar* widthBar;
    QLabel* widthLabel;
    QLabel* heightHeading;
    QScrollBar* heightBar;
    QLabel* heightLabel;
    QGroupBox* delayGroup;
    QScrollBar* delayBar;
    QLabel* secondsHeading;
    QLabel* delayLabel;
    QGroupBox* sequenceGroup;
    QRadioButton* inOrderRadio;
    QRadioButton* randomRadio;
    QGroupBox* colorsGroup;
    QRadioButton* greyColorsRadio;
    QRadioButton* darkColorsRadio;
    QRadioButton* brightColorsRadio;
    QRadioButton* alwaysBlackRadio;
    QPushButton* downloadButton;
    QPushButton* aboutButton;
    QPushButton* okSaveButton;

    // The display-mode buttons in the order of their "Picdis" values 1 to 11.
    QRadioButton* displayModeButton(int value) const;

    // How long "Ok - Save" waits for another writer before it reports that the file cannot be
    // written; true while it waits.
    void setSaveWait(std::chrono::milliseconds wait) { saveWait_ = wait; }
    bool saveWaiting() const { return saveRetry_.isActive(); }

    MediaLists& lists() { return *lists_; }
    // Where "Add Picture" starts when no last folder is stored: the Pictures folder, else home.
    const std::string& defaultPictureFolder() const { return defaultPictureFolder_; }

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void refreshCount();
    void refreshThumbnail();
    OpenResult openWithShell(const std::string& target);
    void endSaveWait();

    DialogServices& services_;
    SystemServices& system_;
    AboutBox& about_;
    std::string defaultPictureFolder_;
    // The settings file, located when the dialog opens; the lists write through it.
    SettingsStore settings_;
    std::unique_ptr<QtListBox> pictureListBox_;
    std::unique_ptr<QtListBox> soundListBox_;
    std::unique_ptr<MediaLists> lists_;
    QTimer saveRetry_;
    std::chrono::milliseconds saveWait_;
    std::chrono::steady_clock::time_point saveGiveUpAt_;
};

}  // namespace quillo
