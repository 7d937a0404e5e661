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
#include <array>
#include <utility>
#include <variant>

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

using R = ControlRole;

enum class ControlKind {
    Heading,  // a bold caption, its text from the top
    Label,
    List,
    Group,
    Button,
    GlyphButton,  // a button with a small picture before its caption
    Radio,
    DisplayModeRadio,  // its caption and whether it is shown from the table of display modes
    ScrollBar,
    CheckBox,  // its caption wraps onto further lines
    Thumbnail,
};

struct FontSpec {
    const char* family;
    int points;
    bool bold = false;
    bool underline = false;
};

struct BarRange {
    int low, high;  // it starts at low
};

// What a few kinds need beyond the columns: a label's own font, a glyph button's picture, the
// display mode of a mode's button, a scroll bar's range.
using ControlDetail =
    std::variant<std::monostate, FontSpec, QStyle::StandardPixmap, DisplayModeSetting, BarRange>;

struct ControlRow {
    ControlRole role;
    ControlKind kind;
    ControlRole group;
    const char* caption;  // the text or title; for a list or a scroll bar its hint
    QRect place;          // within its group
    ControlDetail detail = {};
};

using K = ControlKind;
using M = DisplayModeSetting;

// The controls in the order they are made: the Tab order, and later controls lie above earlier
// ones where they overlap.
// clang-format off
const ControlRow kControls[] = {
    {R::ListsHeading, K::Heading, R::Dialog,
     "Listed below are your pictures.                              "
     "Listed below are your sound files.",                        {5, 2, 582, 20}},
    {R::PictureList, K::List, R::Dialog, "Double click to open picture",         {4, 16, 290, 115}},
    {R::SoundList, K::List, R::Dialog, "Double click to play the sound file",    {298, 16, 295, 115}},

    {R::PictureOptions, K::Group, R::Dialog, "Picture Options",                  {6, 135, 289, 121}},
    {R::AddPicture, K::GlyphButton, R::PictureOptions, "Add Picture",            {10, 18, 130, 18}, QStyle::SP_FileIcon},
    {R::RemovePicture, K::GlyphButton, R::PictureOptions, "Remove Picture",      {10, 44, 130, 18}, QStyle::SP_TrashIcon},
    {R::AddFolder, K::GlyphButton, R::PictureOptions, "Add Entire Folder",       {10, 69, 130, 18}, QStyle::SP_DirOpenIcon},
    {R::ClearList, K::GlyphButton, R::PictureOptions, "Clear The List",          {10, 94, 130, 18}, QStyle::SP_DialogResetButton},
    {R::TotalImagesHeading, K::Label, R::PictureOptions, "Total Images =",       {149, 11, 91, 13}},
    {R::PictureCount, K::Label, R::PictureOptions, "0",                          {243, 11, 39, 13}},
    {R::Thumbnail, K::Thumbnail, R::PictureOptions, nullptr,                     {152, 29, 126, 88}},

    {R::SoundOptions, K::Group, R::Dialog, "Sound Options",                      {300, 135, 293, 121}},
    {R::AddSound, K::Button, R::SoundOptions, "Add Sound File",                  {68, 18, 154, 17}},
    {R::RemoveSound, K::Button, R::SoundOptions, "Remove Sound File",            {68, 47, 154, 17}},
    {R::SoundOn, K::Radio, R::SoundOptions, "Sound ON",                          {63, 75, 90, 17}},
    {R::SoundOff, K::Radio, R::SoundOptions, "Sound OFF",                        {165, 76, 99, 17}},

    {R::PictureDisplays, K::Group, R::Dialog, "Picture Displays",                {6, 260, 289, 248}},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 15, 187, 17}, M::Stretched},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 31, 243, 17}, M::NaturalSize},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 48, 195, 17}, M::Tiled},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {110, 54, 147, 17}, M::PictureInPicture},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 64, 160, 17}, M::Overlapping},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 80, 113, 17}, M::Slide},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 96, 113, 17}, M::RollDown},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 112, 147, 17}, M::RoundedCorners},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 128, 113, 17}, M::CircleFrame},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 144, 113, 17}, M::Fade},
    // Beside the fade, in the free space right of the shorter captions.
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {150, 144, 113, 17}, M::PanAndZoom},
    {R::DisplayMode, K::DisplayModeRadio, R::PictureDisplays, nullptr,           {14, 167, 203, 17}, M::CustomSize},

    {R::CustomSize, K::Group, R::PictureDisplays, "Customize Your Picture Size", {18, 187, 256, 53}},
    {R::WidthHeading, K::Label, R::CustomSize, "Picture Width",                  {6, 17, 94, 13}, FontSpec{"MS Sans Serif", 8}},
    {R::WidthBar, K::ScrollBar, R::CustomSize, "Set picture width when customizing", {6, 34, 68, 13}, BarRange{kSmallestCustomSize, 100}},
    {R::WidthValue, K::Label, R::CustomSize, nullptr,                            {78, 34, 38, 13}},
    {R::HeightHeading, K::Label, R::CustomSize, "Picture Height",                {137, 17, 99, 13}, FontSpec{"MS Sans Serif", 8}},
    {R::HeightBar, K::ScrollBar, R::CustomSize, "Set picture height when customizing", {138, 34, 68, 13}, BarRange{kSmallestCustomSize, 100}},
    {R::HeightValue, K::Label, R::CustomSize, nullptr,                           {215, 34, 34, 13}},

    {R::Delay, K::Group, R::Dialog, "Time Delay - Seconds",                      {300, 260, 156, 85}},
    {R::DelayBar, K::ScrollBar, R::Delay, nullptr,                               {18, 26, 121, 13}, BarRange{1, kLongestDelaySeconds}},
    {R::SecondsHeading, K::Label, R::Delay, "Seconds:",                          {18, 44, 58, 15}, FontSpec{"Arial", 9, false, true}},
    {R::DelayValue, K::Label, R::Delay, "2",                                     {18, 58, 39, 17}, FontSpec{"Arial", 8, false, true}},

    {R::Sequence, K::Group, R::Dialog, "Picture Sequence",                       {460, 260, 132, 85}},
    {R::InOrder, K::Radio, R::Sequence, "Display In Order",                      {4, 23, 123, 17}},
    {R::Random, K::Radio, R::Sequence, "Display Randomly",                       {4, 47, 123, 17}},

    {R::Colors, K::Group, R::Dialog, "Background Colors ",                       {301, 350, 292, 77}},
    {R::GreyColors, K::Radio, R::Colors, "Black - Gray - Silver - White",        {14, 14, 219, 17}},
    {R::DarkColors, K::Radio, R::Colors, "Navy - Black - Purple - Maroon",       {14, 28, 259, 17}},
    {R::BrightColors, K::Radio, R::Colors, "Green - Aqua - Fuschia - Yellow",    {14, 43, 235, 17}},
    {R::AlwaysBlack, K::Radio, R::Colors, "No Color - Always Black",             {14, 58, 155, 17}},

    // The free corner below the colours, left of the buttons, down to the dialog's edge: two
    // lines for each of the first two options, one for the others. Shuffle is used only when the
    // order is random.
    {R::Fit, K::CheckBox, R::Dialog, "Shrink large pictures to fit the screen",  {303, 428, 174, 25}},
    {R::Shuffle, K::CheckBox, R::Dialog, "Show each picture once before repeating", {303, 453, 174, 25}},
    {R::AllScreens, K::CheckBox, R::Dialog, "Show pictures on every screen",     {303, 478, 174, 15}},
    {R::Captions, K::CheckBox, R::Dialog, "Show each photo's name and date",     {303, 493, 174, 25}},

    {R::Download, K::Button, R::Dialog, "Download Software",                     {480, 439, 109, 21}},
    {R::About, K::Button, R::Dialog, "About",                                    {480, 463, 109, 21}},
    {R::OkSave, K::Button, R::Dialog, "Ok - Save",                               {479, 487, 109, 21}},
};
// clang-format on

