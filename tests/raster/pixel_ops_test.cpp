#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "raster/pixel_ops.h"
#include "raster_test_support.h"

namespace {

struct BlendCase {
    uint32_t before;
    int red, green, blue, alpha;
    uint32_t after;
};

TEST(BlendPixel, ArithmeticTable) {
    const BlendCase cases[] = {
        {rgb(0, 0, 0), 255, 255, 255, 255, rgb(254, 254, 254)},   // full opacity stops one short
        {rgb(255, 255, 255), 0, 0, 0, 255, rgb(0, 0, 0)},         // ...but reaches black
        {rgb(0, 0, 0), 255, 255, 255, 128, rgb(127, 127, 127)},
        {rgb(10, 20, 30), 255, 255, 255, 0, rgb(10, 20, 30)},     // alpha 0 leaves the pixel
        {rgb(100, 100, 100), 99, 99, 99, 1, rgb(99, 99, 99)},     // the shift rounds toward minus infinity
        {rgb(100, 100, 100), 50, 50, 50, 128, rgb(75, 75, 75)},
        {rgb(0, 255, 64), 255, 0, 128, 128, rgb(127, 127, 96)},   // channels blend independently
        {rgb(0, 0, 0), 0x1FF, 0x100, -1, 255, rgb(254, 0, 254)},  // only the low 8 bits of a colour count
        {rgb(0, 0, 0), 255, 255, 255, 256 + 128, rgb(127, 127, 127)},  // and of alpha
        {0xFF000000u | rgb(1, 2, 3), 1, 2, 3, 255, rgb(1, 2, 3)},  // the top byte is cleared
    };
    for (const BlendCase& c : cases) {
        GuardedFrame frame;
        frame.at(5, 7) = c.before;
        blendPixel(5, 7, frame.pixels, c.red, c.green, c.blue, c.alpha);
        EXPECT_EQ(frame.at(5, 7), c.after) << std::hex << "before " << c.before << " colour " << c.red << ","
                                           << c.green << "," << c.blue << " alpha " << std::dec << c.alpha;
    }
}

TEST(AddPixel, SaturatesEachChannel) {
    const BlendCase cases[] = {
        {rgb(128, 128, 128), 200, 100, 50, 0, rgb(255, 228, 178)},
        {rgb(255, 255, 255), 0, 0, 0, 0, rgb(255, 255, 255)},
        {rgb(0, 0, 0), 0x1FF, 0x101, 0x300, 0, rgb(255, 1, 0)},
        {0xFF000000u | rgb(1, 1, 1), 1, 1, 1, 0, rgb(2, 2, 2)},
    };
    for (const BlendCase& c : cases) {
        GuardedFrame frame;
        frame.at(0, 0) = c.before;
        addPixel(0, 0, frame.pixels, c.red, c.green, c.blue);
        EXPECT_EQ(frame.at(0, 0), c.after) << std::hex << c.before;
    }
}

// A column outside 0..639 addresses the pixel at y * 640 + x; an index
// outside the picture is dropped.
TEST(PixelOps, AddressByIndexAndDropOutsideThePicture) {
    struct Case {
        int x, y, index;
    } cases[] = {
        {640, 0, 640}, {700, -1, 60}, {-1, 1, 639}, {639, 479, framePixelCount - 1},
        {0, 480, -1}, {-1, 0, -1}, {640, 479, -1}, {0, -1, -1}, {INT32_MAX, INT32_MAX, -1}, {INT32_MIN, 3, -1},
    };
    for (const Case& c : cases) {
        for (int op = 0; op < 2; ++op) {
            GuardedFrame frame;
            if (op == 0)
                blendPixel(c.x, c.y, frame.pixels, 255, 255, 255, 255);
            else
                addPixel(c.x, c.y, frame.pixels, 255, 255, 255);
            const std::vector<int> changed = frame.changed();
            EXPECT_TRUE(frame.guardsIntact()) << c.x << "," << c.y;
            if (c.index < 0)
                EXPECT_TRUE(changed.empty()) << c.x << "," << c.y;
            else
                EXPECT_EQ(changed, std::vector<int>{c.index}) << c.x << "," << c.y;
        }
    }
}

TEST(FillBytes, WordsThenLowBytes) {
    struct Case {
        int count;
        int wordsWritten;
        int tailBytes;
    } cases[] = {{0, 0, 0}, {-4, 0, 0}, {4, 1, 0}, {6, 1, 2}, {7, 1, 3}, {13, 3, 1}};
    const uint32_t pattern = 0x11223344u;
    for (const Case& c : cases) {
        // An odd start address: the pattern must not need alignment.
        unsigned char bytes[32];
        std::fill(std::begin(bytes), std::end(bytes), 0xEE);
        fillBytes(bytes + 1, pattern, c.count);
        EXPECT_EQ(bytes[0], 0xEE);
        int at = 1;
        for (int w = 0; w < c.wordsWritten; ++w, at += 4) {
            uint32_t word;
            std::memcpy(&word, bytes + at, 4);
            EXPECT_EQ(word, pattern) << "count " << c.count;
        }
        for (int t = 0; t < c.tailBytes; ++t, ++at) EXPECT_EQ(bytes[at], 0x44) << "count " << c.count;
        for (; at < 32; ++at) EXPECT_EQ(bytes[at], 0xEE) << "count " << c.count << " byte " << at;
    }
}

TEST(ClearFrame, SetsEveryPixelAndNothingElse) {
    GuardedFrame frame;
    frame.fill(0x12345678u);
    clearFrame(frame.pixels, 0, 0, 0);
    EXPECT_TRUE(frame.changed().empty());
    clearFrame(frame.pixels, 1, 2, 3);
    EXPECT_TRUE(frame.changed(rgb(1, 2, 3)).empty());
    EXPECT_TRUE(frame.guardsIntact());
}

TEST(DrawSpan, OrdersAndClipsColumns) {
    struct Case {
        int xa, xb, y;
        int first, end;  // columns expected on row y
    } cases[] = {
        {700, -5, 10, 0, 640}, {5, 5, 10, 0, 0}, {10, 3, 10, 3, 10}, {3, 10, 10, 3, 10},
        {-3, 2, 0, 0, 2},      {638, 645, 479, 638, 640}, {INT32_MIN, INT32_MAX, 1, 0, 640},
        {640, 700, 5, 0, 0},   {-10, 0, 5, 0, 0},
    };
    for (const Case& c : cases) {
        GuardedFrame frame;
        drawSpan(frame.pixels, c.xa, c.xb, c.y, 255, 255, 255, 255);
        std::vector<int> expected;
        for (int x = c.first; x < c.end; ++x) expected.push_back(pixelIndex(x, c.y));
        EXPECT_EQ(frame.changed(), expected) << c.xa << ".." << c.xb << " row " << c.y;
        for (int i : expected) EXPECT_EQ(frame.pixels[i], rgb(254, 254, 254));
        EXPECT_TRUE(frame.guardsIntact());
    }
}

TEST(DrawSpan, RowOutsideThePictureWritesNothing) {
    for (int y : {-1, 480, INT32_MIN, INT32_MAX}) {
        GuardedFrame frame;
        drawSpan(frame.pixels, -100, 1000, y, 255, 255, 255, 255);
        EXPECT_TRUE(frame.changed().empty()) << y;
        EXPECT_TRUE(frame.guardsIntact()) << y;
    }
}

using PixelSet = std::set<std::pair<int, int>>;

PixelSet drawnPixels(GuardedFrame& frame) {
    PixelSet out;
    for (int i : frame.changed()) out.insert({i % frameWidth, i / frameWidth});
    return out;
}

TEST(DrawLine, EndPointsAndSteps) {
    constexpr int one = 65536;
    struct Case {
        const char* name;
        int x0, y0, x1, y1;
        PixelSet expected;
    };
    PixelSet row240;
    for (int x = 0; x < 640; ++x) row240.insert({x, 240});
    PixelSet diagonal;
    for (int k = 0; k < 10; ++k) diagonal.insert({10 + k, 10 + k});
    PixelSet antiDiagonal;
    for (int k = 0; k < 10; ++k) antiDiagonal.insert({30 - k, 10 + k});
    const Case cases[] = {
        {"shorter than a pixel", 0, 0, one / 2, one / 2, {}},
        {"a point", 5 * one, 5 * one, 5 * one, 5 * one, {}},
        {"full row, far end not drawn", 0, 240 * one, 640 * one, 240 * one, row240},
        {"full row reversed", 640 * one, 240 * one, 0, 240 * one, row240},
        {"45 degrees", 10 * one, 10 * one, 20 * one, 20 * one, diagonal},
        {"45 degrees reversed", 20 * one, 20 * one, 10 * one, 10 * one, diagonal},
        {"45 degrees other way", 30 * one, 10 * one, 20 * one, 20 * one, antiDiagonal},
        {"steep: column steps by the truncated slope", 0, 0, 3 * one, 10 * one,
         {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 4}, {1, 5}, {1, 6}, {2, 7}, {2, 8}, {2, 9}}},
        {"shallow falling: rows rounded down", 0, 5 * one, 10 * one, 0,
         {{0, 5}, {1, 4}, {2, 4}, {3, 3}, {4, 3}, {5, 2}, {6, 2}, {7, 1}, {8, 1}, {9, 0}}},
        // step = -18724.57 truncates toward zero to -18724; rounding down to
        // -18725 would put the third pixel on row 9.
        {"negative step truncates toward zero", 0, 10 * one + 37448, 229376, 10 * one + 37448 - one,
         {{0, 10}, {1, 10}, {2, 10}}},
        {"fractional start column", one / 2 + 3 * one, 0, one / 2 + 3 * one, 3 * one, {{3, 0}, {3, 1}, {3, 2}}},
    };
    for (const Case& c : cases) {
        GuardedFrame frame;
        drawLine(frame.pixels, c.x0, c.y0, c.x1, c.y1, 255, 255, 255, 255);
        EXPECT_EQ(drawnPixels(frame), c.expected) << c.name;
        EXPECT_TRUE(frame.guardsIntact()) << c.name;
    }
}

