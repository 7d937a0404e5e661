#include <gtest/gtest.h>
#include <jpeglib.h>
// After jpeglib.h: the message codes libjpeg reports.
#include <jerror.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"
#include "JpegTools.h"
#include "Picture.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

std::string makeJpegFile(const TempDir& dir, const std::string& name, int w, int h) {
    const std::string path = dir / name;
    EXPECT_TRUE(makeJpeg(path, makeTestImage(w, h), "-quality 90"));
    return path;
}

// Expects the load to fail with InvalidGraphic and the picture to keep its 30 by 20 JPEG.
void expectRefusedAndKept(Picture& p, const std::string& path) {
    SCOPED_TRACE(path);
    EXPECT_THROW(p.loadFromFile(path, {}), InvalidGraphic);
    EXPECT_EQ(p.kind(), Picture::Kind::Jpeg);
    EXPECT_EQ(p.width(), 30);
    EXPECT_EQ(p.height(), 20);
}

}  // namespace

TEST(Picture, LoadsByExtensionInAnyCase) {
    TempDir dir;
    const std::string jpeg = makeJpegFile(dir, "base.jpg", 30, 20);
    const std::string content = readFile(jpeg);
    for (const char* name : {"a.JPG", "b.Jpeg", "c.jpeg", "d.x.jPg"}) {
        SCOPED_TRACE(name);
        writeFile(dir / name, content);
        Picture p;
        p.loadFromFile(dir / name, {});
        EXPECT_EQ(p.kind(), Picture::Kind::Jpeg);
        EXPECT_EQ(p.width(), 30);
        EXPECT_EQ(p.height(), 20);
        EXPECT_EQ(p.bitmap().width(), 30);
    }

    Picture p;
    p.loadFromFile(jpeg, {});
    // Extensions without a decoder, names without an extension or with the dot in a folder name.
    for (const char* name : {"a.jpe", "a.png", "a.jpg.txt", "noext", "dir.jpg/inside"}) {
        if (std::string(name) == "dir.jpg/inside") {
            ASSERT_EQ(mkdir((dir / "dir.jpg").c_str(), 0700), 0);
        }
        writeFile(dir / name, content);
        expectRefusedAndKept(p, dir / name);
    }
    // A JPEG named as a bitmap goes to the bitmap decoder, which refuses it.
    writeFile(dir / "photo.BMP", content);
    expectRefusedAndKept(p, dir / "photo.BMP");
}

TEST(Picture, UnreadableFilesFailAndKeepThePicture) {
    TempDir dir;
    Picture p;
    p.loadFromFile(makeJpegFile(dir, "ok.jpg", 30, 20), {});
    expectRefusedAndKept(p, dir / "missing.jpg");
    ASSERT_EQ(mkdir((dir / "folder.jpg").c_str(), 0700), 0);
    expectRefusedAndKept(p, dir / "folder.jpg");
    const std::string locked = makeJpegFile(dir, "locked.jpg", 8, 8);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    if (geteuid() != 0) expectRefusedAndKept(p, locked);  // root reads it anyway

    // A bad header is libjpeg's error, and the picture is kept as well.
    writeFile(dir / "text.jpg", "hello, not a picture");
    try {
        p.loadFromFile(dir / "text.jpg", {});
        ADD_FAILURE() << "loaded a text file";
    } catch (const JpegError& e) {
        EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_NO_SOI));
    }
    EXPECT_EQ(p.width(), 30);
}

