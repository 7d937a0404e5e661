#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <set>

#include "Errors.h"
#include "IniFile.h"
#include "MediaSlots.h"
#include "SettingsStore.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

class FakeListBox : public ListBox {
public:
    std::vector<std::string> lines;
    int selected = -1;
    int count() const override { return int(lines.size()); }
    std::string line(int i) const override { return lines.at(std::size_t(i)); }
    int selectedIndex() const override { return selected; }
    void append(const std::string& text) override { lines.push_back(text); }
    void remove(int i) override {
        lines.erase(lines.begin() + i);
        selected = -1;
    }
    void select(int i) override { selected = i; }
    void clear() override {
        lines.clear();
        selected = -1;
    }
};

const std::string kFullText =
    "You have reached the maximum number of entries stored.  Please delete one if you wish to add "
    "another.";

// A new settings file in a configuration folder of the test's own, and the dialog's two lists.
class MediaSlotsTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.path()};
    ScriptedBoxes boxes;
    SettingsStore settings{locateSettings(boxes).file};
    FakeListBox pictures, sounds;
    MediaLists lists{settings, SlotTables(), pictures, sounds};

    // Slots to set: a section, a slot number and its value.
    using Slots = std::vector<std::tuple<const char*, int, std::string>>;

    void SetUp() override { settings.createNewFile(); }
    // Sets slots in the file, then opens the lists as the dialog does.
    void open(const Slots& slots = {}) {
        {
            const auto transaction = settings.begin();
            for (const auto& [section, n, value] : slots)
                transaction->file().writeString(section, slotKey(n), value);
            transaction->commit();
        }
        pictures.clear();
        sounds.clear();
        OptionsState o = defaultDialogOptions(800, 600);
        settings.load(o, lists.slots);
        FillLists(lists);
    }
    std::string slot(const char* section, int n) {
        return IniFile(settings.path()).readString(section, slotKey(n), "<missing>");
    }
};

}  // namespace

// The rules of one slot, for both lists: listed unless it holds the marker; free for a new entry
// when it holds the marker, or for pictures when it is blank.
TEST(MediaList, WhatASlotHoldingEachValueIs) {
    struct Case {
        const char* value;
        bool listed, freePicture, freeSound;
    };
    const Case cases[] = {
        {"Null", false, true, true},   {"null", false, true, true},    {"NULL", false, true, true},
        {"Null ", true, false, false}, {" ", true, true, false},       {"\t ", true, true, false},
        {"", true, true, false},       {"/a.jpg", true, false, false}, {"Nul", true, false, false},
    };
    for (const Case& c : cases) {
        MediaList pictures(MediaKind::Pictures), sounds(MediaKind::Sounds);
        for (int n = 1; n <= kSlotCount; ++n) {
            pictures.setSlot(n, "/used");
            sounds.setSlot(n, "/used");
        }
        pictures.setSlot(7, c.value);
        sounds.setSlot(7, c.value);
        EXPECT_EQ(pictures.isListed(7), c.listed) << c.value;
        EXPECT_EQ(sounds.isListed(7), c.listed) << c.value;
        EXPECT_EQ(pictures.firstFree(), c.freePicture ? 7 : 0) << c.value;
        EXPECT_EQ(sounds.firstFree(), c.freeSound ? 7 : 0) << c.value;
        EXPECT_EQ(pictures.firstFree(8), 0) << c.value;
        EXPECT_EQ(pictures.find(c.value), 7) << c.value;
    }
    EXPECT_STREQ(MediaList(MediaKind::Pictures).section(), "JpegConfig");
    EXPECT_STREQ(MediaList(MediaKind::Sounds).section(), "WavConfig");
}

TEST_F(MediaSlotsTest, NewFileIsEmptyAndMarkerIsCaseFree) {
    open();
    EXPECT_TRUE(pictures.lines.empty());
    EXPECT_TRUE(sounds.lines.empty());
    EXPECT_EQ(lists.PictureCount(), 0);
    EXPECT_EQ(lists.SoundCount(), 0);

    open({{kPictureSection, 1, "null"}, {kPictureSection, 2, "NULL"}, {kPictureSection, 3, "/a"}});
    EXPECT_EQ(pictures.lines, std::vector<std::string>{"/a"});
    EXPECT_EQ(pictures.selected, 0);
    ASSERT_TRUE(AddPictureEntry(lists, boxes, "/b", true));
    EXPECT_EQ(slot(kPictureSection, 1), "/b");
    EXPECT_FALSE(isFreeMarker("Null "));
    EXPECT_FALSE(isFreeMarker(" "));
}

TEST_F(MediaSlotsTest, LowestFreeSlotIsReused) {
    Slots used;
    for (int n = 1; n <= 10; ++n)
        if (n != 5) used.emplace_back(kPictureSection, n, "/p" + std::to_string(n));
    open(used);
    ASSERT_TRUE(AddPictureEntry(lists, boxes, "/new", true));
    EXPECT_EQ(slot(kPictureSection, 5), "/new");
    EXPECT_EQ(lists.slots.PictureSlots.slot(5), "/new");
    EXPECT_EQ(pictures.lines.back(), "/new");
    EXPECT_EQ(lists.PictureCount(), 10);
    EXPECT_EQ(pictures.selected, 0);
    open();
    EXPECT_EQ(pictures.lines.at(4), "/new");
}

