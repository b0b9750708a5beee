#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "raster/blit.h"
#include "raster_test_support.h"

namespace {

// A sprite whose every pixel tells where it came from: 0x00YYXX01.
std::vector<uint32_t> labelledSprite() {
    std::vector<uint32_t> sprite(glowSpriteSize * glowSpriteSize);
    for (int y = 0; y < glowSpriteSize; ++y)
        for (int x = 0; x < glowSpriteSize; ++x) sprite[y * 64 + x] = rgb(y, x, 1);
    return sprite;
}

TEST(UnpackGlowSprite, RedGreenBlueBytesToPixels) {
    std::vector<uint32_t> table(glowSpriteSize * glowSpriteSize, 0xDEADBEEFu);
    unpackGlowSprite(table.data());
    EXPECT_EQ(table[0], rgb(glowSpriteSource[0], glowSpriteSource[1], glowSpriteSource[2]));
    EXPECT_EQ(table[64], rgb(glowSpriteSource[192], glowSpriteSource[193], glowSpriteSource[194]));
    for (int i = 0; i < 64 * 64; ++i)
        ASSERT_EQ(table[i], rgb(glowSpriteSource[3 * i], glowSpriteSource[3 * i + 1], glowSpriteSource[3 * i + 2]))
            << i;
}

struct Sample {
    int x, y;         // frame position
    int sx, sy;       // sprite pixel expected there
};

TEST(BlitSpriteAdditive, SamplesAtSmallAndOddSizes) {
    const std::vector<uint32_t> sprite = labelledSprite();
    struct Case {
        int w, h;
        std::vector<Sample> samples;
    } cases[] = {
        {1, 1, {{100, 50, 0, 0}}},
        {2, 2, {{99, 49, 0, 0}, {100, 49, 32, 0}, {99, 50, 0, 32}, {100, 50, 32, 32}}},
        // 4194304 / 3 = 1398101: source columns 0, 21 and 42.
        {3, 1, {{99, 50, 0, 0}, {100, 50, 21, 0}, {101, 50, 42, 0}}},
        {1, 3, {{100, 49, 0, 0}, {100, 50, 0, 21}, {100, 51, 0, 42}}},
    };
    for (const Case& c : cases) {
        GuardedFrame frame;
        blitSpriteAdditive(frame.pixels, sprite.data(), 100, 50, c.w, c.h, 0, 0, 480);
        std::vector<int> expected;
        for (const Sample& s : c.samples) {
            expected.push_back(pixelIndex(s.x, s.y));
            EXPECT_EQ(frame.at(s.x, s.y), sprite[s.sy * 64 + s.sx]) << c.w << "x" << c.h;
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(frame.changed(), expected) << c.w << "x" << c.h;
    }
}

TEST(BlitSpriteAdditive, DoubleSizeRepeatsEverySourcePixel) {
    const std::vector<uint32_t> sprite = labelledSprite();
    GuardedFrame frame;
    blitSpriteAdditive(frame.pixels, sprite.data(), 320, 240, 128, 128, 0, 0, 480);
    for (int i = 0; i < 128; ++i)
        for (int j = 0; j < 128; ++j) ASSERT_EQ(frame.at(256 + j, 176 + i), sprite[(i / 2) * 64 + j / 2]) << i << "," << j;
    EXPECT_EQ(frame.changed().size(), 128u * 128u);
}

TEST(BlitSpriteAdditive, KeySkipsAndAddSaturates) {
    std::vector<uint32_t> sprite(64 * 64, rgb(10, 20, 0));
    sprite[0] = rgb(1, 2, 3);
    for (uint32_t key : {0u, rgb(1, 2, 3), rgb(10, 20, 0)}) {
        GuardedFrame frame;
        frame.fill(rgb(250, 250, 250));
        blitSpriteAdditive(frame.pixels, sprite.data(), 10, 10, 2, 2, key, 0, 480);
        const uint32_t atTopLeft = key == rgb(1, 2, 3) ? rgb(250, 250, 250) : rgb(251, 252, 253);
        const uint32_t elsewhere = key == rgb(10, 20, 0) ? rgb(250, 250, 250) : rgb(255, 255, 250);
        EXPECT_EQ(frame.at(9, 9), atTopLeft) << std::hex << key;
        EXPECT_EQ(frame.at(10, 9), elsewhere) << std::hex << key;
        EXPECT_EQ(frame.at(10, 10), elsewhere) << std::hex << key;
    }
}

TEST(BlitSpriteAdditive, StoredGlowAtSizeOneIsInvisible) {
    std::vector<uint32_t> glow(64 * 64);
    unpackGlowSprite(glow.data());
    GuardedFrame frame;
    blitSpriteAdditive(frame.pixels, glow.data(), 320, 240, 1, 1, 0, 0, 480);
    EXPECT_TRUE(frame.changed().empty());
}

TEST(BlitSpriteAdditive, RowWindowAndFrameEdges) {
    const std::vector<uint32_t> sprite = labelledSprite();
    struct Case {
        int cx, cy, size, firstRow, endRow;
    } cases[] = {
        {320, 240, 64, 200, 280},  {320, 240, 200, 200, 280}, {320, 240, 64, 239, 240},
        {320, 240, 64, 300, 250},  {320, 240, 64, 0, 480},    {0, 0, 64, -100, 1000},
        {639, 479, 64, -100, 1000}, {-31, 240, 64, 0, 480},   {670, 240, 64, 0, 480},
        {320, 240, 64, INT32_MIN, INT32_MAX},
    };
    for (const Case& c : cases) {
        GuardedFrame frame;
        blitSpriteAdditive(frame.pixels, sprite.data(), c.cx, c.cy, c.size, c.size, 0, c.firstRow, c.endRow);
        // Expected: every sprite pixel whose point lies in the frame's columns
        // and in the row window (and the picture), nothing else.
        const int left = c.cx - c.size / 2;
        const int top = c.cy - c.size / 2;
        const int step = 4194304 / c.size;
        std::vector<int> expected;
        for (int i = 0; i < c.size; ++i)
            for (int j = 0; j < c.size; ++j) {
                const int x = left + j;
                const int y = top + i;
                if (x < 0 || x >= 640 || y < std::max(c.firstRow, 0) || y >= std::min(c.endRow, 480)) continue;
                expected.push_back(pixelIndex(x, y));
                ASSERT_EQ(frame.at(x, y), sprite[((i * step) >> 16) * 64 + ((j * step) >> 16)]);
            }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(frame.changed(), expected) << c.cx << "," << c.cy << " rows " << c.firstRow << ".." << c.endRow;
        EXPECT_TRUE(frame.guardsIntact());
    }
}

TEST(BlitSpriteAdditive, SizesThatAreNotPositiveDrawNothing) {
    const std::vector<uint32_t> sprite = labelledSprite();
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-4, 10}, {10, -4}}) {
        GuardedFrame frame;
        blitSpriteAdditive(frame.pixels, sprite.data(), 320, 240, w, h, 0, 0, 480);
        EXPECT_TRUE(frame.changed().empty()) << w << "x" << h;
    }
}

