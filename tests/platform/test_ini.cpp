#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>

#include "Errors.h"
#include "IniDocument.h"
#include "IniFile.h"
#include "TestSupport.h"

using namespace quillo;
using quillo::test::readFile;
using quillo::test::runWithoutOverride;
using quillo::test::TempDir;
using quillo::test::writeFile;

namespace {

std::vector<std::string> folderEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

bool refusesWith(const std::string& path) {
    try {
        IniFile f(path);
        f.writeString("Options", "Time", "1");
    } catch (const SettingsWriteError& e) {
        return std::string(e.what()) == "Unable to write to " + path;
    }
    return false;
}

}  // namespace

TEST(IniFile, ReadingRules) {
    TempDir dir;
    std::string path = dir / "a.ini";
    writeFile(path,
              "Orphan=before any section\n"
              "; a comment\n"
              "garbage line\n"
              "[ options ]  trailing\n"
              ";Time=1\n"
              "Time\n"
              "  TIME  =  \" 2500 \"  \n"
              "time=9\n"
              "Single='x'\n"
              "Mixed=\"x'\n"
              "Empty=\n"
              "Long=" +
                  std::string(3000, 'L') +
                  "\n"
                  "[Options]\n"
                  "Other=second section never matches\n");
    IniFile f(path);
    EXPECT_EQ(f.readString("OPTIONS", "time", "d"), " 2500 ");
    EXPECT_EQ(f.readInteger("Options", "Time", -1), -1);  // " 2500 " is not a number
    EXPECT_EQ(f.readString("Options", "Single", "d"), "x");
    EXPECT_EQ(f.readString("Options", "Mixed", "d"), "\"x'");
    EXPECT_EQ(f.readString("Options", "Empty", "d"), "");
    EXPECT_EQ(f.readString("Options", "Long", "d"), std::string(2047, 'L'));
    EXPECT_EQ(f.readString("Options", "Other", "d"), "d");
    EXPECT_EQ(f.readString("Options", "Orphan", "d"), "d");
    EXPECT_EQ(f.readString("Options", "; a comment", "d"), "d");
    EXPECT_EQ(f.readString("Options", ";Time", "d"), "d");
    EXPECT_EQ(f.readString("Missing", "Time", "d"), "d");
    EXPECT_EQ(IniFile(dir / "none.ini").readString("Options", "Time", "d"), "d");
    EXPECT_TRUE(IniFile(dir / "none.ini").readBool("Options", "Sound", true));
}

// The text alone, without a file: read back exactly as it came in, whatever its bytes.
TEST(IniDocument, UnwrittenTextIsGivenBackByteForByte) {
    const std::string texts[] = {
        "",
        "\xEF\xBB\xBF[Options]\r\nTime = \"2500\" \r\n;c\r\n\r\n",
        std::string("no section\0here\r[A]\rk=1\r\r  \n[a]\nK=2", 35),
        "[A]\nk=1\n[B]",
        "=\n[\n]\n[]\n=x\n",
    };
    for (const std::string& text : texts) {
        IniDocument document(text);
        (void)document.readString("A", "k", "");
        EXPECT_EQ(document.serialize(), text);
    }
    EXPECT_EQ(IniDocument(texts[2]).readString("a", "K", "d"), "1");
    EXPECT_EQ(IniDocument(texts[1]).readInteger("options", "TIME", 0), 2500);
}

TEST(IniDocument, AWriteSaysWhetherItChangedAnythingAndRefusesLineEnds) {
    IniDocument document("[S]\nK=1\n");
    EXPECT_FALSE(document.writeString("s", "k", "1"));
    EXPECT_TRUE(document.writeString("S", "K", "2"));
    EXPECT_TRUE(document.writeInteger("T", "N", -5));
    EXPECT_THROW(document.writeString("S", "K", "a\nb"), std::invalid_argument);
    EXPECT_THROW(document.writeString("S\r", "K", "a"), std::invalid_argument);
    EXPECT_EQ(document.serialize(), "[S]\nK=2\n[T]\nN=-5\n");
}

