#include <gtest/gtest.h>

#include "audio/music_player.h"
#include "raster/blit.h"
#include "raster_test_support.h"

namespace {

// With no song loaded the play time is 0, and row y's grey is
// (sin(y / 20) + 1) * 127 with the division in integers.
TEST(DrawShimmerBand, GreyOfEachRowAtTimeZero) {
    ASSERT_EQ(musicPlayer.getSeconds(), 0.0f);
    GuardedFrame frame;
    drawShimmerBand(frame.pixels, 255, 100, 110, 0, 480);
    const std::pair<int, uint32_t> rows[] = {
        {0, 127}, {19, 127}, {20, 233}, {40, 242}, {100, 5}, {479, 19},
    };
    for (const auto& [y, grey] : rows) {
        const uint32_t v = (grey * 255) >> 8;  // blended over black at full opacity
        EXPECT_EQ(frame.at(100, y), rgb(v, v, v)) << y;
        EXPECT_EQ(frame.at(109, y), rgb(v, v, v)) << y;
        EXPECT_EQ(frame.at(99, y), 0u) << y;
        EXPECT_EQ(frame.at(110, y), 0u) << y;
    }
}

TEST(DrawShimmerBand, RowsAndOpacity) {
    struct Case {
        int firstRow, endRow, alpha;
        int expectedRows;
    } cases[] = {{50, 50, 255, 0}, {60, 50, 255, 0}, {50, 60, 0, 0}, {50, 60, 256, 0},
                 {50, 60, 255, 10}, {-20, 500, 255, 480}, {INT32_MIN, INT32_MAX, 255, 480}};
    for (const Case& c : cases) {
        // Over white every grey (0..254) changes a pixel it blends into.
        GuardedFrame frame;
        frame.fill(rgb(255, 255, 255));
        drawShimmerBand(frame.pixels, c.alpha, 640, 0, c.firstRow, c.endRow);
        EXPECT_EQ(frame.changed(rgb(255, 255, 255)).size(), static_cast<size_t>(c.expectedRows) * 640) << c.firstRow << ".." << c.endRow;
        EXPECT_TRUE(frame.guardsIntact());
    }
}

}  // namespace