// A 4 x 3 grey image with a transparent pixel.
const unsigned char smallImage[] = {
    10, 20, 30, 40,  //
    50, 0,  70, 80,  //
    90, 100, 110, 120,
};

TEST(BlitGreyImage, ScalesNearestAndCentres) {
    struct Case {
        int cx, cy, dw, dh;
        std::vector<std::vector<int>> rows;  // expected greys from (cx - dw/2, cy - dh/2); -1: untouched
    } cases[] = {
        {10, 10, 4, 3, {{10, 20, 30, 40}, {50, -1, 70, 80}, {90, 100, 110, 120}}},
        {10, 10, 2, 3, {{10, 30}, {50, 70}, {90, 110}}},
        {10, 10, 8, 1, {{10, 10, 20, 20, 30, 30, 40, 40}}},
        {11, 11, 3, 2, {{10, 20, 30}, {50, -1, 70}}},  // 3 x 2: source columns 0, 1, 2; rows 0, 1
    };
    for (const Case& c : cases) {
        GuardedFrame frame;
        blitGreyImage(frame.pixels, smallImage, c.cx, c.cy, 4, 3, c.dw, c.dh, 255);
        const int left = c.cx - (c.dw >> 1);
        const int top = c.cy - (c.dh >> 1);
        size_t drawn = 0;
        for (size_t i = 0; i < c.rows.size(); ++i)
            for (size_t j = 0; j < c.rows[i].size(); ++j) {
                const int g = c.rows[i][j];
                const uint32_t v = g < 0 ? 0 : (static_cast<uint32_t>(g) * 255) >> 8;
                EXPECT_EQ(frame.at(left + static_cast<int>(j), top + static_cast<int>(i)), rgb(v, v, v))
                    << c.dw << "x" << c.dh << " at " << i << "," << j;
                drawn += g > 0 ? 1 : 0;
            }
        EXPECT_EQ(frame.changed().size(), drawn) << c.dw << "x" << c.dh;
    }
}

