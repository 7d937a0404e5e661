#pragma once
// The two media lists of the settings file: 1000 numbered slots each, "Name1".."Name1000" in
// "JpegConfig" (pictures) and "WavConfig" (sound files). A slot holds a full path or the free
// marker "Null" (recognised in any letter case). The dialog keeps a copy of each section (the
// slot tables) and shows the used slots in two list boxes; every change goes to the file at once,
// under the settings file's writers' lock: a free slot is chosen from the file as it is then, so
// that entries another process wrote meanwhile are never overwritten.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quillo {

class MessageBoxes;

constexpr int kSlotCount = 1000;
constexpr const char* kPictureSection = "JpegConfig";
constexpr const char* kSoundSection = "WavConfig";
constexpr const char* kFreeSlot = "Null";

// Shown when no slot is free.
inline constexpr const char* kListFullText =
    "You have reached the maximum number of entries stored.  Please delete one if you wish to add "
    "another.";

std::string slotKey(int n);                   // "Name" + n
bool isFreeMarker(const std::string& value);  // upper-cased value == "NULL"

// What the slot operations need of a list box; the dialog implements it with a real widget.
class ListBox {
public:
    virtual ~ListBox() = default;
    virtual int count() const = 0;
    virtual std::string line(int index) const = 0;
    virtual int selectedIndex() const = 0;  // -1 when nothing is selected
    virtual void append(const std::string& text) = 0;
    virtual void remove(int index) = 0;
    virtual void select(int index) = 0;  // a selection by the program: raises no click
    virtual void clear() = 0;
};

struct SlotTables {
    // Entry n-1 holds slot n.
    std::array<std::string, kSlotCount> PictureSlots;
    std::array<std::string, kSlotCount> SoundSlots;
    SlotTables() { freeAll(); }
    void freeAll() {
        PictureSlots.fill(kFreeSlot);
        SoundSlots.fill(kFreeSlot);
    }
};

// The dialog's lists: slot tables, list boxes and counts, acted on by the slot operations.
struct MediaLists {
    SlotTables slots;
    ListBox& ListBox1;  // pictures
    ListBox& ListBox2;  // sound files
    std::int16_t PictureCount = 0;
    std::int16_t SoundCount = 0;
};

// Appends every used slot to its list box in slot order, counts them, selects the first lines.
void FillLists(MediaLists& lists);

// A path longer than a value can be read back with is refused with the warning
// kPathTooLongText and adds nothing (that is not a full list).
inline constexpr const char* kPathTooLongText =
    "This file cannot be added: its name and folder are longer than the 2047 characters the "
    "settings can keep. Move it to a shorter folder or rename it, then add it again.";

// The file write comes first; a refused write throws SettingsWriteError and changes nothing else.
// Returns false when the list was full.
bool AddPictureEntry(MediaLists& lists, MessageBoxes& boxes, const std::string& path,
                     bool reportFull);
bool AddSoundEntry(MediaLists& lists, MessageBoxes& boxes, const std::string& path);
// "Add Entire Folder": adds every path as AddPictureEntry does and stores the folder of
// lastDirPath as WriteLastDir does, all in one replacement of the file (all or none). A path that
// is too long gets its warning and is passed over. False when the list filled up before the last
// path (the caller reports it); the paths that found a slot are added all the same.
bool AddPictureEntries(MediaLists& lists, MessageBoxes& boxes,
                       const std::vector<std::string>& paths, const std::string& lastDirPath);
// Free the slot of the selected line; false (after the error message) when it is not found.
bool RemovePictureEntry(MediaLists& lists, MessageBoxes& boxes);
bool RemoveSoundEntry(MediaLists& lists, MessageBoxes& boxes);
// Frees every picture slot in the file (one atomic write) and empties ListBox1.
void ClearPictureEntries(MediaLists& lists);

}  // namespace quillo
