#pragma once
#include <cstdint>

// The embedded font: 480 x 16 grey bytes, 40 glyphs of 12 x 16.
constexpr int32_t fontStripWidth = 480;
constexpr int32_t fontStripHeight = 16;
constexpr int32_t glyphWidth = 12;
constexpr int32_t glyphHeight = 16;
extern const unsigned char fontStrip[];

// The glyph of a character, or -1 for a character outside the font.
int32_t glyphIndex(unsigned char character);

// Writes a zero-terminated text with its top-left corner at (x, y).
void drawText(uint32_t* buffer, int32_t x, int32_t y, const char* text, int32_t alpha);