TEST(BlitGreyImage, ClipsToThePictureAndIgnoresBadSizes) {
    std::vector<unsigned char> solid(100 * 100, 200);
    struct Case {
        int cx, cy, dw, dh;
    } cases[] = {{0, 0, 100, 100}, {639, 479, 100, 100}, {-49, 240, 100, 100}, {320, 530, 100, 100},
                 {320, 240, 2000, 1500}};
    for (const Case& c : cases) {
        GuardedFrame frame;
        blitGreyImage(frame.pixels, solid.data(), c.cx, c.cy, 100, 100, c.dw, c.dh, 255);
        const int left = std::max(c.cx - c.dw / 2, 0), right = std::min(c.cx - c.dw / 2 + c.dw, 640);
        const int top = std::max(c.cy - c.dh / 2, 0), bottom = std::min(c.cy - c.dh / 2 + c.dh, 480);
        const size_t area = right > left && bottom > top ? size_t(right - left) * size_t(bottom - top) : 0;
        EXPECT_EQ(frame.changed().size(), area) << c.cx << "," << c.cy;
        if (area > 0) {
            EXPECT_NE(frame.at(left, top), 0u);
            EXPECT_NE(frame.at(right - 1, bottom - 1), 0u);
        }
        EXPECT_TRUE(frame.guardsIntact());
    }
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 10}, {10, -5}}) {
        GuardedFrame frame;
        blitGreyImage(frame.pixels, solid.data(), 320, 240, 100, 100, w, h, 255);
        blitGreyImage(frame.pixels, solid.data(), 320, 240, w, h, 100, 100, 255);
        EXPECT_TRUE(frame.changed().empty()) << w << "x" << h;
    }
}

TEST(BlitGreyImage, OpacityZeroAndTransparentGreyLeaveThePicture) {
    GuardedFrame frame;
    frame.fill(rgb(30, 40, 50));
    blitGreyImage(frame.pixels, smallImage, 100, 100, 4, 3, 4, 3, 0);
    blitGreyImage(frame.pixels, smallImage, 100, 100, 4, 3, 4, 3, 256);
    EXPECT_TRUE(frame.changed(rgb(30, 40, 50)).empty());
    blitGreyImage(frame.pixels, smallImage, 100, 100, 4, 3, 4, 3, 128);
    EXPECT_EQ(frame.at(99, 100), rgb(30, 40, 50));  // the 0 in the image
    EXPECT_EQ(frame.at(98, 99), rgb(20, 25, 30));   // grey 10 at half opacity
}

TEST(BlitGreyImage, LogoCentredStaysInItsBox) {
    GuardedFrame frame;
    blitGreyImage(frame.pixels, logoImage, 320, 240, logoWidth, logoHeight, logoWidth, logoHeight, 255);
    const std::vector<int> changed = frame.changed();
    ASSERT_FALSE(changed.empty());
    size_t opaque = 0;
    for (int i = 0; i < logoWidth * logoHeight; ++i) opaque += logoImage[i] != 0 ? 1 : 0;
    EXPECT_EQ(changed.size(), opaque);
    for (int i : changed) {
        EXPECT_GE(i % frameWidth, 179);
        EXPECT_LE(i % frameWidth, 460);
        EXPECT_GE(i / frameWidth, 195);
        EXPECT_LE(i / frameWidth, 285);
    }
}

}  // namespace