TEST(IniFile, IntegerRule) {
    EXPECT_EQ(parseIniInteger("0x7D0"), 2000);
    EXPECT_EQ(parseIniInteger("0X7d0"), 2000);
    EXPECT_EQ(parseIniInteger("0x1"), 1);
    EXPECT_EQ(parseIniInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(parseIniInteger("0x100000000"), std::nullopt);
    EXPECT_EQ(parseIniInteger("0x"), std::nullopt);
    EXPECT_EQ(parseIniInteger("0xG"), std::nullopt);
    EXPECT_EQ(parseIniInteger("-0x10"), std::nullopt);
    EXPECT_EQ(parseIniInteger("+42"), 42);
    EXPECT_EQ(parseIniInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseIniInteger("2147483647"), INT32_MAX);
    EXPECT_EQ(parseIniInteger("2147483648"), std::nullopt);
    EXPECT_EQ(parseIniInteger("99999999999999999999"), std::nullopt);
    EXPECT_EQ(parseIniInteger("12a"), std::nullopt);
    EXPECT_EQ(parseIniInteger("-"), std::nullopt);
    EXPECT_EQ(parseIniInteger(""), std::nullopt);

    TempDir dir;
    writeFile(dir / "a.ini", "[Options]\nSound=word\nSeq=0\nTime=\"0x7D0\"\n");
    IniFile f(dir / "a.ini");
    EXPECT_TRUE(f.readBool("Options", "Sound", true));
    EXPECT_FALSE(f.readBool("Options", "Seq", true));
    EXPECT_EQ(f.readInteger("Options", "Time", 8000), 2000);
}

TEST(IniFile, WritePlacement) {
    TempDir dir;
    std::string path = dir / "a.ini";
    {
        IniFile f(path);  // a new file is written with LF
        f.writeInteger("Options", "Time", 2000);
        f.writeBool("Options", "Sound", false);
        f.writeString("Other", "Key", "v");
    }
    EXPECT_EQ(readFile(path), "[Options]\nTime=2000\nSound=0\n[Other]\nKey=v\n");

    writeFile(path, "[A]\r\nx=1\r\n\r\n; note\r\n\r\n[B]\r\n  Y = old  \r\n[A]\r\nz=1");
    {
        IniFile f(path);
        f.writeString("a", "New", "2");  // after the last non-blank line of the first [A]
        f.writeString("b", "y", "new");  // the key keeps its spelling
        f.writeString("C", "k", "3");    // final line end added first, file's CRLF used
        EXPECT_EQ(f.readString("A", "new", ""), "2");
    }
    EXPECT_EQ(readFile(path),
              "[A]\r\nx=1\r\n\r\n; note\r\nNew=2\r\n\r\n[B]\r\n  Y =new\r\n[A]\r\nz=1\r\n"
              "[C]\r\nk=3\r\n");
}

// Many writes in one replacement, each seeing the ones before it.
TEST(IniFile, WritesInOneTransactionFollowThePlacementRules) {
    struct Case {
        const char* before;
        std::vector<std::array<const char*, 3>> writes;  // section, key, value
        const char* after;
    };
    const Case cases[] = {
        // New keys in order after the last used line, before the blank lines; one rewritten.
        {"[A]\nK=1\n; note\n\n\n[B]\n",
         {{"A", "X", "1"}, {"A", "Y", "2"}, {"a", "x", "3"}},
         "[A]\nK=1\n; note\nX=3\nY=2\n\n\n[B]\n"},
        // Only the first of two sections and of two keys of one name is used.
        {"[A]\nk=1\nK=2\n[a]\nM=3\n",
         {{"A", "K", "5"}, {"A", "M", "4"}},
         "[A]\nk=5\nK=2\nM=4\n[a]\nM=3\n"},
        // Each new line takes the line end of the line it follows.
        {"[A]\r\nK=1\n\n[B]\rX=1\r",
         {{"A", "N", "2"}, {"B", "Y", "3"}},
         "[A]\r\nK=1\nN=2\n\n[B]\rX=1\rY=3\r"},
        // A last blank line without a line end stays last, and gets one before a new section.
        {"[A]\nK=1\n  ",
         {{"A", "N", "2"}, {"B", "X", "1"}, {"B", "Y", "2"}},
         "[A]\nK=1\nN=2\n  \n[B]\nX=1\nY=2\n"},
        // Keys before any section belong to none; a header without a line end gets one.
        {"K=0\n[A]", {{"A", "K", "1"}}, "K=0\n[A]\nK=1\n"},
        // Blank lines inside a section stay where they are.
        {"[A]\nK=1\n\n  \nL=2\n\n", {{"A", "N", "3"}}, "[A]\nK=1\n\n  \nL=2\nN=3\n\n"},
    };
    TempDir dir;
    const std::string path = dir / "a.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        writeFile(path, c.before);
        IniFile f(path);
        IniFile::Transaction transaction(f);
        for (const auto& [section, key, value] : c.writes) f.writeString(section, key, value);
        transaction.commit();
        EXPECT_EQ(readFile(path), c.after);
    }
}