TEST_F(MediaSlotsTest, FullListThenRemoveAndAdd) {
    Slots all;
    for (int n = 1; n <= kSlotCount; ++n) {
        all.emplace_back(kPictureSection, n, "/p" + std::to_string(n));
        all.emplace_back(kSoundSection, n, "/s" + std::to_string(n));
    }
    open(all);
    std::string before = readFile(settings.path());
    EXPECT_FALSE(AddPictureEntry(lists, boxes, "/quiet", false));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(AddPictureEntry(lists, boxes, "/x", true));
    EXPECT_FALSE(AddSoundEntry(lists, boxes, "/x"));
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& shown : boxes.shown) {
        EXPECT_EQ(shown.kind, MessageKind::Confirmation);
        EXPECT_EQ(shown.text, kFullText);
    }
    EXPECT_EQ(readFile(settings.path()), before);
    EXPECT_EQ(lists.PictureCount(), 1000);

    pictures.select(2);
    ASSERT_TRUE(RemovePictureEntry(lists, boxes));
    EXPECT_EQ(slot(kPictureSection, 3), "Null");
    EXPECT_EQ(lists.PictureCount(), 999);
    EXPECT_EQ(pictures.selected, 0);
    ASSERT_TRUE(AddPictureEntry(lists, boxes, "/again", true));
    EXPECT_EQ(slot(kPictureSection, 3), "/again");

    sounds.select(999);
    ASSERT_TRUE(RemoveSoundEntry(lists, boxes));
    EXPECT_EQ(slot(kSoundSection, 1000), "Null");
    EXPECT_EQ(lists.SoundCount(), 999);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(MediaSlotsTest, BlankSlots) {
    // A blank picture slot is listed and free; a blank sound slot is listed and not free.
    open({{kPictureSection, 1, "\t "}, {kSoundSection, 1, " "}});
    EXPECT_EQ(pictures.lines, std::vector<std::string>{"\t "});
    EXPECT_EQ(sounds.lines, std::vector<std::string>{" "});
    ASSERT_TRUE(AddPictureEntry(lists, boxes, "/p", true));
    EXPECT_EQ(slot(kPictureSection, 1), "/p");
    EXPECT_EQ(pictures.lines, (std::vector<std::string>{"\t ", "/p"}));
    ASSERT_TRUE(AddSoundEntry(lists, boxes, "/s"));
    EXPECT_EQ(slot(kSoundSection, 1), " ");
    EXPECT_EQ(slot(kSoundSection, 2), "/s");
}

TEST_F(MediaSlotsTest, DuplicatesAndMissingEntries) {
    open();
    AddPictureEntry(lists, boxes, "/same", true);
    AddPictureEntry(lists, boxes, "/same", true);
    EXPECT_EQ(slot(kPictureSection, 2), "/same");
    pictures.select(1);
    ASSERT_TRUE(RemovePictureEntry(lists, boxes));
    EXPECT_EQ(slot(kPictureSection, 1), "Null");
    EXPECT_EQ(slot(kPictureSection, 2), "/same");
    EXPECT_EQ(pictures.lines, std::vector<std::string>{"/same"});

    // Changed outside the dialog (and case counts): the entry is not found, nothing is removed.
    IniFile(settings.path()).writeString(kPictureSection, "Name2", "/SAME");
    pictures.select(0);
    EXPECT_FALSE(RemovePictureEntry(lists, boxes));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(boxes.shown[0].text,
              "An error occurred while looking for the string to delete. You may need to delete "
              "your file and run the screen saver settings again which will re-create the file. "
              "If this continues contact technical support.");
    EXPECT_EQ(pictures.lines.size(), 1u);
    EXPECT_EQ(lists.PictureCount(), 1);
}

TEST_F(MediaSlotsTest, RefusedWriteChangesNothingAndClear) {
    open();
    AddPictureEntry(lists, boxes, "/a", true);
    AddPictureEntry(lists, boxes, "/b", true);
    AddSoundEntry(lists, boxes, "/s");

    const SettingsStore missing(dir / "missing/quillo51.ini");
    MediaLists elsewhere{missing, lists.slots, pictures, sounds};
    EXPECT_THROW(AddPictureEntry(elsewhere, boxes, "/c", true), SettingsWriteError);
    EXPECT_EQ(elsewhere.slots.PictureSlots.slot(3), "Null");
    EXPECT_EQ(pictures.lines.size(), 2u);

    ClearPictureEntries(lists);
    for (int n : {1, 2, 1000}) EXPECT_EQ(slot(kPictureSection, n), "Null");
    EXPECT_EQ(slot(kSoundSection, 1), "/s");
    EXPECT_TRUE(pictures.lines.empty());
    EXPECT_EQ(lists.PictureCount(), 0);
    EXPECT_EQ(lists.slots.PictureSlots.slot(1), "Null");
}