// The colour sets' buttons, and each radio pair's button for true.
constexpr std::pair<ControlRole, ColorSetSetting> kColorButtons[] = {
    {R::GreyColors, ColorSetSetting::BlackToWhite},
    {R::DarkColors, ColorSetSetting::NavyToMaroon},
    {R::BrightColors, ColorSetSetting::GreenToYellow},
    {R::AlwaysBlack, ColorSetSetting::AlwaysBlack},
};

QWidget* makeControl(const ControlRow& row, QWidget* parent) {
    const QString caption = row.caption ? QString(row.caption) : QString();
    const auto styled = [&row](auto* widget, const QFont& font) {
        widget->setFont(font);
        widget->setGeometry(row.place);
        return widget;
    };
    const QFont arial = formFont("Arial", 8);
    switch (row.kind) {
        case K::Heading:
        case K::Label: {
            auto* label = new QLabel(caption, parent);
            label->setTextFormat(Qt::PlainText);
            label->setGeometry(row.place);
            if (row.kind == K::Heading) {
                label->setFont(formFont("MS Sans Serif", 8, true));
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            } else if (const auto* font = std::get_if<FontSpec>(&row.detail)) {
                label->setFont(formFont(font->family, font->points, font->bold, font->underline));
            }
            return label;
        }
        case K::List: {
            auto* list = styled(new ExtentListWidget(parent), arial);
            list->setToolTip(caption);
            return list;
        }
        case K::Group:
            return styled(new QGroupBox(caption, parent), formFont("MS Sans Serif", 8, true));
        case K::Button:
        case K::GlyphButton: {
            auto* button = styled(new QPushButton(caption, parent), arial);
            button->setAutoDefault(false);
            if (const auto* glyph = std::get_if<QStyle::StandardPixmap>(&row.detail)) {
                button->setIcon(parent->style()->standardIcon(*glyph));
                button->setIconSize(QSize(12, 12));
            }
            return button;
        }
        case K::Radio:
            return styled(new QRadioButton(caption, parent), arial);
        case K::DisplayModeRadio: {
            const DisplayModeRow& mode = displayModeRow(std::get<DisplayModeSetting>(row.detail));
            auto* radio = styled(
                new QRadioButton(
                    QString::fromUtf8(mode.caption.data(), qsizetype(mode.caption.size())), parent),
                arial);
            if (!mode.buttonShown) radio->hide();
            return radio;
        }
        case K::ScrollBar: {
            const BarRange range = std::get<BarRange>(row.detail);
            auto* bar = new FocusScrollBar(parent);
            bar->setRange(range.low, range.high);
            bar->setSingleStep(1);
            bar->setPageStep(1);
            bar->setValue(range.low);
            bar->setGeometry(row.place);
            if (row.caption) bar->setToolTip(caption);
            return bar;
        }
        case K::CheckBox:
            return styled(new WrappingCheckBox(caption, parent), arial);
        case K::Thumbnail: {
            auto* thumbnail = new ThumbnailView(parent);
            thumbnail->setGeometry(row.place);
            return thumbnail;
        }
    }
    return nullptr;
}