TEST(IniFile, ValuesRoundTripExactly) {
    TempDir dir;
    std::string path = dir / "a.ini";
    const std::vector<std::string> values = {
        " lead",     "trail ", "\"quoted\"", "'single'", "\"half",
        "a = b ; c", "",       "\t",         "\"",       "/home/u/My Pictures/it's \"x\".jpg"};
    for (const auto& v : values) {
        IniFile(path).writeString("S", "K", v);
        EXPECT_EQ(IniFile(path).readString("S", "K", "default"), v) << v;
    }
    std::string before = readFile(path);
    for (std::string bad : {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3)}) {
        IniFile f(path);
        EXPECT_THROW(f.writeString("S", "K", bad), SettingsWriteError);
    }
    EXPECT_EQ(readFile(path), before);
}

TEST(IniFile, UnwrittenBytesSurvive) {
    TempDir dir;
    std::string path = dir / "a.ini";
    std::string longLine(100000, 'x');
    std::string nul("nul\0byte=1", 10);
    std::string head = "\xEF\xBB\xBF[Options]\r\nTime=1\r\n" + nul + "\rcr=1\r" + longLine + "\n";
    std::string tail = "[JpegConfig]\nName1=\xE9t\xE9.jpg\n\n";
    writeFile(path, head + tail);
    chmod(path.c_str(), 0640);
    {
        IniFile f(path);
        EXPECT_EQ(f.readString("OPTIONS", "cr", ""), "1");  // the BOM does not hide [Options]
        f.writeString("Options", "Sound", "1");
        f.writeString("JpegConfig", "Name1", "b.jpg");
    }
    EXPECT_EQ(readFile(path), head + "Sound=1\n[JpegConfig]\nName1=b.jpg\n\n");
    // Replaced atomically: the mode is kept and no temporary file is left behind, only the
    // writers' lock file.
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    auto names = folderEntries(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".a.ini.lock", "a.ini"}));
}

TEST(IniFile, TransactionWritesOnceOrNotAtAll) {
    TempDir dir;
    std::string path = dir / "a.ini";
    {
        IniFile f(path);
        IniFile::Transaction transaction(f);
        f.writeString("S", "A", "1");
        f.writeString("S", "B", "2");
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(f.readString("S", "A", ""), "1");
        transaction.commit();
    }
    EXPECT_EQ(readFile(path), "[S]\nA=1\nB=2\n");
    {
        IniFile f(path);
        IniFile::Transaction transaction(f);
        f.writeString("S", "A", "changed");
        // Ends without commit: nothing reaches the file.
    }
    EXPECT_EQ(readFile(path), "[S]\nA=1\nB=2\n");
    // The abandoned object reads the file again, another writer's change included.
    IniFile f(path);
    {
        IniFile::Transaction transaction(f);
        f.writeString("S", "A", "changed");
    }
    IniFile(path).writeString("S", "C", "3");
    EXPECT_EQ(f.readString("S", "A", ""), "1");
    EXPECT_EQ(f.readString("S", "C", ""), "3");
}

// The writers' guarantee: what an object read before its transaction is read again under the
// lock, so a key another writer wrote in between survives the commit.
TEST(IniFile, AnotherWritersKeySurvivesATransactionStartedAfterIt) {
    TempDir dir;
    const std::string path = dir / "a.ini";
    writeFile(path, "[Options]\nTime=1\n");
    IniFile mine(path);
    EXPECT_EQ(mine.readString("Options", "Time", ""), "1");
    IniFile(path).writeString("JpegConfig", "Name1", "/other.jpg");
    {
        IniFile::Transaction transaction(mine);
        mine.writeString("Options", "Time", "2");
        transaction.commit();
    }
    EXPECT_EQ(readFile(path), "[Options]\nTime=2\n[JpegConfig]\nName1=/other.jpg\n");
}

