#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "raster/text.h"
#include "raster_test_support.h"

namespace {

TEST(GlyphIndex, MapsTheFontsCharacters) {
    const std::pair<unsigned char, int> cases[] = {
        {'a', 0},  {'m', 12}, {'z', 25}, {'1', 26}, {'5', 30}, {'9', 34}, {'0', 35}, {'.', 36}, {'?', 37},
        {'!', 38}, {' ', 39}, {'A', -1}, {'Z', -1}, {'/', -1}, {':', -1}, {'`', -1}, {'{', -1}, {',', -1},
        {0, -1},   {0x80, -1}, {0xFF, -1},
    };
    for (const auto& [character, glyph] : cases) EXPECT_EQ(glyphIndex(character), glyph) << int{character};
}

uint32_t greyAt(int glyph, int column, int row) {
    return fontStrip[row * fontStripWidth + glyph * glyphWidth + column];
}

// The frame a text should give: glyph k at text position i covers columns
// x + 12i + 1 .. x + 12i + 12 of rows y .. y + 15, addressed by index so a
// column past 639 continues on the next row. Every glyph pixel is blended
// once over black.
GuardedFrame expectedText(int x, int y, const std::vector<int>& glyphs, int alpha) {
    GuardedFrame frame;
    for (size_t i = 0; i < glyphs.size(); ++i)
        for (int r = 0; r < glyphHeight; ++r)
            for (int j = 0; j < glyphWidth; ++j) {
                const uint32_t g = greyAt(glyphs[i], j, r);
                if (g == 0) continue;
                const uint32_t v = (g * static_cast<uint32_t>(alpha)) >> 8;
                frame.pixels[(y + r) * frameWidth + x + 12 * static_cast<int>(i) + 1 + j] = rgb(v, v, v);
            }
    return frame;
}

TEST(DrawText, PlacesGlyphsAndRepeatsUnknownCharacters) {
    struct Case {
        const char* text;
        int x, y;
        std::vector<int> glyphs;
    } cases[] = {
        {"a1", 0, 0, {0, 26}},
        {"a a", 100, 50, {0, 39, 0}},  // a space draws nothing but advances
        {"A", 20, 20, {0}},            // unknown first: "a"
        {"xA", 20, 20, {23, 23}},      // unknown later: the glyph before
        {"0.?!#", 300, 400, {35, 36, 37, 38, 38}},
        {"", 10, 10, {}},
        {"abcdefghijklmnopqrstuvwxyz1234567890.?! ", 2, 200, {}},
    };
    for (int i = 0; i < 40; ++i) cases[6].glyphs.push_back(i);
    for (const Case& c : cases) {
        GuardedFrame frame;
        drawText(frame.pixels, c.x, c.y, c.text, 255);
        const GuardedFrame expected = expectedText(c.x, c.y, c.glyphs, 255);
        EXPECT_TRUE(frame.memory == expected.memory) << '"' << c.text << '"';
    }
}

TEST(DrawText, FirstGlyphCoversColumnsOneToTwelve) {
    GuardedFrame frame;
    drawText(frame.pixels, 0, 0, "a1", 255);
    int minColumn = 1000, maxColumn = -1, maxRow = -1;
    for (int i : frame.changed()) {
        minColumn = std::min(minColumn, i % frameWidth);
        maxColumn = std::max(maxColumn, i % frameWidth);
        maxRow = std::max(maxRow, i / frameWidth);
    }
    EXPECT_GE(minColumn, 1);
    EXPECT_LE(maxColumn, 24);
    EXPECT_LE(maxRow, 15);
}

TEST(DrawText, OpacityUsesItsLowByte) {
    for (int alpha : {0, 256, 512}) {
        GuardedFrame frame;
        frame.fill(rgb(9, 9, 9));
        drawText(frame.pixels, 10, 10, "lumen", alpha);
        EXPECT_TRUE(frame.changed(rgb(9, 9, 9)).empty()) << alpha;
    }
    // The brightest grey of the strip, 239, gives 238 over black at 255.
    GuardedFrame frame;
    drawText(frame.pixels, 0, 0, "o", 255 + 256);
    bool found = false;
    for (int r = 0; r < glyphHeight; ++r)
        for (int j = 0; j < glyphWidth; ++j)
            if (greyAt(14, j, r) == 239) {
                EXPECT_EQ(frame.at(1 + j, r), rgb(238, 238, 238));
                found = true;
            }
    EXPECT_TRUE(found);
}

TEST(DrawText, LineEndingAtColumn640WrapsToTheNextRows) {
    // The closing credit line is placed so that x + 12 * length is 640: its
    // last glyph column falls on column 0 of the following rows.
    for (int overhang : {0, 5}) {
        const std::string text = "credits by wm";
        const int length = static_cast<int>(text.size());
        const int x = 640 - 12 * length + overhang;
        const int y = 300;
        GuardedFrame frame;
        drawText(frame.pixels, x, y, text.c_str(), 200);
        std::vector<int> glyphs;
        for (char c : text) glyphs.push_back(glyphIndex(static_cast<unsigned char>(c)));
        const GuardedFrame expected = expectedText(x, y, glyphs, 200);
        EXPECT_TRUE(frame.memory == expected.memory) << overhang;
        if (overhang > 0) {
            // Columns 7..11 of the last glyph land on columns 0..4 of the rows below.
            bool wrapped = false;
            for (int r = 1; r <= glyphHeight; ++r)
                for (int column = 0; column < overhang; ++column) wrapped = wrapped || frame.at(column, y + r) != 0;
            EXPECT_TRUE(wrapped);
        }
    }
}

TEST(DrawText, TextRunningOffThePictureStaysInsideTheBuffer) {
    GuardedFrame frame;
    const std::string longText(2000, 'm');
    drawText(frame.pixels, 600, 470, longText.c_str(), 255);
    drawText(frame.pixels, -50, -8, "lumen", 255);
    EXPECT_TRUE(frame.guardsIntact());
}

}  // namespace