// Radio buttons of one group all unchecked, which auto-exclusive buttons do not allow directly.
void uncheckAll(const std::array<QRadioButton*, kDisplayModes.size()>& buttons) {
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
    for (QGroupBox* group : findChildren<QGroupBox*>())
        if (!group->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
            tabToCheckedRadio(*group);
    pictureListBox_ = std::make_unique<QtListBox>(*list(R::PictureList));
    soundListBox_ = std::make_unique<QtListBox>(*list(R::SoundList));
    lists_ = std::make_unique<MediaLists>(
        MediaLists{settings_, SlotTables{}, *pictureListBox_, *soundListBox_});
    connectHandlers();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::buildControls() {
    controls_[std::size_t(R::Dialog)] = this;
    for (const ControlRow& row : kControls) {
        QWidget* widget = makeControl(row, control(row.group));
        if (row.kind == K::DisplayModeRadio)
            displayModeButtons_[std::size_t(std::get<DisplayModeSetting>(row.detail)) - 1] =
                qobject_cast<QRadioButton*>(widget);
        else
            controls_[std::size_t(row.role)] = widget;
    }
    // The sizes' labels start at the bars' smallest value.
    for (const ControlRole value : {R::WidthValue, R::HeightValue})
        label(value)->setText(QString::number(kSmallestCustomSize));
}

void SettingsDialog::connectHandlers() {
    // Every handler is entered through guarded(), so no exception reaches Qt's event loop.
    auto on = [this](auto* sender, auto signal, void (SettingsDialog::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    using Handler = void (SettingsDialog::*)();
    const std::pair<ControlRole, Handler> clicks[] = {
        {R::OkSave, &SettingsDialog::onOkSave},
        {R::AddPicture, &SettingsDialog::onAddPicture},
        {R::RemovePicture, &SettingsDialog::onRemovePicture},
        {R::AddFolder, &SettingsDialog::onAddFolder},
        {R::ClearList, &SettingsDialog::onClearList},
        {R::AddSound, &SettingsDialog::onAddSound},
        {R::RemoveSound, &SettingsDialog::onRemoveSound},
        {R::About, &SettingsDialog::onAbout},
        {R::Download, &SettingsDialog::onDownload},
    };
    for (const auto& [role, handler] : clicks) on(button(role), &QPushButton::clicked, handler);
    saveRetry_.setInterval(50);
    on(&saveRetry_, &QTimer::timeout, &SettingsDialog::onSaveRetry);

    // Program changes of the scroll positions are made with the bars' signals blocked, so these
    // run only when the user moves a bar.
    on(scrollBar(R::WidthBar), &QScrollBar::valueChanged, &SettingsDialog::onWidthBarMoved);
    on(scrollBar(R::HeightBar), &QScrollBar::valueChanged, &SettingsDialog::onHeightBarMoved);
    on(scrollBar(R::DelayBar), &QScrollBar::valueChanged, &SettingsDialog::onDelayBarMoved);

    ExtentListWidget* pictures = list(R::PictureList);
    on(pictures, &ExtentListWidget::userSelectionChanged, &SettingsDialog::onPictureSelected);
    on(pictures, &ExtentListWidget::doubleClicked, &SettingsDialog::onPictureListDoubleClick);
    on(list(R::SoundList), &ExtentListWidget::doubleClicked,
       &SettingsDialog::onSoundListDoubleClick);
    on(thumbnail(), &ThumbnailView::clicked, &SettingsDialog::onThumbnailClick);
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

QRadioButton* SettingsDialog::displayModeButton(DisplayModeSetting mode) const {
    return isDisplayMode(std::int32_t(mode)) ? displayModeButtons_[std::size_t(mode) - 1] : nullptr;
}

OptionsState SettingsDialog::readOptions() const {
    OptionsState o;
    o.soundOn = radio(R::SoundOn)->isChecked();
    o.inOrder = radio(R::InOrder)->isChecked();
    o.color = ColorSetSetting::AlwaysBlack;
    for (const auto& [role, set] : kColorButtons)
        if (radio(role)->isChecked()) {
            o.color = set;
            break;
        }
    for (const DisplayModeRow& mode : kDisplayModes)
        if (displayModeButton(mode.setting)->isChecked()) {
            o.displayMode = mode.setting;
            break;
        }
    // The labels hold the numbers that are saved; the program alone sets them.
    o.delaySeconds = label(R::DelayValue)->text().toLongLong();
    o.width = label(R::WidthValue)->text().toLongLong();
    o.height = label(R::HeightValue)->text().toLongLong();
    o.delayPosition = scrollBar(R::DelayBar)->value();
    o.widthPosition = scrollBar(R::WidthBar)->value();
    o.heightPosition = scrollBar(R::HeightBar)->value();
    o.widthMax = scrollBar(R::WidthBar)->maximum();
    o.heightMax = scrollBar(R::HeightBar)->maximum();
    o.fit = checkBox(R::Fit)->isChecked();
    o.shuffle = checkBox(R::Shuffle)->isChecked();
    o.allScreens = checkBox(R::AllScreens)->isChecked();
    o.captions = checkBox(R::Captions)->isChecked();
    return o;
}

void SettingsDialog::applyOptions(const OptionsState& o) {
    radio(o.soundOn ? R::SoundOn : R::SoundOff)->setChecked(true);
    radio(o.inOrder ? R::InOrder : R::Random)->setChecked(true);
    for (const auto& [role, set] : kColorButtons)
        if (set == o.color) radio(role)->setChecked(true);
    if (QRadioButton* mode = o.displayMode ? displayModeButton(*o.displayMode) : nullptr)
        mode->setChecked(true);
    else
        uncheckAll(displayModeButtons_);

    checkBox(R::Fit)->setChecked(o.fit);
    checkBox(R::Shuffle)->setChecked(o.shuffle);
    checkBox(R::AllScreens)->setChecked(o.allScreens);
    checkBox(R::Captions)->setChecked(o.captions);
    label(R::DelayValue)->setText(QString::number(o.delaySeconds));
    label(R::WidthValue)->setText(QString::number(o.width));
    label(R::HeightValue)->setText(QString::number(o.height));
    QScrollBar* const width = scrollBar(R::WidthBar);
    QScrollBar* const height = scrollBar(R::HeightBar);
    QScrollBar* const delay = scrollBar(R::DelayBar);
    const QSignalBlocker blockW(width), blockH(height), blockD(delay);
    width->setMaximum(std::max(kSmallestCustomSize, o.widthMax));
    height->setMaximum(std::max(kSmallestCustomSize, o.heightMax));
    delay->setValue(o.delayPosition);  // each bar clamps to its own range
    width->setValue(o.widthPosition);
    height->setValue(o.heightPosition);
}

void SettingsDialog::refreshCount() {
    label(R::PictureCount)->setText(QString::number(list(R::PictureList)->count()));
}

void SettingsDialog::refreshThumbnail() {
    DecodeOptions options;
    // Palette screens make JPEG pictures decode to a palette, the thumbnail's too.
    options.screenDepth = services_.screen().depth;
    // The thumbnail is this small box: a large photo need not be decoded in full for it.
    options.cover = {thumbnail()->width(), thumbnail()->height()};
    ShowThumbnail(*pictureListBox_, thumbnail()->picture(), services_.boxes(), options);
    thumbnail()->update();
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
        QScrollBar* const width = scrollBar(R::WidthBar);
        QScrollBar* const height = scrollBar(R::HeightBar);
        const QSignalBlocker blockW(width), blockH(height);
        width->setMaximum(std::max(kSmallestCustomSize, screen.width));
        height->setMaximum(std::max(kSmallestCustomSize, screen.height));
    }

    // A saver starting at the same moment may make the file first: then it is read like any.
    if (!settings_.exists() && settings_.createNewFile()) {
        applyOptions(defaultDialogOptions(scrollBar(R::WidthBar)->maximum(),
                                          scrollBar(R::HeightBar)->maximum()));
    } else {
        OptionsState options;
        options.widthMax = scrollBar(R::WidthBar)->maximum();
        options.heightMax = scrollBar(R::HeightBar)->maximum();
        settings_.load(options, lists.slots);
        applyOptions(options);
    }

    FillLists(lists);
    if (lists.SoundCount() <= 0) enableSoundChoice(false);
    refreshCount();
    refreshThumbnail();
    FitListBoxExtent(*list(R::PictureList));
    FitListBoxExtent(*list(R::SoundList));
}

void SettingsDialog::onOkSave() {
    if (saveWaiting()) return;  // one save at a time
    saveGiveUpAt_ = std::chrono::steady_clock::now() + saveWait_;
    button(R::OkSave)->setEnabled(false);
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
    button(R::OkSave)->setEnabled(true);
    unsetCursor();
}

void SettingsDialog::onAddPicture() {
    const std::string initialDir = settings_.readLastDir(defaultPictureFolder_);
    const std::optional<std::string> chosen = services_.openPicture(this, initialDir);
    if (!chosen) return;
    if (!chosen->empty()) AddPictureEntry(*lists_, services_.boxes(), *chosen, true);
    refreshCount();
    if (list(R::PictureList)->count() > 0) refreshThumbnail();
    settings_.writeLastDir(*chosen);
    FitListBoxExtent(*list(R::PictureList));
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
    if (list(R::PictureList)->count() > 0) refreshThumbnail();
    FitListBoxExtent(*list(R::PictureList));
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
    thumbnail()->picture().clear();
    thumbnail()->update();
}

void SettingsDialog::onAddSound() {
    const std::optional<std::string> chosen = services_.openSound(this);
    if (!chosen) return;
    if (chosen->empty()) return;
    AddSoundEntry(*lists_, services_.boxes(), *chosen);
    enableSoundChoice(true);
    FitListBoxExtent(*list(R::SoundList));
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
        radio(R::SoundOff)->setChecked(true);
        enableSoundChoice(false);
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

void SettingsDialog::showBarValue(ControlRole bar, ControlRole value) {
    label(value)->setText(QString::number(scrollBar(bar)->value()));
}
void SettingsDialog::onWidthBarMoved() {
    showBarValue(R::WidthBar, R::WidthValue);
}
void SettingsDialog::onHeightBarMoved() {
    showBarValue(R::HeightBar, R::HeightValue);
}
void SettingsDialog::onDelayBarMoved() {
    showBarValue(R::DelayBar, R::DelayValue);
}

void SettingsDialog::enableSoundChoice(bool enabled) {
    radio(R::SoundOn)->setEnabled(enabled);
    radio(R::SoundOff)->setEnabled(enabled);
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