TEST(Picture, SizesCopiesAndLazyDecoding) {
    Picture empty;
    EXPECT_EQ(empty.kind(), Picture::Kind::Empty);
    EXPECT_EQ(empty.width(), 0);
    EXPECT_EQ(empty.height(), 0);
    EXPECT_TRUE(empty.bitmap().empty());
    empty.makeEmptyJpeg();
    EXPECT_EQ(empty.width(), 0);
    EXPECT_TRUE(empty.empty());

    TempDir dir;
    Picture a;
    a.loadFromFile(makeJpegFile(dir, "a.jpg", 45, 33), {});
    const Picture copy = a;
    a.clear();
    EXPECT_EQ(a.width(), 0);
    EXPECT_EQ(a.kind(), Picture::Kind::Empty);
    EXPECT_EQ(copy.width(), 45);
    EXPECT_EQ(copy.height(), 33);
    EXPECT_EQ(differingPixels(copy.bitmap(), djpeg(dir / "a.jpg")), 0);

    // Loading reads only the header: a file cut inside its image data loads with its size, and
    // the JPEG error comes when the pixels are needed.
    std::vector<std::uint8_t> bytes = readBytes(dir / "a.jpg");
    bytes.resize(bytes.size() - 200);
    writeBytes(dir / "cut.jpeg", bytes);
    Picture cut;
    cut.loadFromFile(dir / "cut.jpeg", {});
    EXPECT_EQ(cut.width(), 45);
    EXPECT_EQ(cut.height(), 33);
    EXPECT_THROW(cut.bitmap(), JpegError);
}

namespace {

// The address sanitizer's quarantine keeps freed blocks resident, so a peak under it says little
// of what the decode itself holds.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A picture of pure noise: its JPEG file at quality 100 is larger than its pixels.
Bitmap noise(int width, int height) {
    Bitmap b = Bitmap::uninitialized(width, height);
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) {
        x = x * 1664525u + 1013904223u;
        b.data()[i] = kPixelPad | x >> 8;
    }
    return b;
}

}  // namespace

// A large file is read piece by piece while its pixels are decoded, never whole beside them: the
// pixels come out as djpeg's, a file removed after loading still shows, a file cut short after
// loading fails as damaged, and the decode costs the memory of its pixels (5.7 MiB), far from
// theirs and the file's (11.6 MiB).
TEST(Picture, AJpegIsReadFromItsFileWhileItDecodes) {
    TempDir dir;
    const std::string jpeg = dir / "noise.jpg";
    ASSERT_TRUE(makeJpeg(jpeg, noise(1500, 1000), "-quality 100 -sample 1x1"));
    ASSERT_GT(readBytes(jpeg).size(), 1500u * 1000 * 4);  // larger than its pixels
    const Bitmap reference = djpeg(jpeg);

    struct Case {
        const char* change;  // between load and decode
        bool decodes;
    };
    for (const Case& c : {Case{"none", true}, Case{"removed", true}, Case{"cut", false}}) {
        SCOPED_TRACE(c.change);
        const std::string path = dir / (std::string(c.change) + ".jpg");
        writeBytes(path, readBytes(jpeg));
        EXPECT_EQ(runWithDeadline(60,
                                  [&] {
                                      const long before = peakMemoryMiB();
                                      Picture p;
                                      p.loadFromFile(path, {});
                                      if (c.change == std::string("removed")) unlink(path.c_str());
                                      if (c.change == std::string("cut"))
                                          truncate(path.c_str(), 3 << 20);
                                      try {
                                          if (differingPixels(p.bitmap(), reference) != 0)
                                              return false;
                                      } catch (const JpegError&) {
                                          return !c.decodes;
                                      }
                                      return c.decodes &&
                                             (kSanitized || peakMemoryMiB() - before <= 7);
                                  }),
                  0);
    }
}

// A picture holds the memory of its pixels, not the rest of the huge page they end in: 1024 x
// 8193 take 32 MiB and 4 KiB, and the page after them stays untouched.
TEST(Picture, PixelsHoldNoMoreThanTheirOwnPages) {
    const int width = 1024, height = 8193;
    const Bitmap first(width, height);   // takes a buffer kept from an earlier picture, if any
    const Bitmap pixels(width, height);  // zeroed: every page of its pixels is touched
    const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(pixels.data()) +
                               std::uintptr_t(width) * std::uintptr_t(height) * 4;
    unsigned char resident = 1;
    ASSERT_EQ(mincore(reinterpret_cast<void*>((end + page - 1) / page * page), page, &resident), 0);
    EXPECT_EQ(resident & 1, 0);
}