TEST(DrawLine, HugeEndPointsStayInsideTheBuffer) {
    GuardedFrame frame;
    drawLine(frame.pixels, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 255, 255, 255, 255);
    drawLine(frame.pixels, INT32_MAX, 0, INT32_MIN, 100 * 65536, 255, 255, 255, 255);
    EXPECT_TRUE(frame.guardsIntact());
}

TEST(DrawTriangleOutline, ThreeEdgesWithBlend) {
    GuardedFrame frame;
    drawTriangleOutline(frame.pixels, 10, 10, 20, 10, 10, 20, 200, 100, 50, 255);
    PixelSet expected;
    for (int k = 0; k < 10; ++k) {
        expected.insert({10 + k, 10});  // (10,10) to (20,10)
        expected.insert({20 - k, 10 + k});  // (20,10) to (10,20), drawn from the upper end
        expected.insert({10, 10 + k});  // (10,20) to (10,10), drawn from the upper end
    }
    EXPECT_EQ(drawnPixels(frame), expected);
    EXPECT_EQ(frame.at(15, 10), rgb(199, 99, 49));
    // The shared corner is blended twice: 199 + ((200 - 199) * 255 >> 8) stays 199.
    EXPECT_EQ(frame.at(10, 10), rgb(199, 99, 49));
}

}  // namespace
