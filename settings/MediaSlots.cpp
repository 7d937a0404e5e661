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

bool addEntry(const List& list, const std::string& path, bool blankIsFree) {
    for (int n = 1; n <= kSlotCount; ++n) {
        const std::string& value = list.slots[std::size_t(n - 1)];
        if (!isFreeMarker(value) && !(blankIsFree && isBlankValue(value))) continue;
        IniFile file(SettingsFile);
        file.writeString(list.section, slotKey(n), path);
        list.slots[std::size_t(n - 1)] = path;
        list.box.append(path);
        ++list.count;
        selectFirst(list.box);
        return true;
    }
    return false;
}

bool removeEntry(const List& list, MessageBoxes& boxes) {
    int selected = list.box.selectedIndex();
    if (selected < 0 || selected >= list.box.count()) return false;
    std::string text = list.box.line(selected);
    // The file, not the slot table, says where the entry is: it is the lasting record.
    IniFile file(SettingsFile);
    for (int n = 1; n <= kSlotCount; ++n) {
        std::string key = slotKey(n);
        if (file.readString(list.section, key, " ") != text) continue;
        file.writeString(list.section, key, kFreeSlot);
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
    if (addEntry(pictures(lists), path, true)) return true;
    if (reportFull) boxes.show(MessageKind::Confirmation, kListFullText, MessageButtons::Ok);
    return false;
}

bool AddSoundEntry(MediaLists& lists, MessageBoxes& boxes, const std::string& path) {
    if (refuseTooLong(boxes, path)) return true;
    if (addEntry(sounds(lists), path, false)) return true;
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
        IniFile::Batch batch(file);
        for (int n = 1; n <= kSlotCount; ++n)
            file.writeString(kPictureSection, slotKey(n), kFreeSlot);
    }
    lists.slots.PictureSlots.fill(kFreeSlot);
    lists.ListBox1.clear();
    lists.PictureCount = 0;
}

}  // namespace quillo
