#pragma once
// The settings dialog: the picture and sound lists, the options, the thumbnail and the buttons.
// The widgets only show state; the settings functions do the work on the file, the slot tables
// and the lists (through the ListBox adapters), and DialogServices does everything outside.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "DialogTexts.h"
#include "DialogWidgets.h"
#include "MediaSlots.h"
#include "SettingsStore.h"
#include "ShellOpen.h"

namespace quillo {

class DialogServices;
class SystemServices;
class AboutBox;

// The dialog's controls by what they do, in the order the Tab key visits them (a group of radio
// buttons is one stop). The display modes' buttons are reached by their setting.
enum class ControlRole {
    ListsHeading,
    PictureList,
    SoundList,
    PictureOptions,  // the groups hold the controls listed after them
    AddPicture,
    RemovePicture,
    AddFolder,
    ClearList,
    TotalImagesHeading,
    PictureCount,
    Thumbnail,
    SoundOptions,
    AddSound,
    RemoveSound,
    SoundOn,
    SoundOff,
    PictureDisplays,
    DisplayMode,  // the display modes' buttons, reached by displayModeButton
    CustomSize,
    WidthHeading,
    WidthBar,
    WidthValue,
    HeightHeading,
    HeightBar,
    HeightValue,
    Delay,
    DelayBar,
    SecondsHeading,
    DelayValue,
    Sequence,
    InOrder,
    Random,
    Colors,
    GreyColors,
    DarkColors,
    BrightColors,
    AlwaysBlack,
    Fit,         // shrink large pictures to fit the screen
    Shuffle,     // every picture once before any repeats, at random
    AllScreens,  // a show on every screen
    Captions,    // each photo's name and date over it
    Download,
    About,
    OkSave,
    Dialog,  // the dialog itself, the group of the controls outside any other
};

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

    // The controls by their roles (a role's widget class is the one its accessor gives).
    QWidget* control(ControlRole role) const { return controls_[std::size_t(role)]; }
    QLabel* label(ControlRole role) const { return control<QLabel>(role); }
    ExtentListWidget* list(ControlRole role) const { return control<ExtentListWidget>(role); }
    QGroupBox* group(ControlRole role) const { return control<QGroupBox>(role); }
    QPushButton* button(ControlRole role) const { return control<QPushButton>(role); }
    QRadioButton* radio(ControlRole role) const { return control<QRadioButton>(role); }
    QScrollBar* scrollBar(ControlRole role) const { return control<QScrollBar>(role); }
    QCheckBox* checkBox(ControlRole role) const { return control<QCheckBox>(role); }
    ThumbnailView* thumbnail() const { return control<ThumbnailView>(ControlRole::Thumbnail); }
    // The button of a display mode in "Picture Displays".
    QRadioButton* displayModeButton(DisplayModeSetting mode) const;

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
    template <class Widget>
    Widget* control(ControlRole role) const {
        return qobject_cast<Widget*>(control(role));
    }
    void buildControls();
    void showBarValue(ControlRole bar, ControlRole value);
    void enableSoundChoice(bool enabled);
    void connectHandlers();
    void refreshCount();
    void refreshThumbnail();
    OpenResult openWithShell(const std::string& target);
    void endSaveWait();

    std::array<QWidget*, std::size_t(ControlRole::Dialog) + 1> controls_{};
    std::array<QRadioButton*, kDisplayModes.size()> displayModeButtons_{};
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
