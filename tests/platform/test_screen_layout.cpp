// The geometry of a desk of screens: where covers go, and how a position on a scaled screen counts
// in device pixels.
#include <gtest/gtest.h>

#include "ScreenLayout.h"

using namespace quillo;

TEST(ScreenLayout, ACoverTakesOnlyWhatNoShowTakes) {
    const Rect screen{0, 0, 100, 80};
    const struct {
        const char* what;
        std::vector<Rect> shows;
        std::vector<Rect> parts;
    } cases[] = {
        {"no show", {}, {screen}},
        {"a show beside it", {{100, 0, 220, 90}}, {screen}},
        {"a mirrored show", {screen}, {}},
        {"a show on a screen around it", {{-10, -10, 190, 190}}, {}},
        {"two shows that take it between them", {{0, 0, 50, 80}, {50, 0, 300, 80}}, {}},
        {"a show over its right half", {{50, 0, 150, 80}}, {{0, 0, 50, 80}}},
        {"a show over its bottom-left corner",
         {{-20, 60, 30, 200}},
         {{0, 0, 100, 60}, {30, 60, 100, 80}}},
        {"a show in its middle",
         {{20, 20, 60, 60}},
         {{0, 0, 100, 20}, {0, 60, 100, 80}, {0, 20, 20, 60}, {60, 20, 100, 60}}},
    };
    for (const auto& c : cases) {
        const std::vector<Rect> parts = uncoveredParts(screen, c.shows);
        ASSERT_EQ(parts.size(), c.parts.size()) << c.what;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const Rect &got = parts[i], &want = c.parts[i];
            EXPECT_EQ(got, want) << c.what << ": part " << i << " is " << got.left << "," << got.top
                                 << "-" << got.right << "," << got.bottom;
        }
    }
}

TEST(ScreenLayout, APositionOnAScaledScreenCountsFromThatScreensOwnCorner) {
    // The primary, 1920x1080 at scale 1; right of it a screen of 2560x1440 device pixels at
    // scale 2 (1280x720 layout pixels); left of it one of 2880x1620 at scale 1.5.
    const std::vector<ScaledScreen> desk = {
        {0, 0, 1920, 1080, 1.0}, {1920, 0, 1280, 720, 2.0}, {-2880, 0, 1920, 1080, 1.5}};
    const struct {
        double x, y;
        Point device;
    } cases[] = {
        {100, 50, {100, 50}},        // the primary: as it is
        {1920, 0, {1920, 0}},        // the right screen's corner stays where it is
        {2020, 50, {2120, 100}},     // 100, 50 from that corner: twice that in device pixels
        {3199, 719, {4478, 1438}},   // its last layout pixel
        {-2880, 30, {-2880, 45}},    // the left screen's edge
        {-2780, 20, {-2730, 30}},    // 100, 20 from its corner: 150, 30 in device pixels
        {5000, 5000, {5000, 5000}},  // on no screen: counted as on the first
    };
    for (const auto& c : cases)
        EXPECT_EQ(devicePoint(desk, c.x, c.y), c.device) << c.x << "," << c.y;
}