TEST(IniFile, KeysWrittenTwiceInOneTransactionKeepOneLineEach) {
    TempDir dir;
    const std::string path = dir / "a.ini";
    writeFile(path, "[S]\nK0=old\n");
    IniFile f(path);
    IniFile::Transaction transaction(f);
    for (const char* value : {"a", "b"})
        for (int i = 0; i < 40; ++i) f.writeString("S", "K" + std::to_string(i), value);
    transaction.commit();
    std::string expected = "[S]\n";
    for (int i = 0; i < 40; ++i) expected += "K" + std::to_string(i) + "=b\n";
    EXPECT_EQ(readFile(path), expected);
}

// A writer that may not wait: one attempt, which fails at once while another writer holds the
// lock, and a bounded wait that ends in the write error.
TEST(IniFile, TheWritersLockCanBeTriedOnceOrWaitedForABoundedTime) {
    TempDir dir;
    const std::string path = dir / "a.ini";
    writeFile(path, "[Options]\n");
    const IniStore store(path);
    {
        const IniStore::WritersLock held = store.lock();
        EXPECT_FALSE(store.tryLock().has_value());
        IniFile f(path);
        EXPECT_THROW(IniFile::Transaction(f, std::chrono::milliseconds(0)), SettingsWriteError);
    }
    std::optional<IniStore::WritersLock> lock = store.tryLock();
    ASSERT_TRUE(lock.has_value());
    IniFile f(path);
    IniFile::Transaction transaction(f, std::move(*lock));
    f.writeString("Options", "Status", "1");
    transaction.commit();
    EXPECT_EQ(readFile(path), "[Options]\nStatus=1\n");
}

TEST(IniFile, RefusedWrites) {
    TempDir dir;
    // Missing folder.
    EXPECT_TRUE(refusesWith(dir / "missing/a.ini"));
    // A folder where the file should be, or an unreadable file, is never overwritten.
    std::filesystem::create_directory(dir / "isdir");
    EXPECT_TRUE(refusesWith(dir / "isdir"));

    // Read-only file in a writable folder, and a file in a read-only folder.
    std::string ro = dir / "ro.ini";
    writeFile(ro, "[Options]\nTime=5\n");
    chmod(ro.c_str(), 0444);
    std::filesystem::create_directory(dir / "rodir");
    std::string inRoDir = dir / "rodir/a.ini";
    writeFile(inRoDir, "[Options]\nTime=5\n");
    chmod((dir / "rodir").c_str(), 0555);
    EXPECT_EQ(runWithoutOverride([&] { return refusesWith(ro) && refusesWith(inRoDir); }), 0);
    EXPECT_EQ(readFile(ro), "[Options]\nTime=5\n");
    EXPECT_EQ(readFile(inRoDir), "[Options]\nTime=5\n");
    EXPECT_EQ(folderEntries(dir / "rodir"), std::vector<std::string>{"a.ini"});

    // A failed write leaves the object reading the file as it is.
    chmod((dir / "rodir").c_str(), 0755);
    IniFile f(dir / "missing/b.ini");
    EXPECT_THROW(f.writeString("S", "K", "v"), SettingsWriteError);
    EXPECT_EQ(f.readString("S", "K", "d"), "d");
}

TEST(IniFile, WritesThroughSymbolicLink) {
    TempDir dir;
    writeFile(dir / "real.ini", "[S]\nK=1\n");
    std::filesystem::create_symlink(dir / "real.ini", dir / "link.ini");
    IniFile(dir / "link.ini").writeString("S", "K", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(readFile(dir / "real.ini"), "[S]\nK=2\n");
}

TEST(IniFile, OnlyRegularFilesAreReadAndNoneBlocks) {
    TempDir dir;
    const std::string fifo = dir / "fifo.ini", zero = dir / "zero.ini", folder = dir / "folder.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    for (const std::string& path : {fifo, zero, folder}) {
        SCOPED_TRACE(path);
        // Each case in a child with a deadline: a read that blocks fails here, not the suite.
        EXPECT_EQ(quillo::test::runWithDeadline(
                      10,
                      [&] {
                          IniFile f(path);
                          return f.readString("Options", "Time", "d") == "d" && refusesWith(path);
                      }),
                  0);
    }
}

namespace {

// Bytes this process has read through read() and its kin so far, as the kernel counts them.
std::uint64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

}  // namespace

