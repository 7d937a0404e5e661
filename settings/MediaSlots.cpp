#include "MediaSlots.h"

#include "AsciiCase.h"
#include "IniFile.h"
#include "MessageBox.h"
#include "SettingsFile.h"

namespace quillo {

namespace {

constexpr const char* kNotFound =
    "An error occurred while looking for the string to delete. You may need to delete your file "
    "and run the screen saver settings again which will re-create the file. If this continues "
    "contact technical support.";

// A picture slot is also free when nothing but spaces and control characters is left in it.
bool isBlankValue(const std::string& value) {
    for (unsigned char c : value)
        if (c > ' ') return false;
    return true;
}

struct List {
    const char* section;
    std::array<std::string, kSlotCount>& slots;
    ListBox& box;
    std::int16_t& count;
};

List pictures(MediaLists& l) {
    return {kPictureSection, l.slots.PictureSlots, l.ListBox1, l.PictureCount};
}
List sounds(MediaLists& l) {
    return {kSoundSection, l.slots.SoundSlots, l.ListBox2, l.SoundCount};
}

void selectFirst(ListBox& box) {
    if (box.count() > 0) box.select(0);
}

bool isFree(const std::string& value, bool blankIsFree) {
    return isFreeMarker(value) || (blankIsFree && isBlankValue(value));
}

// Inside a writers' transaction: the list's slots as the file holds them now, into the table.
void readSlots(const IniFile& file, const List& list) {
    for (int n = 1; n <= kSlotCount; ++n)
        list.slots[std::size_t(n - 1)] = file.readString(list.section, slotKey(n), " ");
}

// Puts each path into the lowest free slot of the file as it is under the writers' lock, so
// that no other writer's entry is taken; all of them are written in one replacement of the file.
// The table and the list box follow once the file holds them. Returns how many found a slot.
std::size_t addEntries(const List& list, const std::vector<std::string>& paths, bool blankIsFree,
                       const std::string* lastDirPath = nullptr) {
    IniFile file(SettingsFile);
    IniFile::Transaction transaction(file);
    readSlots(file, list);
    std::vector<std::pair<int, const std::string*>> placed;
    int n = 1;
    for (const std::string& path : paths) {
        while (n <= kSlotCount && !isFree(list.slots[std::size_t(n - 1)], blankIsFree)) ++n;
        if (n > kSlotCount) break;
        file.writeString(list.section, slotKey(n), path);
        placed.emplace_back(n++, &path);
    }
    if (lastDirPath) WriteLastDir(file, *lastDirPath);
    transaction.commit();
    for (const auto& [slot, path] : placed) {
        list.slots[std::size_t(slot - 1)] = *path;
        list.box.append(*path);
        ++list.count;
    }
    if (!placed.empty()) selectFirst(list.box);
    return placed.size();
}

bool removeEntry(const List& list, MessageBoxes& boxes) {
    int selected = list.box.selectedIndex();
    if (selected < 0 || selected >= list.box.count()) return false;
    std::string text = list.box.line(selected);
    // The file, not the slot table, says where the entry is: it is the lasting record.
    IniFile file(SettingsFile);
    IniFile::Transaction transaction(file);
    for (int n = 1; n <= kSlotCount; ++n) {
        std::string key = slotKey(n);
        if (file.readString(list.section, key, " ") != text) continue;
        file.writeString(list.section, key, kFreeSlot);
        transaction.commit();
        list.slots[std::size_t(n - 1)] = kFreeSlot;
        list.box.remove(selected);
        --list.count;
        selectFirst(list.box);
        return true;
    }
    boxes.show(MessageKind::Error, kNotFound, MessageButtons::Ok);
    return false;
}

}  // namespace

std::string slotKey(int n) {
    return "Name" + std::to_string(n);
}

bool isFreeMarker(const std::string& value) {
    return equalsIgnoringAsciiCase(value, "NULL");
}

void FillLists(MediaLists& lists) {
    for (int n = 1; n <= kSlotCount; ++n) {
        const std::string& picture = lists.slots.PictureSlots[std::size_t(n - 1)];
        if (!isFreeMarker(picture)) {
            lists.ListBox1.append(picture);
            ++lists.PictureCount;
        }
        const std::string& sound = lists.slots.SoundSlots[std::size_t(n - 1)];
        if (!isFreeMarker(sound)) {
            lists.ListBox2.append(sound);
            ++lists.SoundCount;
        }
    }
    selectFirst(lists.ListBox1);
    selectFirst(lists.ListBox2);
}

namespace {

// A longer value would read back cut, and then name a file that does not exist.
bool refuseTooLong(MessageBoxes& boxes, const std::string& path) {
    if (path.size() <= IniFile::kMaxValueLength) return false;
    boxes.show(MessageKind::Warning, kPathTooLongText);
    return true;
}

}  // namespace

bool AddPictureEntry(MediaLists& lists, MessageBoxes& boxes, const std::string& path,
                     bool reportFull) {
    if (refuseTooLong(boxes, path)) return true;
    if (addEntries(pictures(lists), {path}, true) == 1) return true;
    if (reportFull) boxes.show(MessageKind::Confirmation, kListFullText, MessageButtons::Ok);
    return false;
}

bool AddPictureEntries(MediaLists& lists, MessageBoxes& boxes,
                       const std::vector<std::string>& paths, const std::string& lastDirPath) {
    std::vector<std::string> fitting;
    fitting.reserve(paths.size());
    for (const std::string& path : paths)
        if (!refuseTooLong(boxes, path)) fitting.push_back(path);
    return addEntries(pictures(lists), fitting, true, &lastDirPath) == fitting.size();
}

bool AddSoundEntry(MediaLists& lists, MessageBoxes& boxes, const std::string& path) {
    if (refuseTooLong(boxes, path)) return true;
    if (addEntries(sounds(lists), {path}, false) == 1) return true;
    boxes.show(MessageKind::Confirmation, kListFullText, MessageButtons::Ok);
    return false;
}

bool RemovePictureEntry(MediaLists& lists, MessageBoxes& boxes) {
    return removeEntry(pictures(lists), boxes);
}

bool RemoveSoundEntry(MediaLists& lists, MessageBoxes& boxes) {
    return removeEntry(sounds(lists), boxes);
}

void ClearPictureEntries(MediaLists& lists) {
    {
        IniFile file(SettingsFile);
        IniFile::Transaction transaction(file);
        for (int n = 1; n <= kSlotCount; ++n)
            file.writeString(kPictureSection, slotKey(n), kFreeSlot);
        transaction.commit();
    }
    lists.slots.PictureSlots.fill(kFreeSlot);
    lists.ListBox1.clear();
    lists.PictureCount = 0;
}

}  // namespace quillo
