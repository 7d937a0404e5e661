// A decode whose stop is raised gives up part way: libjpeg at its next progress step, the bitmap
// decoder and the shrink to fit at their next row. The stop here says yes from its n-th question
// on, so a test stops a real decode at a point it chooses, with no other thread.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "BmpDecoder.h"
#include "BmpWriter.h"
#include "Errors.h"
#include "JpegTools.h"
#include "Picture.h"
#include "Shrink.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

class StopAt final : public DecodeStop {
public:
    explicit StopAt(long at) : at_(at) {}
    bool requested() const noexcept override { return ++asked_ >= at_; }
    long asked() const { return asked_; }

private:
    long at_;
    mutable long asked_ = 0;
};

DecodeOptions stoppedBy(const DecodeStop& stop) {
    DecodeOptions options;
    options.stop.by = &stop;
    return options;
}

void decodeFile(const std::string& path, const DecodeOptions& options) {
    Picture picture;
    picture.loadFromFile(path, options);
    picture.bitmap();
}

// A whole decode asks at least this often; one stopped at the n-th question asks n times and
// throws DecodeStopped.
TEST(DecodeStop, ADecodeGivesUpAtTheFirstYes) {
    TempDir dir;
    const std::string progressive = dir / "progressive.jpg", baseline = dir / "baseline.jpg";
    const Bitmap photo = makeTestImage(2048, 1536);
    ASSERT_TRUE(makeJpeg(progressive, photo, "-progressive"));
    ASSERT_TRUE(makeJpeg(baseline, photo, ""));
    Bitmap bitmap(300, 200);
    writeBmp24(dir / "b.bmp", bitmap);
    const std::vector<std::uint8_t> bmp = readBytes(dir / "b.bmp");
    struct Case {
        const char* what;
        std::function<void(const DecodeOptions&)> decode;
        long wholeAtLeast;
        long stopAt;
    };
    const Case cases[] = {
        // Ten scans of 96 rows of blocks read (960 steps), then the rows given out, about two at
        // a time: stopped in its third scan.
        {"progressive JPEG", [&](const DecodeOptions& o) { decodeFile(progressive, o); }, 1600,
         250},
        // A step for each call that gives rows.
        {"baseline JPEG", [&](const DecodeOptions& o) { decodeFile(baseline, o); }, 600, 300},
        {"bitmap, once a row",
         [&](const DecodeOptions& o) { decodeBmp(bmp, kDefaultPixelBudget, o.stop); }, 200, 50},
        {"shrinking to fit, once a row of the copy",
         [&](const DecodeOptions& o) { shrinkBitmap(bitmap, 100, 50, o.stop.by); }, 50, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const StopAt never(LONG_MAX);
        ASSERT_NO_THROW(c.decode(stoppedBy(never)));
        EXPECT_GE(never.asked(), c.wholeAtLeast);
        const StopAt stop(c.stopAt);
        EXPECT_THROW(c.decode(stoppedBy(stop)), DecodeStopped);
        EXPECT_EQ(stop.asked(), c.stopAt);
    }
}

// A stopped JPEG is no damaged picture: asked for again, it decodes whole, as djpeg does.
TEST(DecodeStop, AStoppedJpegDecodesWholeLater) {
    TempDir dir;
    const std::string path = dir / "p.jpg";
    ASSERT_TRUE(makeJpeg(path, makeTestImage(256, 192), "-progressive"));
    const StopAt stop(20);
    Picture picture;
    picture.loadFromFile(path, stoppedBy(stop));
    EXPECT_THROW(picture.bitmap(), DecodeStopped);
    EXPECT_EQ(differingPixels(picture.bitmap(), djpeg(path)), 0);
    EXPECT_EQ(stop.asked(), 20);
}

}  // namespace