namespace {

// A 2 by 2, 24-bit bitmap: 54 bytes of headers and two rows of 8 bytes.
std::string tinyBmp() {
    std::string b(54 + 16, '\0');
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = char(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(10, 54), put32(14, 40), put32(18, 2), put32(22, 2);
    b[26] = 1, b[28] = 24;
    return b;
}

}  // namespace

TEST(Picture, FifosAndHugeTailsAreNeverReadBeyondWhatTheFormatUses) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo.jpg").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "fifo.bmp").c_str(), 0600), 0);
    writeFile(dir / "tail.bmp", tinyBmp());
    writeBytes(dir / "tail.jpg", readBytes(makeJpegFile(dir, "small.jpg", 16, 16)));
    writeFile(dir / "zeros.jpg", "");
    for (const char* name : {"tail.bmp", "tail.jpg", "zeros.jpg"})
        ASSERT_EQ(truncate((dir / name).c_str(), off_t(1) << 30), 0);  // sparse: 1 GiB, no disk

    struct Case {
        const char* name;
        bool loads;
    };
    for (const Case& c : {Case{"fifo.jpg", false}, Case{"fifo.bmp", false}, Case{"tail.bmp", true},
                          Case{"tail.jpg", true}, Case{"zeros.jpg", false}}) {
        SCOPED_TRACE(c.name);
        // In a child with a deadline, so that a blocking open fails the test; the child's peak
        // memory shows how much of the 1 GiB file was read.
        EXPECT_EQ(runWithDeadline(10,
                                  [&] {
                                      const long before = peakMemoryMiB();
                                      Picture p;
                                      bool loaded = true;
                                      try {
                                          p.loadFromFile(dir / c.name, {});
                                          p.bitmap();
                                      } catch (const std::exception&) {
                                          loaded = false;
                                      }
                                      return loaded == c.loads && peakMemoryMiB() - before < 64;
                                  }),
                  0);
    }
}

// A bitmap over the caller's budget is refused like an invalid one; a JPEG decoded smaller
// reports the decoded size and by how much it was divided, and its preview keeps both. A picture
// of exactly the budget's pixels is whole; one pixel more is refused or halved.
TEST(Picture, BudgetAndCoverSetTheDecodedSize) {
    TempDir dir;
    writeFile(dir / "tiny.bmp", tinyBmp());  // 2 x 2
    const std::string jpeg = makeJpegFile(dir, "p.jpg", 45, 33);
    struct Case {
        std::string path;
        std::uint64_t budget;
        Size cover;
        int width, height, scale;  // 0 x 0: refused
    };
    const Case cases[] = {
        {dir / "tiny.bmp", 4, {}, 2, 2, 1},
        {dir / "tiny.bmp", 3, {}, 0, 0, 1},
        {jpeg, 45 * 33, {}, 45, 33, 1},
        {jpeg, 45 * 33 - 1, {}, 23, 17, 2},  // 22.5 x 16.5, rounded up
        {jpeg, kDefaultPixelBudget, {12, 9}, 12, 9, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " within " << c.budget);
        DecodeOptions options;
        options.pixelBudget = c.budget;
        options.cover = c.cover;
        Picture p;
        if (c.width == 0) {
            EXPECT_THROW(p.loadFromFile(c.path, options), InvalidGraphic);
            EXPECT_EQ(p.kind(), Picture::Kind::Empty);
            continue;
        }
        p.loadFromFile(c.path, options);
        EXPECT_EQ(p.width(), c.width);
        EXPECT_EQ(p.height(), c.height);
        EXPECT_EQ(p.decodedScale(), c.scale);
        EXPECT_EQ(p.bitmap().width(), c.width);
        EXPECT_EQ(p.bitmap().height(), c.height);
    }

    Picture p;
    p.loadFromFile(jpeg, {.cover = {12, 9}});
    p.keepPreview(Bitmap(3, 3));
    EXPECT_EQ(p.width(), 12);
    EXPECT_EQ(p.decodedScale(), 4);
}
