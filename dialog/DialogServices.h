#pragma once
// Everything the settings dialog asks of the world outside its own widgets: modal message
// boxes, the open dialogs, the folder chooser, the shell's "open", the screen and the About box.
// The Qt implementation shows real windows; tests use a scripted stand-in so nothing blocks.
#include <optional>
#include <string>

#include "ShellOpen.h"

class QDialog;
class QWidget;

namespace quillo {

class MessageBoxes;

struct ScreenInfo {
    int width = 0;
    int height = 0;
    int depth = 24;  // bits per pixel
};

class DialogServices {
public:
    virtual ~DialogServices() = default;
    virtual MessageBoxes& boxes() = 0;
    // The picture open dialog (with a preview pane); nullopt when the user cancels.
    virtual std::optional<std::string> openPicture(QWidget* owner,
                                                   const std::string& initialDir) = 0;
    // The sound file open dialog; it starts wherever the toolkit starts it.
    virtual std::optional<std::string> openSound(QWidget* owner) = 0;
    virtual std::optional<std::string> chooseFolder(QWidget* owner,
                                                    const std::string& initialDir) = 0;
    // The desktop's "open" on a file or address.
    virtual OpenResult shellOpen(QWidget* owner, const std::string& target) = 0;
    virtual ScreenInfo screen() = 0;
    // Shows a modal box and returns when it closes.
    virtual void runModal(QDialog& box) = 0;
};

// The filters of the open dialogs in the classic "description|patterns|..." form.
constexpr const char* kPictureFilter = "jpeg (*.jpg);(*.jpeg)|*.jpg;*.jpeg|bitmap (*.bmp)|*.bmp";
constexpr const char* kSoundFilter =
    "ALL|*.mp3;*.wav;*.mid;*.midi|MIDI|*.mid;*.midi|WAV|*.wav|MP3|*.mp3";

}  // namespace quillo
