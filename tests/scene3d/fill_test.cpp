#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "core/frame_buffer.h"
#include "scene3d/mesh.h"

namespace {

constexpr uint32_t background = 0x000000u;

struct Canvas {
    Canvas() : pixels(framePixelCount, background) {}
    bool drawn(int x, int y) const { return pixels[y * frameWidth + x] != background; }
    // First and one-past-last drawn column of a row; {0, 0} when none.
    std::array<int, 2> span(int y) const {
        int first = -1;
        int end = 0;
        for (int x = 0; x < frameWidth; ++x) {
            if (drawn(x, y)) {
                if (first < 0) first = x;
                end = x + 1;
            }
        }
        return first < 0 ? std::array<int, 2>{0, 0} : std::array<int, 2>{first, end};
    }
    std::vector<uint32_t> pixels;
};

void fill(Canvas& c, std::array<std::array<int32_t, 2>, 3> p, int32_t alpha = 255) {
    fillTriangle(c.pixels.data(), p[0][0], p[0][1], p[1][0], p[1][1], p[2][0], p[2][1], 255, 200,
                 100, alpha);
}

TEST(FillTriangle, TheExampleTriangleRowByRow) {
    Canvas c;
    fill(c, {{{100 << 16, 10}, {50 << 16, 30}, {150 << 16, 30}}});
    EXPECT_EQ(c.span(10), (std::array<int, 2>{0, 0}));  // both edges at x 100
    EXPECT_EQ(c.span(11), (std::array<int, 2>{97, 102}));
    EXPECT_EQ(c.span(29), (std::array<int, 2>{52, 147}));
    EXPECT_EQ(c.span(30), (std::array<int, 2>{0, 0}));
    EXPECT_EQ(c.span(9), (std::array<int, 2>{0, 0}));
}

TEST(FillTriangle, CornerOrderDoesNotMatter) {
    const std::array<std::array<int32_t, 2>, 3> corners{
        {{100 << 16, 10}, {50 << 16, 30}, {150 << 16, 30}}};
    const std::array<std::array<int32_t, 2>, 3> lopsided{
        {{7 << 16, 3}, {600 << 16, 200}, {300 << 16, 470}}};
    for (const auto& triangle : {corners, lopsided}) {
        Canvas reference;
        fill(reference, triangle);
        std::array<int, 3> order{0, 1, 2};
        do {
            Canvas c;
            fill(c, {triangle[order[0]], triangle[order[1]], triangle[order[2]]});
            EXPECT_EQ(c.pixels, reference.pixels)
                << "order " << order[0] << order[1] << order[2];
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

TEST(FillTriangle, DrawsNothingForAFlatTriangleOrAlphaZero) {
    Canvas c;
    fill(c, {{{10 << 16, 50}, {300 << 16, 50}, {200 << 16, 50}}});
    fill(c, {{{100 << 16, 10}, {50 << 16, 30}, {150 << 16, 30}}}, 256);
    EXPECT_EQ(std::count(c.pixels.begin(), c.pixels.end(), background), framePixelCount);
}

// Rows beyond the frame are left out, and the rows kept have the x values
// they would have had unclipped: the same triangle moved down by 150 rows
// shows the same rows.
TEST(FillTriangle, ClipsRowsAndKeepsTheirColumns) {
    const std::array<std::array<int32_t, 2>, 3> high{{{100 << 16, -100}, {613 << 16, 77}, {-40 << 16, 280}}};
    auto moved = high;
    for (auto& p : moved) p[1] += 150;
    Canvas a;
    Canvas b;
    fill(a, high);
    fill(b, moved);
    for (int y = 0; y < 280; ++y) {
        ASSERT_EQ(a.span(y), b.span(y + 150)) << "row " << y;
    }
    EXPECT_TRUE(a.drawn(300, 0));

    const std::array<std::array<int32_t, 2>, 3> low{{{320 << 16, 400}, {0, 700}, {639 << 16, 900}}};
    auto raised = low;
    for (auto& p : raised) p[1] -= 300;
    Canvas d;
    Canvas e;
    fill(d, low);
    fill(e, raised);
    for (int y = 400; y < 480; ++y) {
        ASSERT_EQ(d.span(y), e.span(y - 300)) << "row " << y;
    }
}

// The slope is a 32-bit division truncated toward zero: the edge from (0, 0)
// to (400, 300) steps 87381 units per row, so row 3 starts at 262143,
// column 3 (the exact 4 would start it at column 4).
TEST(FillTriangle, TruncatesTheSlope) {
    Canvas c;
    fill(c, {{{0, 0}, {400 << 16, 0}, {400 << 16, 300}}});
    EXPECT_EQ(c.span(3), (std::array<int, 2>{3, 400}));
}

TEST(FillTriangle, WildCoordinatesEndQuicklyAndSafely) {
    Canvas c;
    fill(c, {{{0, INT32_MIN}, {INT32_MAX, 0}, {INT32_MIN, INT32_MAX}}});
    fill(c, {{{INT32_MIN, -5}, {INT32_MAX, 100}, {0, 2000000000}}});
    fill(c, {{{100 << 16, -2000000000}, {101 << 16, -1999999999}, {102 << 16, 2000000000}}});
    SUCCEED();
}

}  // namespace
