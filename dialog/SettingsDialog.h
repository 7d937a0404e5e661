#pragma once
// The settings dialog: the picture and sound lists, the options, the thumbnail and the buttons.
// The widgets only show state; the settings functions do the work on the file, the slot tables
// and the lists (through the ListBox adapters), and DialogServices does everything outside.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "DialogTexts.h"
#include "DialogWidgets.h"
#include "MediaSlots.h"
#include "SettingsStore.h"

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
    void FormCreate();
    void cmdcloseClick();
    void Button2Click();
    void Button3Click();
    void BitBtn1Click();
    void CmdClearListClick();
    void cmdwavClick();
    void cmdwavdClick();
    void cmdhelpClick();
    void cmdmoreClick();
    void ScrollBarWScroll();
    void ScrollBarHScroll();
    void ScrollbarDelayScroll();
    void ListBox1Click();
    void ListBox1DblClick();
    void ListBox2DblClick();
    void Image1Click();

    // The option controls as the settings functions see them, and back.
    OptionsState readOptions() const;
    void applyOptions(const OptionsState& options);

    // Controls, by the names the settings file's documentation uses.
    QLabel* Label1;
    ExtentListWidget* ListBox1;
    ExtentListWidget* ListBox2;
    QGroupBox* GroupBox2;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* BitBtn1;
    QPushButton* CmdClearList;
    QLabel* Label5;
    QLabel* LblCount;
    ThumbnailView* Image1;
    QGroupBox* GroupBox4;
    QPushButton* cmdwav;
    QPushButton* cmdwavd;
    QRadioButton* radsndon;
    QRadioButton* radsndof;
    QGroupBox* GroupBox6;
    QRadioButton* radpicst;
    QRadioButton* radpicde;
    QRadioButton* radpicti;
    QRadioButton* radpicin;
    QRadioButton* Radoverlap;
    QRadioButton* Radslide;
    QRadioButton* RadRollDown;
    QRadioButton* RadRound;
    QRadioButton* RadCircle;
    QRadioButton* RadFade;
    QRadioButton* Radpictcust;
    // Shrink large pictures to fit the screen (the Fit option).
    QCheckBox* chkfit;
    QGroupBox* GroupBox7;
    QLabel* Label3;
    QScrollBar* ScrollBarW;
    QLabel* Lblwidth;
    QLabel* Label2;
    QScrollBar* ScrollBarH;
    QLabel* Lblheight;
    QGroupBox* GroupBox3;
    QScrollBar* ScrollbarDelay;
    QLabel* Label4;
    QLabel* Lbldelay;
    QGroupBox* GroupBox5;
    QRadioButton* Radseq;
    QRadioButton* Radran;
    QGroupBox* GroupBox1;
    QRadioButton* radcol1;
    QRadioButton* radcol2;
    QRadioButton* radcol3;
    QRadioButton* Radcol4;
    QPushButton* cmdmore;
    QPushButton* cmdhelp;
    QPushButton* cmdclose;

    // The display-mode buttons in the order of their "Picdis" values 1 to 11.
    QRadioButton* displayModeButton(int value) const;

    MediaLists& lists() { return *lists_; }
    const std::string& WindowsDir() const { return windowsDir_; }

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
    int openWithShell(const std::string& target);

    DialogServices& services_;
    SystemServices& system_;
    AboutBox& about_;
    std::string windowsDir_;
    // The settings file, located by FormCreate; the lists write through it.
    SettingsStore settings_;
    std::unique_ptr<QtListBox> listBox1_;
    std::unique_ptr<QtListBox> listBox2_;
    std::unique_ptr<MediaLists> lists_;
};

}  // namespace quillo
