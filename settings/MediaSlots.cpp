#include "MediaSlots.h"

#include "AsciiCase.h"
#include "IniFile.h"
#include "MessageBox.h"
#include "SettingsStore.h"

namespace quillo {

namespace {

constexpr const char* kNotFound =
    "An error occurred while looking for the string to delete. You may need to delete your file "
    "and run the screen saver settings again which will re-create the file. If this continues "
    "contact technical support.";

// Nothing but spaces and control characters.
bool isBlankValue(const std::string& value) {
    for (unsigned char c : value)
        if (c > ' ') return false;
    return true;
}

struct List {
    MediaList& slots;
    ListBox& box;
};

List pictures(MediaLists& l) {
    return {l.slots.PictureSlots, l.pictureList};
}
List sounds(MediaLists& l) {
    return {l.slots.SoundSlots, l.soundList};
}

void selectFirst(ListBox& box) {
    if (box.count() > 0) box.select(0);
}

// Puts each path into the lowest free slot of the file as it is under the writers' lock, so
// that no other writer's entry is taken; all of them are written in one replacement of the file.
// The table and the list box follow once the file holds them. Returns how many found a slot.
std::size_t addEntries(const SettingsStore& settings, const List& list,
                       const std::vector<std::string>& paths,
                       const std::string* lastDirPath = nullptr) {
    const auto transaction = settings.begin();
    IniFile& file = transaction->file();
    MediaList underLock(list.slots.kind());
    underLock.read(file);
    std::vector<std::pair<int, const std::string*>> placed;
    int n = 1;
    for (const std::string& path : paths) {
        n = underLock.firstFree(n);
        if (n == 0) break;
        file.writeString(underLock.section(), slotKey(n), path);
        underLock.setSlot(n, path);
        placed.emplace_back(n++, &path);
    }
    if (lastDirPath) writeLastDir(file, *lastDirPath);
    transaction->commit();
    list.slots = std::move(underLock);
    for (const auto& [slot, path] : placed) list.box.append(*path);
    if (!placed.empty()) selectFirst(list.box);
    return placed.size();
}

bool removeEntry(const SettingsStore& settings, const List& list, MessageBoxes& boxes) {
    const int selected = list.box.selectedIndex();
    if (selected < 0 || selected >= list.box.count()) return false;
    const std::string text = list.box.line(selected);
    // The file, not the slot table, says where the entry is: it is the lasting record.
    const auto transaction = settings.begin();
    IniFile& file = transaction->file();
    MediaList underLock(list.slots.kind());
    underLock.read(file);
    const int n = underLock.find(text);
    if (n == 0) {
        boxes.show(MessageKind::Error, kNotFound, MessageButtons::Ok);
        return false;
    }
    file.writeString(underLock.section(), slotKey(n), kFreeSlot);
    transaction->commit();
    list.slots.setSlot(n, kFreeSlot);
    list.box.remove(selected);
    selectFirst(list.box);
    return true;
}

// A longer value would read back cut, and then name a file that does not exist.
bool refuseTooLong(MessageBoxes& boxes, const std::string& path) {
    if (path.size() <= IniFile::kMaxValueLength) return false;
    boxes.show(MessageKind::Warning, kPathTooLongText);
    return true;
}

}  // namespace

std::string slotKey(int n) {
    return "Name" + std::to_string(n);
}

bool isFreeMarker(std::string_view value) {
    return equalsIgnoringAsciiCase(value, "NULL");
}

MediaList::MediaList(MediaKind kind) : kind_(kind) {
    freeAll();
}

const char* MediaList::section() const {
    return kind_ == MediaKind::Pictures ? kPictureSection : kSoundSection;
}

void MediaList::freeAll() {
    slots_.fill(kFreeSlot);
}

void MediaList::read(const IniFile& file) {
    for (int n = 1; n <= kSlotCount; ++n)
        setSlot(n, file.readString(section(), slotKey(n), kMissingSlot));
}

bool MediaList::isFree(int n) const {
    return isFreeMarker(slot(n)) || (kind_ == MediaKind::Pictures && isBlankValue(slot(n)));
}

int MediaList::firstFree(int from) const {
    for (int n = std::max(from, 1); n <= kSlotCount; ++n)
        if (isFree(n)) return n;
    return 0;
}

int MediaList::find(const std::string& value) const {
    for (int n = 1; n <= kSlotCount; ++n)
        if (slot(n) == value) return n;
    return 0;
}

void FillLists(MediaLists& lists) {
    for (int n = 1; n <= kSlotCount; ++n) {
        if (lists.slots.PictureSlots.isListed(n))
            lists.pictureList.append(lists.slots.PictureSlots.slot(n));
        if (lists.slots.SoundSlots.isListed(n))
            lists.soundList.append(lists.slots.SoundSlots.slot(n));
    }
    selectFirst(lists.pictureList);
    selectFirst(lists.soundList);
}

bool AddPictureEntry(MediaLists& lists, MessageBoxes& boxes, const std::string& path,
                     bool reportFull) {
    if (refuseTooLong(boxes, path)) return true;
    if (addEntries(lists.settings, pictures(lists), {path}) == 1) return true;
    if (reportFull) boxes.show(MessageKind::Confirmation, kListFullText, MessageButtons::Ok);
    return false;
}

bool AddPictureEntries(MediaLists& lists, MessageBoxes& boxes,
                       const std::vector<std::string>& paths, const std::string& lastDirPath) {
    std::vector<std::string> fitting;
    fitting.reserve(paths.size());
    for (const std::string& path : paths)
        if (!refuseTooLong(boxes, path)) fitting.push_back(path);
    return addEntries(lists.settings, pictures(lists), fitting, &lastDirPath) == fitting.size();
}

bool AddSoundEntry(MediaLists& lists, MessageBoxes& boxes, const std::string& path) {
    if (refuseTooLong(boxes, path)) return true;
    if (addEntries(lists.settings, sounds(lists), {path}) == 1) return true;
    boxes.show(MessageKind::Confirmation, kListFullText, MessageButtons::Ok);
    return false;
}

bool RemovePictureEntry(MediaLists& lists, MessageBoxes& boxes) {
    return removeEntry(lists.settings, pictures(lists), boxes);
}

bool RemoveSoundEntry(MediaLists& lists, MessageBoxes& boxes) {
    return removeEntry(lists.settings, sounds(lists), boxes);
}

void ClearPictureEntries(MediaLists& lists) {
    {
        const auto transaction = lists.settings.begin();
        for (int n = 1; n <= kSlotCount; ++n)
            transaction->file().writeString(kPictureSection, slotKey(n), kFreeSlot);
        transaction->commit();
    }
    lists.slots.PictureSlots.freeAll();
    lists.pictureList.clear();
}

SaverLists readSaverLists(const IniFile& file, bool sound,
                          const std::function<bool(const std::string&)>& exists) {
    const auto mayBeCut = [](const std::string& value) {
        return value.size() >= IniFile::kMaxValueLength;
    };
    SaverLists lists;
    lists.sound = sound;
    for (int n = 1; n <= kSlotCount; ++n) {
        const std::string picture = file.readString(kPictureSection, slotKey(n), kMissingSlot);
        if (!isFreeMarker(picture) && !mayBeCut(picture)) {
            if (exists(picture)) {
                lists.pictures.push_back(picture);
            } else {
                lists.missingPicture = picture;
                lists.pictures.clear();
                n = kSlotCount;  // this pass still reads its sound slot
            }
        }
        if (!lists.sound) continue;
        const std::string soundFile = file.readString(kSoundSection, slotKey(n), kMissingSlot);
        if (isFreeMarker(soundFile) || mayBeCut(soundFile)) continue;
        if (exists(soundFile)) {
            lists.sounds.push_back(soundFile);
        } else {
            // Sound goes off for the run, but the pictures of later slots are still read: one
            // deleted song must not cut the show short.
            lists.sounds.clear();
            lists.sound = false;
        }
    }
    return lists;
}

}  // namespace quillo