TEST(IniFile, AFileLargerThanTheLimitIsRefusedWithItsOwnErrorBeforeAnyOfItIsRead) {
    TempDir dir;
    const std::string path = dir / "big.ini";
    writeFile(path, "[Options]\nTime=5\n");
    ASSERT_EQ(truncate(path.c_str(), off_t(IniFile::kMaxFileSize)), 0);
    EXPECT_EQ(IniFile(path).readInteger("Options", "Time", 0), 5);  // at the limit: read
    // Sparse files just over the limit and of 6 GiB: refused by their size alone, whether read or
    // written, with next to nothing of them read.
    for (const std::uint64_t size : {IniFile::kMaxFileSize + 1, std::uint64_t(6) << 30}) {
        SCOPED_TRACE(size);
        ASSERT_EQ(truncate(path.c_str(), off_t(size)), 0);
        const std::uint64_t before = bytesReadSoFar();
        EXPECT_THROW(IniFile(path).readInteger("Options", "Time", 0), SettingsFileTooLarge);
        IniFile f(path);
        EXPECT_THROW(f.writeString("Options", "Time", "1"), SettingsFileTooLarge);
        EXPECT_LT(bytesReadSoFar() - before, 64u << 10);
        EXPECT_EQ(std::filesystem::file_size(path), size);
    }
}

TEST(IniFile, TemporariesOfKilledWritesGoAtTheNextWriteButNotALiveOne) {
    TempDir dir;
    const std::string path = dir / "quillo51.ini";
    writeFile(path, "[Options]\n");
    for (const char* name : {".quillo51.ini.aaaaaa", ".quillo51.ini.bbbbbb", ".quillo51.ini.live01",
                             ".quillo51.ini.toolong", ".other.ini.cccccc"})
        writeFile(dir / name, "half a file");
    // A writer that is still at work holds its temporary locked.
    const int live = open((dir / ".quillo51.ini.live01").c_str(), O_RDONLY);
    ASSERT_EQ(flock(live, LOCK_EX), 0);
    IniFile(path).writeString("Options", "Time", "1");
    close(live);
    auto names = folderEntries(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".other.ini.cccccc", ".quillo51.ini.live01",
                                               ".quillo51.ini.lock", ".quillo51.ini.toolong",
                                               "quillo51.ini"}));
}

TEST(IniFile, AWriteThatChangesNothingDoesNotReplaceTheFile) {
    TempDir dir;
    const std::string path = dir / "a.ini";
    writeFile(path, "[Options]\nStatus=1\n");
    struct stat before {
    }, after{};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    IniFile(path).writeBool("Options", "Status", true);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    // A read-only file refuses it all the same.
    chmod(path.c_str(), 0444);
    EXPECT_EQ(runWithoutOverride([&] {
                  try {
                      IniFile(path).writeBool("Options", "Status", true);
                  } catch (const SettingsWriteError&) {
                      return true;
                  }
                  return false;
              }),
              0);
}

namespace {

// True when the saver's first write (read, change, replace) of the file, with one read after it,
// stays under `mib` MiB of memory.
bool firstWriteWithin(const std::string& path, long mib) {
    const long before = quillo::test::peakMemoryMiB();
    IniFile f(path);
    f.writeBool("Options", "Status", true);
    return f.readString("JpegConfig", "Name7", "") == "x" &&
           quillo::test::peakMemoryMiB() - before < mib;
}

}  // namespace

TEST(IniFile, AFileOfManyShortLinesCostsAboutItsSize) {
    // 16 MiB of short lines (once 3.2 GB to read), plain or keys of the picture list: each must
    // be read, changed and written back in under 400 MB.
    TempDir dir;
    const std::string path = dir / "short.ini";
    for (const bool keys : {false, true}) {
        SCOPED_TRACE(keys);
        std::string bytes = "[Options]\nTime=5\n[JpegConfig]\nName7=x\n";
        for (int i = 0; bytes.size() < (std::size_t(16) << 20); ++i)
            bytes += keys ? "Name" + std::to_string(i) + "=y\n" : std::string("y\n");
        writeFile(path, bytes);
        bytes = std::string();
        EXPECT_EQ(quillo::test::runWithDeadline(60, [&] { return firstWriteWithin(path, 400); }),
                  0);
    }
}
