#include "raster/text.h"

#include "core/frame_buffer.h"
#include "raster/pixel_math.h"

namespace {

constexpr int32_t glyphDigitOne = 26;
constexpr int32_t glyphDigitZero = 35;
constexpr int32_t glyphPeriod = 36;
constexpr int32_t glyphQuestion = 37;
constexpr int32_t glyphExclamation = 38;
constexpr int32_t glyphSpace = 39;

}  // namespace

int32_t glyphIndex(unsigned char character) {
    if (character >= 'a' && character <= 'z') return character - 'a';
    if (character >= '1' && character <= '9') return glyphDigitOne + (character - '1');
    switch (character) {
        case '0': return glyphDigitZero;
        case '.': return glyphPeriod;
        case '?': return glyphQuestion;
        case '!': return glyphExclamation;
        case ' ': return glyphSpace;
        default: return -1;
    }
}

void drawText(uint32_t* buffer, int32_t x, int32_t y, const char* text, int32_t alpha) {
    if (text == nullptr) return;
    alpha &= 255;
    // Pixels are addressed by index, row * 640 + column: a column past 639
    // continues on the next row, as the closing credit line relies on.
    // An index outside the picture is dropped.
    const int64_t top = static_cast<int64_t>(y) * frameWidth;
    int64_t left = static_cast<int64_t>(x) + 1;
    int32_t glyph = 0;  // a character outside the font repeats the one before it, or "a" first
    for (const char* c = text; *c != 0; ++c, left += glyphWidth) {
        // Glyphs further along lie wholly past the end of the picture.
        if (top + left >= framePixelCount) break;
        const int32_t found = glyphIndex(static_cast<unsigned char>(*c));
        if (found >= 0) glyph = found;
        const unsigned char* source = fontStrip + glyph * glyphWidth;
        for (int32_t r = 0; r < glyphHeight; ++r, source += fontStripWidth) {
            const int64_t rowStart = top + r * frameWidth + left;
            for (int32_t j = 0; j < glyphWidth; ++j) {
                const int32_t g = source[j];
                const int64_t index = rowStart + j;
                if (g != 0 && static_cast<uint64_t>(index) < static_cast<uint64_t>(framePixelCount))
                    raster::blendInto(buffer + index, g, g, g, alpha);
            }
        }
    }
}
