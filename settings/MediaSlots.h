#pragma once
// The two media lists of the settings file: 1000 numbered slots each, "Name1".."Name1000" in
// "JpegConfig" (pictures) and "WavConfig" (sound files). A slot holds a full path or the free
// marker "Null" (recognised in any letter case). MediaList owns the rules of a slot once; the
// dialog keeps a copy of each list (the slot tables) and shows the used slots in two list boxes;
// every change goes to the file at once, under the settings file's writers' lock: a free slot is
// chosen from the file as it is then, so that entries another process wrote meanwhile are never
// overwritten.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

class IniFile;
class MessageBoxes;
class SettingsStore;

constexpr int kSlotCount = 1000;
constexpr const char* kPictureSection = "JpegConfig";
constexpr const char* kSoundSection = "WavConfig";
constexpr const char* kFreeSlot = "Null";
// What a slot without a key reads as: neither free nor an existing file.
constexpr const char* kMissingSlot = " ";

// Shown when no slot is free.
inline constexpr const char* kListFullText =
    "You have reached the maximum number of entries stored.  Please delete one if you wish to add "
    "another.";

std::string slotKey(int n);                 // "Name" + n
bool isFreeMarker(std::string_view value);  // upper-cased value == "NULL"

enum class MediaKind { Pictures, Sounds };

// One list's 1000 slots and the rules of a slot. A slot is listed (shown in the dialog, read by
// the saver) unless it holds the free marker. A new entry goes to the lowest free slot: one with
// the marker, or for pictures one left blank (only spaces and control characters), which is
// listed all the same; a blank sound slot is not free.
class MediaList {
public:
    explicit MediaList(MediaKind kind);  // every slot free
    MediaKind kind() const { return kind_; }
    const char* section() const;

    const std::string& slot(int n) const { return slots_[std::size_t(n - 1)]; }  // n in 1..1000
    void setSlot(int n, std::string value) { slots_[std::size_t(n - 1)] = std::move(value); }
    void freeAll();
    // Every slot as the file holds it.
    void read(const IniFile& file);

    bool isListed(int n) const { return !isFreeMarker(slot(n)); }
    bool isFree(int n) const;
    // The lowest free slot from `from` on, or 0 when there is none.
    int firstFree(int from = 1) const;
    // The first slot holding exactly `value`, or 0.
    int find(const std::string& value) const;

private:
    MediaKind kind_;
    std::array<std::string, kSlotCount> slots_;
};

// What a list box needs to be for the slot operations; the dialog implements it with a widget.
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
    MediaList PictureSlots{MediaKind::Pictures};
    MediaList SoundSlots{MediaKind::Sounds};
    void freeAll() {
        PictureSlots.freeAll();
        SoundSlots.freeAll();
    }
};

// The dialog's lists: its settings store, the slot tables and the list boxes, acted on by the
// slot operations. The counts are those of the list boxes.
struct MediaLists {
    const SettingsStore& settings;
    SlotTables slots;
    ListBox& pictureList;  // pictures
    ListBox& soundList;    // sound files
    int PictureCount() const { return pictureList.count(); }
    int SoundCount() const { return soundList.count(); }
};

// Appends every listed slot to its list box in slot order and selects the first lines.
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
// lastDirPath as the "Last Dir", all in one replacement of the file (all or none). A path that
// is too long gets its warning and is passed over. False when the list filled up before the last
// path (the caller reports it); the paths that found a slot are added all the same.
bool AddPictureEntries(MediaLists& lists, MessageBoxes& boxes,
                       const std::vector<std::string>& paths, const std::string& lastDirPath);
// Free the slot of the selected line; false (after the error message) when it is not found.
bool RemovePictureEntry(MediaLists& lists, MessageBoxes& boxes);
bool RemoveSoundEntry(MediaLists& lists, MessageBoxes& boxes);
// Frees every picture slot in the file (one atomic write) and empties pictureList.
void ClearPictureEntries(MediaLists& lists);

// The saver's reading of both lists, in slot order, keeping the listed files that exist.
struct SaverLists {
    std::vector<std::string> pictures;
    std::vector<std::string> sounds;
    bool sound = false;  // as asked, unless a listed sound file is missing
    // The first listed picture file that does not exist (a slot without a key reads as one
    // blank): the pictures are then none, and the reading ends after this slot's sound slot.
    std::optional<std::string> missingPicture;
};
// The sound slots are read only while `sound` holds; a missing sound file empties the sounds and
// turns sound off, and the pictures of later slots are read all the same. A value as long as a
// read can return may have been cut, so its file cannot be found: it is passed over like a free
// slot rather than emptying the show.
SaverLists readSaverLists(const IniFile& file, bool sound,
                          const std::function<bool(const std::string&)>& exists);

}  // namespace quillo