TEST_F(MediaSlotsTest, APathLongerThanAValueCanHoldIsRefused) {
    open();
    const std::string longest(IniFile::kMaxValueLength, 'p'), tooLong = longest + "q";
    EXPECT_TRUE(AddPictureEntry(lists, boxes, "/" + tooLong, false));
    EXPECT_TRUE(AddSoundEntry(lists, boxes, "/" + tooLong));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes.shown[1].text, kPathTooLongText);
    EXPECT_EQ(pictures.count() + sounds.count(), 0);
    EXPECT_EQ(slot(kPictureSection, 1), "Null");
    ASSERT_TRUE(AddPictureEntry(lists, boxes, longest, true));  // exactly as long as fits
    EXPECT_EQ(slot(kPictureSection, 1), longest);
}

// Several processes writing the settings file at once, as a dialog and savers starting do: each
// writer changes only its own keys of the file as it is under the writers' lock.
namespace {

class ConcurrentWritersTest : public MediaSlotsTest {
protected:
    // Children doing the saver's first write ("Status") over and over until killed.
    std::vector<pid_t> startSavers(int count) {
        std::vector<pid_t> pids;
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                try {
                    for (;;) settings.tryMarkRunning();
                } catch (...) {
                }
                _exit(1);
            }
            pids.push_back(pid);
        }
        return pids;
    }
    static void killAll(const std::vector<pid_t>& pids) {
        for (pid_t pid : pids) kill(pid, SIGKILL);
        for (pid_t pid : pids) waitpid(pid, nullptr, 0);
    }

    // Every picture slot's value, from the file; a slot that has no key at all is "<missing>".
    std::multiset<std::string> usedPictures() {
        IniFile file(settings.path());
        std::multiset<std::string> used;
        for (int n = 1; n <= kSlotCount; ++n) {
            const std::string value = file.readString(kPictureSection, slotKey(n), "<missing>");
            if (!isFreeMarker(value)) used.insert(value);
        }
        return used;
    }
};

}  // namespace

TEST_F(ConcurrentWritersTest, ADialogAddingWhileSaversStartKeepsEveryPicture) {
    const std::vector<pid_t> savers = startSavers(2);
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(AddPictureEntry(lists, boxes, "/p/" + std::to_string(i) + ".jpg", true));
    // Killed wherever they are, mid-write included: the file stays whole.
    killAll(savers);
    const std::multiset<std::string> used = usedPictures();
    EXPECT_EQ(used.size(), 300u);
    EXPECT_EQ(used.count("<missing>"), 0u);
    EXPECT_EQ(used.count("/p/299.jpg"), 1u);
    EXPECT_EQ(IniFile(settings.path()).readString(kSoundSection, "Name1000", "<missing>"), "Null");
}

TEST_F(ConcurrentWritersTest, TwoDialogsAddingAtOnceKeepBothLists) {
    // Both open their lists first, so that each slot table says slots 1 to 100 are free.
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> dialogs;
    for (const char* name : {"a", "b"}) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(go[1]);
            FakeListBox pictures, sounds;
            MediaLists lists{settings, SlotTables(), pictures, sounds};
            OptionsState o;
            settings.load(o, lists.slots);
            FillLists(lists);
            char byte;
            if (read(go[0], &byte, 1) != 0) _exit(2);  // waits for the parent to close its end
            bool ok = true;
            for (int i = 0; i < 100; ++i)
                ok = ok && AddPictureEntry(
                               lists, boxes,
                               "/" + std::string(name) + "/" + std::to_string(i) + ".jpg", true);
            _exit(ok && lists.PictureCount() == 100 ? 0 : 1);
        }
        dialogs.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : dialogs) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::multiset<std::string> used = usedPictures();
    EXPECT_EQ(used.size(), 200u);
    EXPECT_EQ(used.count("/a/99.jpg"), 1u);
    EXPECT_EQ(used.count("/b/99.jpg"), 1u);
}

TEST_F(ConcurrentWritersTest, AFolderAddIsOneReplacementUnderTheLock) {
    // The folder's pictures go into the slots the file leaves free while a saver keeps writing;
    // those that do not fit are left out, and the list is reported full.
    const std::vector<pid_t> savers = startSavers(1);
    std::vector<std::string> paths;
    for (int i = 0; i < 1000; ++i) paths.push_back("/f/" + std::to_string(i) + ".jpg");
    IniFile(settings.path()).writeString(kPictureSection, "Name3", "/other.jpg");
    EXPECT_FALSE(AddPictureEntries(lists, boxes, paths, "/f/"));  // 999 fit
    killAll(savers);
    const std::multiset<std::string> used = usedPictures();
    EXPECT_EQ(used.size(), 1000u);
    EXPECT_EQ(used.count("/other.jpg"), 1u);
    EXPECT_EQ(used.count("/f/998.jpg"), 1u);
    EXPECT_EQ(used.count("/f/999.jpg"), 0u);
    EXPECT_EQ(lists.PictureCount(), 999);
    EXPECT_EQ(IniFile(settings.path()).readString(kPictureSection, "Name4", ""), "/f/2.jpg");
    EXPECT_EQ(IniFile(settings.path()).readString("History", "Last Dir", ""), "/f/");
}
