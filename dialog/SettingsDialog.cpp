#include "SettingsDialog.h"

#include <QApplication>
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
#include "Errors.h"
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
    auto* bar = new FocusScrollBar(parent);
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
      about_(about),
      saveWait_(IniStore::kWriterWait) {
    setObjectName("settingsDialog");
    setWindowTitle(kDialogCaption);
    setFixedSize(607, 518);
    setFormColor(*this);
    setFont(formFont("MS Sans Serif", 8));
    buildControls();
    useFormGroupFrames(*this);
    // Tab visits the controls in the order they were made; a group of radio buttons is one stop.
    for (QGroupBox* group : {soundOptionsGroup, pictureDisplaysGroup, sequenceGroup, colorsGroup})
        tabToCheckedRadio(*group);
    pictureListBox_ = std::make_unique<QtListBox>(*pictureList);
    soundListBox_ = std::make_unique<QtListBox>(*soundList);
    lists_ = std::make_unique<MediaLists>(
        MediaLists{settings_, SlotTables{}, *pictureListBox_, *soundListBox_});
    connectHandlers();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::buildControls() {
    // Created in this order so that later controls lie above earlier ones where they overlap.
    listsHeading = makeLabel(this,
                             "Listed below are your pictures.                              "
                             "Listed below are your sound files.",
                             5, 2, 582, 20);
    listsHeading->setFont(formFont("MS Sans Serif", 8, true));
    listsHeading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pictureList = makeList(this, "Double click to open picture", 4, 16, 290, 115);
    soundList = makeList(this, "Double click to play the sound file", 298, 16, 295, 115);

    pictureOptionsGroup = makeGroup(this, "Picture Options", 6, 135, 289, 121);
    addPictureButton =
        makeGlyphButton(pictureOptionsGroup, "Add Picture", QStyle::SP_FileIcon, 10, 18, 130, 18);
    removePictureButton = makeGlyphButton(pictureOptionsGroup, "Remove Picture",
                                          QStyle::SP_TrashIcon, 10, 44, 130, 18);
    addFolderButton = makeGlyphButton(pictureOptionsGroup, "Add Entire Folder",
                                      QStyle::SP_DirOpenIcon, 10, 69, 130, 18);
    clearListButton = makeGlyphButton(pictureOptionsGroup, "Clear The List",
                                      QStyle::SP_DialogResetButton, 10, 94, 130, 18);
    totalImagesLabel = makeLabel(pictureOptionsGroup, "Total Images =", 149, 11, 91, 13);
    pictureCountLabel = makeLabel(pictureOptionsGroup, "0", 243, 11, 39, 13);
    thumbnail = new ThumbnailView(pictureOptionsGroup);
    thumbnail->setGeometry(152, 29, 126, 88);

    soundOptionsGroup = makeGroup(this, "Sound Options", 300, 135, 293, 121);
    addSoundButton = makeButton(soundOptionsGroup, "Add Sound File", 68, 18, 154, 17);
    removeSoundButton = makeButton(soundOptionsGroup, "Remove Sound File", 68, 47, 154, 17);
    soundOnRadio = makeRadio(soundOptionsGroup, "Sound ON", 63, 75, 90, 17);
    soundOffRadio = makeRadio(soundOptionsGroup, "Sound OFF", 165, 76, 99, 17);

    pictureDisplaysGroup = makeGroup(this, "Picture Displays", 6, 260, 289, 248);
    stretchRadio = makeRadio(pictureDisplaysGroup, "Stretch Picture Full Screen", 14, 15, 187, 17);
    naturalSizeRadio =
        makeRadio(pictureDisplaysGroup, "Default Picture Size (Clearest Image)", 14, 31, 243, 17);
    tiledRadio = makeRadio(pictureDisplaysGroup, "Tiled Pictures", 14, 48, 195, 17);
    pictureInPictureRadio =
        makeRadio(pictureDisplaysGroup, "Picture in a Picture", 110, 54, 147, 17);
    pictureInPictureRadio->hide();
    overlappingRadio = makeRadio(pictureDisplaysGroup, "Picture Overlapping", 14, 64, 160, 17);
    slideRadio = makeRadio(pictureDisplaysGroup, "Slide", 14, 80, 113, 17);
    rollDownRadio = makeRadio(pictureDisplaysGroup, "Roll It Down", 14, 96, 113, 17);
    roundedCornersRadio = makeRadio(pictureDisplaysGroup, "Rounded Corners", 14, 112, 147, 17);
    circleFrameRadio = makeRadio(pictureDisplaysGroup, "Circle Frame", 14, 128, 113, 17);
    fadeRadio = makeRadio(pictureDisplaysGroup, "Fade / Blend", 14, 144, 113, 17);
    customSizeRadio =
        makeRadio(pictureDisplaysGroup, "Customize Picture Size Below ", 14, 167, 203, 17);

    customSizeGroup =
        makeGroup(pictureDisplaysGroup, "Customize Your Picture Size", 18, 187, 256, 53);
    widthHeading = makeLabel(customSizeGroup, "Picture Width", 6, 17, 94, 13);
    widthHeading->setFont(formFont("MS Sans Serif", 8));
    widthBar = makeScrollBar(customSizeGroup, 25, 100, 25, 6, 34, 68, 13);
    widthBar->setToolTip("Set picture width when customizing");
    widthLabel = makeLabel(customSizeGroup, "25", 78, 34, 38, 13);
    heightHeading = makeLabel(customSizeGroup, "Picture Height", 137, 17, 99, 13);
    heightHeading->setFont(formFont("MS Sans Serif", 8));
    heightBar = makeScrollBar(customSizeGroup, 25, 100, 25, 138, 34, 68, 13);
    heightBar->setToolTip("Set picture height when customizing");
    heightLabel = makeLabel(customSizeGroup, "25", 215, 34, 34, 13);

    delayGroup = makeGroup(this, "Time Delay - Seconds", 300, 260, 156, 85);
    delayBar = makeScrollBar(delayGroup, 1, 800, 1, 18, 26, 121, 13);
    secondsHeading = makeLabel(delayGroup, "Seconds:", 18, 44, 58, 15);
    secondsHeading->setFont(formFont("Arial", 9, false, true));
    delayLabel = makeLabel(delayGroup, "2", 18, 58, 39, 17);
    delayLabel->setFont(formFont("Arial", 8, false, true));

    sequenceGroup = makeGroup(this, "Picture Sequence", 460, 260, 132, 85);
    inOrderRadio = makeRadio(sequenceGroup, "Display In Order", 4, 23, 123, 17);
    randomRadio = makeRadio(sequenceGroup, "Display Randomly", 4, 47, 123, 17);

    colorsGroup = makeGroup(this, "Background Colors ", 301, 350, 292, 77);
    greyColorsRadio = makeRadio(colorsGroup, "Black - Gray - Silver - White", 14, 14, 219, 17);
    darkColorsRadio = makeRadio(colorsGroup, "Navy - Black - Purple - Maroon", 14, 28, 259, 17);
    brightColorsRadio = makeRadio(colorsGroup, "Green - Aqua - Fuschia - Yellow", 14, 43, 235, 17);
    alwaysBlackRadio = makeRadio(colorsGroup, "No Color - Always Black", 14, 58, 155, 17);

    // The free corner below the colours, left of the buttons: two lines for each of the first
    // two options, one for the last.
    fitCheckBox = new WrappingCheckBox("Shrink large pictures to fit the screen", this);
    fitCheckBox->setFont(formFont("Arial", 8));
    fitCheckBox->setGeometry(303, 430, 170, 30);
    // Used only when the order is random.
    shuffleCheckBox = new WrappingCheckBox("Show each picture once before repeating", this);
    shuffleCheckBox->setFont(formFont("Arial", 8));
    shuffleCheckBox->setGeometry(303, 461, 170, 30);
    allScreensCheckBox = new WrappingCheckBox("Show pictures on every screen", this);
    allScreensCheckBox->setFont(formFont("Arial", 8));
    allScreensCheckBox->setGeometry(303, 492, 170, 22);

    downloadButton = makeButton(this, "Download Software", 480, 439, 109, 21);
    aboutButton = makeButton(this, "About", 480, 463, 109, 21);
    okSaveButton = makeButton(this, "Ok - Save", 479, 487, 109, 21);
}

void SettingsDialog::connectHandlers() {
    // Every handler is entered through guarded(), so no exception reaches Qt's event loop.
    auto on = [this](auto* sender, auto signal, void (SettingsDialog::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(okSaveButton, &QPushButton::clicked, &SettingsDialog::onOkSave);
    saveRetry_.setInterval(50);
    on(&saveRetry_, &QTimer::timeout, &SettingsDialog::onSaveRetry);
    on(addPictureButton, &QPushButton::clicked, &SettingsDialog::onAddPicture);
    on(removePictureButton, &QPushButton::clicked, &SettingsDialog::onRemovePicture);
    on(addFolderButton, &QPushButton::clicked, &SettingsDialog::onAddFolder);
    on(clearListButton, &QPushButton::clicked, &SettingsDialog::onClearList);
    on(addSoundButton, &QPushButton::clicked, &SettingsDialog::onAddSound);
    on(removeSoundButton, &QPushButton::clicked, &SettingsDialog::onRemoveSound);
    on(aboutButton, &QPushButton::clicked, &SettingsDialog::onAbout);
    on(downloadButton, &QPushButton::clicked, &SettingsDialog::onDownload);

    // Program changes of the scroll positions are made with the bars' signals blocked, so these
    // run only when the user moves a bar.
    on(widthBar, &QScrollBar::valueChanged, &SettingsDialog::onWidthBarMoved);
    on(heightBar, &QScrollBar::valueChanged, &SettingsDialog::onHeightBarMoved);
    on(delayBar, &QScrollBar::valueChanged, &SettingsDialog::onDelayBarMoved);

    on(pictureList, &ExtentListWidget::userSelectionChanged, &SettingsDialog::onPictureSelected);
    on(pictureList, &ExtentListWidget::doubleClicked, &SettingsDialog::onPictureListDoubleClick);
    on(soundList, &ExtentListWidget::doubleClicked, &SettingsDialog::onSoundListDoubleClick);
    on(thumbnail, &ThumbnailView::clicked, &SettingsDialog::onThumbnailClick);
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
    QRadioButton* const buttons[] = {stretchRadio,     naturalSizeRadio, pictureInPictureRadio,
                                     tiledRadio,       customSizeRadio,  overlappingRadio,
                                     slideRadio,       rollDownRadio,    roundedCornersRadio,
                                     circleFrameRadio, fadeRadio};
    return value >= 1 && value <= 11 ? buttons[value - 1] : nullptr;
}

OptionsState SettingsDialog::readOptions() const {
    OptionsState o;
    o.soundOn = soundOnRadio->isChecked();
    o.inOrder = inOrderRadio->isChecked();
    o.color = greyColorsRadio->isChecked()     ? ColorSetSetting::BlackToWhite
              : darkColorsRadio->isChecked()   ? ColorSetSetting::NavyToMaroon
              : brightColorsRadio->isChecked() ? ColorSetSetting::GreenToYellow
                                               : ColorSetSetting::AlwaysBlack;
    for (int value = 1; value <= 11; ++value)
        if (displayModeButton(value)->isChecked()) {
            o.displayMode = DisplayModeSetting(value);
            break;
        }
    // The labels hold the numbers that are saved; the program alone sets them.
    o.delaySeconds = delayLabel->text().toLongLong();
    o.width = widthLabel->text().toLongLong();
    o.height = heightLabel->text().toLongLong();
    o.delayPosition = delayBar->value();
    o.widthPosition = widthBar->value();
    o.heightPosition = heightBar->value();
    o.widthMax = widthBar->maximum();
    o.heightMax = heightBar->maximum();
    o.fit = fitCheckBox->isChecked();
    o.shuffle = shuffleCheckBox->isChecked();
    o.allScreens = allScreensCheckBox->isChecked();
    return o;
}

void SettingsDialog::applyOptions(const OptionsState& o) {
    (o.soundOn ? soundOnRadio : soundOffRadio)->setChecked(true);
    (o.inOrder ? inOrderRadio : randomRadio)->setChecked(true);
    QRadioButton* const colors[] = {greyColorsRadio, darkColorsRadio, brightColorsRadio,
                                    alwaysBlackRadio};
    colors[int(o.color) - 1]->setChecked(true);
    if (QRadioButton* mode = o.displayMode ? displayModeButton(int(*o.displayMode)) : nullptr)
        mode->setChecked(true);
    else
        uncheckAll({stretchRadio, naturalSizeRadio, pictureInPictureRadio, tiledRadio,
                    customSizeRadio, overlappingRadio, slideRadio, rollDownRadio,
                    roundedCornersRadio, circleFrameRadio, fadeRadio});

    fitCheckBox->setChecked(o.fit);
    shuffleCheckBox->setChecked(o.shuffle);
    allScreensCheckBox->setChecked(o.allScreens);
    delayLabel->setText(QString::number(o.delaySeconds));
    widthLabel->setText(QString::number(o.width));
    heightLabel->setText(QString::number(o.height));
    const QSignalBlocker blockW(widthBar), blockH(heightBar), blockD(delayBar);
    widthBar->setMaximum(std::max(25, o.widthMax));
    heightBar->setMaximum(std::max(25, o.heightMax));
    delayBar->setValue(o.delayPosition);  // each bar clamps to its own range
    widthBar->setValue(o.widthPosition);
    heightBar->setValue(o.heightPosition);
}

void SettingsDialog::refreshCount() {
    pictureCountLabel->setText(QString::number(pictureList->count()));
}

void SettingsDialog::refreshThumbnail() {
    DecodeOptions options;
    // Palette screens make JPEG pictures decode to a palette, the thumbnail's too.
    options.screenDepth = services_.screen().depth;
    // The thumbnail is this small box: a large photo need not be decoded in full for it.
    options.cover = {thumbnail->width(), thumbnail->height()};
    ShowThumbnail(*pictureListBox_, thumbnail->picture(), services_.boxes(), options);
    thumbnail->update();
}

OpenResult SettingsDialog::openWithShell(const std::string& target) {
    return services_.shellOpen(this, target);
}

void SettingsDialog::onCreate() {
    MessageBoxes& boxes = services_.boxes();
    settings_ = SettingsStore(locateSettings(boxes).file);

    const ScreenInfo screen = services_.screen();
    if (screen.depth < 16) boxes.show(MessageKind::Plain, kLowColorHint);

    // The platform's Pictures folder, else the home folder, else the root.
    std::string startFolder = system_.picturesDirectory();
    if (startFolder.empty()) startFolder = homeDirectory();
    defaultPictureFolder_ = startFolder.empty() ? std::string("/") : std::move(startFolder);

    MediaLists& lists = *lists_;
    lists.slots.freeAll();

    {
        const QSignalBlocker blockW(widthBar), blockH(heightBar);
        widthBar->setMaximum(std::max(25, screen.width));
        heightBar->setMaximum(std::max(25, screen.height));
    }

    // A saver starting at the same moment may make the file first: then it is read like any.
    if (!settings_.exists() && settings_.createNewFile()) {
        applyOptions(defaultDialogOptions(widthBar->maximum(), heightBar->maximum()));
    } else {
        OptionsState options;
        options.widthMax = widthBar->maximum();
        options.heightMax = heightBar->maximum();
        settings_.load(options, lists.slots);
        applyOptions(options);
    }

    FillLists(lists);
    if (lists.SoundCount() <= 0) {
        soundOnRadio->setEnabled(false);
        soundOffRadio->setEnabled(false);
    }
    refreshCount();
    refreshThumbnail();
    FitListBoxExtent(*pictureList);
    FitListBoxExtent(*soundList);
}

void SettingsDialog::onOkSave() {
    if (saveWaiting()) return;  // one save at a time
    saveGiveUpAt_ = std::chrono::steady_clock::now() + saveWait_;
    okSaveButton->setEnabled(false);
    setCursor(Qt::BusyCursor);
    saveRetry_.start();
    onSaveRetry();
}

void SettingsDialog::onSaveRetry() {
    // A box of another handler is open: the dialog must not close under it. Its own loop runs
    // this timer; the next tick after it closes tries again.
    if (!saveWaiting() || QApplication::activeModalWidget()) return;
    bool saved = false;
    try {
        // What the controls show when the file is free, changes made while waiting included.
        saved = settings_.trySaveOptions(readOptions());
    } catch (...) {
        endSaveWait();
        throw;
    }
    if (saved) {
        endSaveWait();
        close();
    } else if (std::chrono::steady_clock::now() >= saveGiveUpAt_) {
        // The options stay in the controls: "Ok - Save" can be pressed again.
        endSaveWait();
        throw SettingsWriteError(settings_.path());
    }
}

void SettingsDialog::endSaveWait() {
    saveRetry_.stop();
    okSaveButton->setEnabled(true);
    unsetCursor();
}

void SettingsDialog::onAddPicture() {
    const std::string initialDir = settings_.readLastDir(defaultPictureFolder_);
    const std::optional<std::string> chosen = services_.openPicture(this, initialDir);
    if (!chosen) return;
    if (!chosen->empty()) AddPictureEntry(*lists_, services_.boxes(), *chosen, true);
    refreshCount();
    if (pictureList->count() > 0) refreshThumbnail();
    settings_.writeLastDir(*chosen);
    FitListBoxExtent(*pictureList);
}

void SettingsDialog::onRemovePicture() {
    if (lists_->PictureCount() <= 0) {
        services_.boxes().show(MessageKind::Information, kNoPicturesText);
        return;
    }
    RemovePictureEntry(*lists_, services_.boxes());
    refreshCount();
    refreshThumbnail();
}

void SettingsDialog::onAddFolder() {
    const std::optional<std::string> chosen =
        services_.chooseFolder(this, settings_.readLastDir(defaultPictureFolder_));
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
    if (pictureList->count() > 0) refreshThumbnail();
    FitListBoxExtent(*pictureList);
}

void SettingsDialog::onClearList() {
    if (lists_->PictureCount() <= 0) {
        services_.boxes().show(MessageKind::Information, kNoPicturesText);
        return;
    }
    if (services_.boxes().show(MessageKind::Warning, kConfirmClearText, MessageButtons::OkCancel) !=
        MessageResult::Ok)
        return;
    ClearPictureEntries(*lists_);
    refreshCount();
    thumbnail->picture().clear();
    thumbnail->update();
}

void SettingsDialog::onAddSound() {
    const std::optional<std::string> chosen = services_.openSound(this);
    if (!chosen) return;
    if (chosen->empty()) return;
    AddSoundEntry(*lists_, services_.boxes(), *chosen);
    soundOnRadio->setEnabled(true);
    soundOffRadio->setEnabled(true);
    FitListBoxExtent(*soundList);
}

void SettingsDialog::onRemoveSound() {
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
        soundOffRadio->setChecked(true);
        soundOnRadio->setEnabled(false);
        soundOffRadio->setEnabled(false);
    }
}

void SettingsDialog::onAbout() {
    services_.runModal(about_);
}

void SettingsDialog::onDownload() {
    if (openWithShell(kDownloadAddress) != OpenResult::Opened)
        services_.boxes().show(MessageKind::Plain,
                               std::string(kDownloadFailedText) + kDownloadAddress);
}

void SettingsDialog::onWidthBarMoved() {
    widthLabel->setText(QString::number(widthBar->value()));
}
void SettingsDialog::onHeightBarMoved() {
    heightLabel->setText(QString::number(heightBar->value()));
}
void SettingsDialog::onDelayBarMoved() {
    delayLabel->setText(QString::number(delayBar->value()));
}

void SettingsDialog::onPictureSelected() {
    refreshThumbnail();
}

void SettingsDialog::onPictureListDoubleClick() {
    OpenListedFile(
        *pictureListBox_, [this](const std::string& p) { return openWithShell(p); },
        services_.boxes(), kNoPictureViewerText);
}

void SettingsDialog::onSoundListDoubleClick() {
    OpenListedFile(
        *soundListBox_, [this](const std::string& p) { return openWithShell(p); },
        services_.boxes(), kNoSoundPlayerText);
}

void SettingsDialog::onThumbnailClick() {
    OpenListedFile(
        *pictureListBox_, [this](const std::string& p) { return openWithShell(p); },
        services_.boxes(), kNoImageViewerText);
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    // Closing by the window manager leaves the options as they were in the file; list changes
    // are already stored, so nothing the user did to the lists is lost. A save still waiting for
    // another writer ends with the window.
    endSaveWait();
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
