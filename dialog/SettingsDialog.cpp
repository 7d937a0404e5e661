#include "SettingsDialog.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

#include "AboutBox.h"
#include "DialogLogic.h"
#include "DialogServices.h"
#include "FormStyle.h"
#include "MessageBox.h"
#include "Paths.h"
#include "SystemServices.h"

namespace quillo {

namespace {

QLabel* makeLabel(QWidget* parent, const char* text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(x, y, w, h);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* text, int x, int y, int w, int h) {
    auto* button = new QPushButton(text, parent);
    button->setFont(formFont("Arial", 8));
    button->setAutoDefault(false);
    button->setGeometry(x, y, w, h);
    return button;
}

QPushButton* makeGlyphButton(QWidget* parent, const char* text, QStyle::StandardPixmap glyph, int x,
                             int y, int w, int h) {
    QPushButton* button = makeButton(parent, text, x, y, w, h);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setIconSize(QSize(12, 12));
    return button;
}

QRadioButton* makeRadio(QWidget* parent, const char* text, int x, int y, int w, int h) {
    auto* radio = new QRadioButton(text, parent);
    radio->setFont(formFont("Arial", 8));
    radio->setGeometry(x, y, w, h);
    return radio;
}

QGroupBox* makeGroup(QWidget* parent, const char* title, int x, int y, int w, int h) {
    auto* group = new QGroupBox(title, parent);
    group->setFont(formFont("MS Sans Serif", 8, true));
    group->setGeometry(x, y, w, h);
    return group;
}

QScrollBar* makeScrollBar(QWidget* parent, int min, int max, int value, int x, int y, int w,
                          int h) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setRange(min, max);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(value);
    bar->setGeometry(x, y, w, h);
    return bar;
}

ExtentListWidget* makeList(QWidget* parent, const char* hint, int x, int y, int w, int h) {
    auto* list = new ExtentListWidget(parent);
    list->setFont(formFont("Arial", 8));
    list->setToolTip(hint);
    list->setGeometry(x, y, w, h);
    return list;
}

// Radio buttons of one group all unchecked, which auto-exclusive buttons do not allow directly.
void uncheckAll(std::initializer_list<QRadioButton*> buttons) {
    for (QRadioButton* b : buttons) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

}  // namespace

SettingsDialog::SettingsDialog(DialogServices& services, SystemServices& system, AboutBox& about,
                               QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      services_(services),
      system_(system),
      about_(about) {
    setObjectName("Form2");
    setWindowTitle(kDialogCaption);
    setFixedSize(607, 518);
    setFormColor(*this);
    setFont(formFont("MS Sans Serif", 8));
    buildControls();
    useFormGroupFrames(*this);
    listBox1_ = std::make_unique<QtListBox>(*ListBox1);
    listBox2_ = std::make_unique<QtListBox>(*ListBox2);
    lists_ =
        std::make_unique<MediaLists>(MediaLists{settings_, SlotTables{}, *listBox1_, *listBox2_});
    connectHandlers();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::buildControls() {
    // Created in this order so that later controls lie above earlier ones where they overlap.
    Label1 = makeLabel(this,
                       "Listed below are your pictures.                              "
                       "Listed below are your sound files.",
                       5, 2, 582, 20);
    Label1->setFont(formFont("MS Sans Serif", 8, true));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ListBox1 = makeList(this, "Double click to open picture", 4, 16, 290, 115);
    ListBox2 = makeList(this, "Double click to play the sound file", 298, 16, 295, 115);

    GroupBox2 = makeGroup(this, "Picture Options", 6, 135, 289, 121);
    Button2 = makeGlyphButton(GroupBox2, "Add Picture", QStyle::SP_FileIcon, 10, 18, 130, 18);
    Button3 = makeGlyphButton(GroupBox2, "Remove Picture", QStyle::SP_TrashIcon, 10, 44, 130, 18);
    BitBtn1 =
        makeGlyphButton(GroupBox2, "Add Entire Folder", QStyle::SP_DirOpenIcon, 10, 69, 130, 18);
    CmdClearList =
        makeGlyphButton(GroupBox2, "Clear The List", QStyle::SP_DialogResetButton, 10, 94, 130, 18);
    Label5 = makeLabel(GroupBox2, "Total Images =", 149, 11, 91, 13);
    LblCount = makeLabel(GroupBox2, "0", 243, 11, 39, 13);
    Image1 = new ThumbnailView(GroupBox2);
    Image1->setGeometry(152, 29, 126, 88);

    GroupBox4 = makeGroup(this, "Sound Options", 300, 135, 293, 121);
    cmdwav = makeButton(GroupBox4, "Add Sound File", 68, 18, 154, 17);
    cmdwavd = makeButton(GroupBox4, "Remove Sound File", 68, 47, 154, 17);
    radsndon = makeRadio(GroupBox4, "Sound ON", 63, 75, 90, 17);
    radsndof = makeRadio(GroupBox4, "Sound OFF", 165, 76, 99, 17);

    GroupBox6 = makeGroup(this, "Picture Displays", 6, 260, 289, 248);
    radpicst = makeRadio(GroupBox6, "Stretch Picture Full Screen", 14, 15, 187, 17);
    radpicde = makeRadio(GroupBox6, "Default Picture Size (Clearest Image)", 14, 31, 243, 17);
    radpicti = makeRadio(GroupBox6, "Tiled Pictures", 14, 48, 195, 17);
    radpicin = makeRadio(GroupBox6, "Picture in a Picture", 110, 54, 147, 17);
    radpicin->hide();
    Radoverlap = makeRadio(GroupBox6, "Picture Overlapping", 14, 64, 160, 17);
    Radslide = makeRadio(GroupBox6, "Slide", 14, 80, 113, 17);
    RadRollDown = makeRadio(GroupBox6, "Roll It Down", 14, 96, 113, 17);
    RadRound = makeRadio(GroupBox6, "Rounded Corners", 14, 112, 147, 17);
    RadCircle = makeRadio(GroupBox6, "Circle Frame", 14, 128, 113, 17);
    RadFade = makeRadio(GroupBox6, "Fade / Blend", 14, 144, 113, 17);
    Radpictcust = makeRadio(GroupBox6, "Customize Picture Size Below ", 14, 167, 203, 17);

    GroupBox7 = makeGroup(GroupBox6, "Customize Your Picture Size", 18, 187, 256, 53);
    Label3 = makeLabel(GroupBox7, "Picture Width", 6, 17, 94, 13);
    Label3->setFont(formFont("MS Sans Serif", 8));
    ScrollBarW = makeScrollBar(GroupBox7, 25, 100, 25, 6, 34, 68, 13);
    ScrollBarW->setToolTip("Set picture width when customizing");
    Lblwidth = makeLabel(GroupBox7, "25", 78, 34, 38, 13);
    Label2 = makeLabel(GroupBox7, "Picture Height", 137, 17, 99, 13);
    Label2->setFont(formFont("MS Sans Serif", 8));
    ScrollBarH = makeScrollBar(GroupBox7, 25, 100, 25, 138, 34, 68, 13);
    ScrollBarH->setToolTip("Set picture height when customizing");
    Lblheight = makeLabel(GroupBox7, "25", 215, 34, 34, 13);

    GroupBox3 = makeGroup(this, "Time Delay - Seconds", 300, 260, 156, 85);
    ScrollbarDelay = makeScrollBar(GroupBox3, 1, 800, 1, 18, 26, 121, 13);
    Label4 = makeLabel(GroupBox3, "Seconds:", 18, 44, 58, 15);
    Label4->setFont(formFont("Arial", 9, false, true));
    Lbldelay = makeLabel(GroupBox3, "2", 18, 58, 39, 17);
    Lbldelay->setFont(formFont("Arial", 8, false, true));

    GroupBox5 = makeGroup(this, "Picture Sequence", 460, 260, 132, 85);
    Radseq = makeRadio(GroupBox5, "Display In Order", 4, 23, 123, 17);
    Radran = makeRadio(GroupBox5, "Display Randomly", 4, 47, 123, 17);

    GroupBox1 = makeGroup(this, "Background Colors ", 301, 350, 292, 77);
    radcol1 = makeRadio(GroupBox1, "Black - Gray - Silver - White", 14, 14, 219, 17);
    radcol2 = makeRadio(GroupBox1, "Navy - Black - Purple - Maroon", 14, 28, 259, 17);
    radcol3 = makeRadio(GroupBox1, "Green - Aqua - Fuschia - Yellow", 14, 43, 235, 17);
    Radcol4 = makeRadio(GroupBox1, "No Color - Always Black", 14, 58, 155, 17);

    // The free corner below the colours, left of the buttons; two lines fit there.
    chkfit = new WrappingCheckBox("Shrink large pictures to fit the screen", this);
    chkfit->setFont(formFont("Arial", 8));
    chkfit->setGeometry(303, 436, 170, 30);

    cmdmore = makeButton(this, "Download Software", 480, 439, 109, 21);
    cmdhelp = makeButton(this, "About", 480, 463, 109, 21);
    cmdclose = makeButton(this, "Ok - Save", 479, 487, 109, 21);
}

void SettingsDialog::connectHandlers() {
    // Every handler is entered through guarded(), so no exception reaches Qt's event loop.
    auto on = [this](auto* sender, auto signal, void (SettingsDialog::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(cmdclose, &QPushButton::clicked, &SettingsDialog::cmdcloseClick);
    on(Button2, &QPushButton::clicked, &SettingsDialog::Button2Click);
    on(Button3, &QPushButton::clicked, &SettingsDialog::Button3Click);
    on(BitBtn1, &QPushButton::clicked, &SettingsDialog::BitBtn1Click);
    on(CmdClearList, &QPushButton::clicked, &SettingsDialog::CmdClearListClick);
    on(cmdwav, &QPushButton::clicked, &SettingsDialog::cmdwavClick);
    on(cmdwavd, &QPushButton::clicked, &SettingsDialog::cmdwavdClick);
    on(cmdhelp, &QPushButton::clicked, &SettingsDialog::cmdhelpClick);
    on(cmdmore, &QPushButton::clicked, &SettingsDialog::cmdmoreClick);

    // Program changes of the scroll positions are made with the bars' signals blocked, so these
    // run only when the user moves a bar.
    on(ScrollBarW, &QScrollBar::valueChanged, &SettingsDialog::ScrollBarWScroll);
    on(ScrollBarH, &QScrollBar::valueChanged, &SettingsDialog::ScrollBarHScroll);
    on(ScrollbarDelay, &QScrollBar::valueChanged, &SettingsDialog::ScrollbarDelayScroll);

    on(ListBox1, &ExtentListWidget::userSelectionChanged, &SettingsDialog::ListBox1Click);
    on(ListBox1, &ExtentListWidget::doubleClicked, &SettingsDialog::ListBox1DblClick);
    on(ListBox2, &ExtentListWidget::doubleClicked, &SettingsDialog::ListBox2DblClick);
    on(Image1, &ThumbnailView::clicked, &SettingsDialog::Image1Click);
}

void SettingsDialog::guarded(const std::function<void()>& handler) noexcept {
    try {
        try {
            handler();
        } catch (const std::exception& e) {
            services_.boxes().show(MessageKind::Error, e.what());
        } catch (...) {
            services_.boxes().show(MessageKind::Error, "An unexpected error occurred.");
        }
    } catch (...) {
        // Showing the error failed as well; there is nobody left to tell.
    }
}

QRadioButton* SettingsDialog::displayModeButton(int value) const {
    QRadioButton* const buttons[] = {radpicst,    radpicde,   radpicin, radpicti,
                                     Radpictcust, Radoverlap, Radslide, RadRollDown,
                                     RadRound,    RadCircle,  RadFade};
    return value >= 1 && value <= 11 ? buttons[value - 1] : nullptr;
}

OptionsState SettingsDialog::readOptions() const {
    OptionsState o;
    o.soundOn = radsndon->isChecked();
    o.inOrder = Radseq->isChecked();
    o.color = radcol1->isChecked()   ? ColorSetSetting::BlackToWhite
              : radcol2->isChecked() ? ColorSetSetting::NavyToMaroon
              : radcol3->isChecked() ? ColorSetSetting::GreenToYellow
                                     : ColorSetSetting::AlwaysBlack;
    for (int value = 1; value <= 11; ++value)
        if (displayModeButton(value)->isChecked()) {
            o.displayMode = DisplayModeSetting(value);
            break;
        }
    // The labels hold the numbers that are saved; the program alone sets them.
    o.delaySeconds = Lbldelay->text().toLongLong();
    o.width = Lblwidth->text().toLongLong();
    o.height = Lblheight->text().toLongLong();
    o.delayPosition = ScrollbarDelay->value();
    o.widthPosition = ScrollBarW->value();
    o.heightPosition = ScrollBarH->value();
    o.widthMax = ScrollBarW->maximum();
    o.heightMax = ScrollBarH->maximum();
    o.fit = chkfit->isChecked();
    return o;
}

void SettingsDialog::applyOptions(const OptionsState& o) {
    (o.soundOn ? radsndon : radsndof)->setChecked(true);
    (o.inOrder ? Radseq : Radran)->setChecked(true);
    QRadioButton* const colors[] = {radcol1, radcol2, radcol3, Radcol4};
    colors[int(o.color) - 1]->setChecked(true);
    if (QRadioButton* mode = o.displayMode ? displayModeButton(int(*o.displayMode)) : nullptr)
        mode->setChecked(true);
    else
        uncheckAll({radpicst, radpicde, radpicin, radpicti, Radpictcust, Radoverlap, Radslide,
                    RadRollDown, RadRound, RadCircle, RadFade});

    chkfit->setChecked(o.fit);
    Lbldelay->setText(QString::number(o.delaySeconds));
    Lblwidth->setText(QString::number(o.width));
    Lblheight->setText(QString::number(o.height));
    const QSignalBlocker blockW(ScrollBarW), blockH(ScrollBarH), blockD(ScrollbarDelay);
    ScrollBarW->setMaximum(std::max(25, o.widthMax));
    ScrollBarH->setMaximum(std::max(25, o.heightMax));
    ScrollbarDelay->setValue(o.delayPosition);  // each bar clamps to its own range
    ScrollBarW->setValue(o.widthPosition);
    ScrollBarH->setValue(o.heightPosition);
}

void SettingsDialog::refreshCount() {
    LblCount->setText(QString::number(ListBox1->count()));
}

void SettingsDialog::refreshThumbnail() {
    DecodeOptions options;
    // Palette screens make JPEG pictures decode to a palette, the thumbnail's too.
    options.screenDepth = services_.screen().depth;
    // The thumbnail is this small box: a large photo need not be decoded in full for it.
    options.cover = {Image1->width(), Image1->height()};
    ShowThumbnail(*listBox1_, Image1->picture(), services_.boxes(), options);
    Image1->update();
}

int SettingsDialog::openWithShell(const std::string& target) {
    return services_.shellOpen(this, target);
}

void SettingsDialog::FormCreate() {
    MessageBoxes& boxes = services_.boxes();
    settings_ = SettingsStore(locateSettings(boxes).file);

    const ScreenInfo screen = services_.screen();
    if (screen.depth < 16) boxes.show(MessageKind::Plain, kLowColorHint);

    // The platform's Pictures folder, else the home folder, else the root.
    std::string startFolder = system_.picturesDirectory();
    if (startFolder.empty()) startFolder = homeDirectory();
    windowsDir_ = startFolder.empty() ? std::string("/") : std::move(startFolder);

    MediaLists& lists = *lists_;
    lists.slots.freeAll();

    {
        const QSignalBlocker blockW(ScrollBarW), blockH(ScrollBarH);
        ScrollBarW->setMaximum(std::max(25, screen.width));
        ScrollBarH->setMaximum(std::max(25, screen.height));
    }

    // A saver starting at the same moment may make the file first: then it is read like any.
    if (!settings_.exists() && settings_.createNewFile()) {
        applyOptions(defaultDialogOptions(ScrollBarW->maximum(), ScrollBarH->maximum()));
    } else {
        OptionsState options;
        options.widthMax = ScrollBarW->maximum();
        options.heightMax = ScrollBarH->maximum();
        settings_.load(options, lists.slots);
        applyOptions(options);
    }

    FillLists(lists);
    if (lists.SoundCount() <= 0) {
        radsndon->setEnabled(false);
        radsndof->setEnabled(false);
    }
    refreshCount();
    refreshThumbnail();
    FitListBoxExtent(*ListBox1);
    FitListBoxExtent(*ListBox2);
}

void SettingsDialog::cmdcloseClick() {
    settings_.saveOptions(readOptions());
    close();
}

void SettingsDialog::Button2Click() {
    const std::string initialDir = settings_.readLastDir(windowsDir_);
    const std::optional<std::string> chosen = services_.openPicture(this, initialDir);
    if (!chosen) return;
    if (!chosen->empty()) AddPictureEntry(*lists_, services_.boxes(), *chosen, true);
    refreshCount();
    if (ListBox1->count() > 0) refreshThumbnail();
    settings_.writeLastDir(*chosen);
    FitListBoxExtent(*ListBox1);
}

void SettingsDialog::Button3Click() {
    if (lists_->PictureCount() <= 0) {
        services_.boxes().show(MessageKind::Information, kNoPicturesText);
        return;
    }
    RemovePictureEntry(*lists_, services_.boxes());
    refreshCount();
    refreshThumbnail();
}

void SettingsDialog::BitBtn1Click() {
    const std::optional<std::string> chosen =
        services_.chooseFolder(this, settings_.readLastDir(windowsDir_));
    if (!chosen || chosen->empty()) return;
    std::string folder = *chosen;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

    const std::string lastDir = folder == "/" ? folder : folder + "/";
    const std::vector<std::string> files = FolderPictures(folder);
    if (files.empty()) {
        services_.boxes().show(MessageKind::Information, kNoFolderPicturesText);
        settings_.writeLastDir(lastDir);
    } else if (!AddPictureEntries(*lists_, services_.boxes(), files, lastDir)) {
        // Reported once for the whole folder rather than once per picture left over.
        services_.boxes().show(MessageKind::Confirmation, kListFullText);
    }
    refreshCount();
    if (ListBox1->count() > 0) refreshThumbnail();
    FitListBoxExtent(*ListBox1);
}

void SettingsDialog::CmdClearListClick() {
    if (lists_->PictureCount() <= 0) {
        services_.boxes().show(MessageKind::Information, kNoPicturesText);
        return;
    }
    if (services_.boxes().show(MessageKind::Warning, kConfirmClearText, MessageButtons::OkCancel) !=
        MessageResult::Ok)
        return;
    ClearPictureEntries(*lists_);
    refreshCount();
    Image1->picture().clear();
    Image1->update();
}

void SettingsDialog::cmdwavClick() {
    const std::optional<std::string> chosen = services_.openSound(this);
    if (!chosen) return;
    if (chosen->empty()) return;
    AddSoundEntry(*lists_, services_.boxes(), *chosen);
    radsndon->setEnabled(true);
    radsndof->setEnabled(true);
    FitListBoxExtent(*ListBox2);
}

void SettingsDialog::cmdwavdClick() {
    MessageBoxes& boxes = services_.boxes();
    if (lists_->SoundCount() <= 0) {
        boxes.show(MessageKind::Information, kNoSoundsText);
        return;
    }
    if (boxes.show(MessageKind::Warning, kConfirmSoundRemovalText, MessageButtons::OkCancel) !=
        MessageResult::Ok)
        return;
    RemoveSoundEntry(*lists_, boxes);
    if (lists_->SoundCount() < 1) {
        radsndof->setChecked(true);
        radsndon->setEnabled(false);
        radsndof->setEnabled(false);
    }
}

void SettingsDialog::cmdhelpClick() {
    services_.runModal(about_);
}

void SettingsDialog::cmdmoreClick() {
    if (openWithShell(kDownloadAddress) < 32)
        services_.boxes().show(MessageKind::Plain,
                               std::string(kDownloadFailedText) + kDownloadAddress);
}

void SettingsDialog::ScrollBarWScroll() {
    Lblwidth->setText(QString::number(ScrollBarW->value()));
}
void SettingsDialog::ScrollBarHScroll() {
    Lblheight->setText(QString::number(ScrollBarH->value()));
}
void SettingsDialog::ScrollbarDelayScroll() {
    Lbldelay->setText(QString::number(ScrollbarDelay->value()));
}

void SettingsDialog::ListBox1Click() {
    refreshThumbnail();
}

void SettingsDialog::ListBox1DblClick() {
    OpenListedFile(
        *listBox1_, [this](const std::string& p) { return openWithShell(p); }, services_.boxes(),
        kNoPictureViewerText);
}

void SettingsDialog::ListBox2DblClick() {
    OpenListedFile(
        *listBox2_, [this](const std::string& p) { return openWithShell(p); }, services_.boxes(),
        kNoSoundPlayerText);
}

void SettingsDialog::Image1Click() {
    OpenListedFile(
        *listBox1_, [this](const std::string& p) { return openWithShell(p); }, services_.boxes(),
        kNoImageViewerText);
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    // Closing by the window manager leaves the options as they were in the file; list changes
    // are already stored, so nothing the user did to the lists is lost.
    event->accept();
    Q_EMIT closed();
}

void SettingsDialog::keyPressEvent(QKeyEvent* event) {
    // Escape must not close a dialog whose only way out is "Ok - Save".
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quillo
