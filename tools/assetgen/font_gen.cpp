#include <cstddef>
#include "assetgen.h"
#include "strokes.h"

namespace {

constexpr int stripWidth = 480;
constexpr int cellWidth = 12;
constexpr int cellHeight = 16;
constexpr int glyphCount = 40;
constexpr int samples = 8;           // per pixel side
constexpr double penRadius = 0.82;   // in font pixels
constexpr int brightest = 239;

// The strip's character order.
char glyphCharacter(int index) {
    if (index < 26) return static_cast<char>('a' + index);
    if (index < 35) return static_cast<char>('1' + (index - 26));
    const char rest[] = {'0', '.', '?', '!', ' '};
    return rest[index - 35];
}

}  // namespace

std::vector<unsigned char> makeFontStrip() {
    std::vector<unsigned char> strip(static_cast<size_t>(stripWidth) * cellHeight, 0);
    for (int k = 0; k < glyphCount; ++k) {
        const std::vector<Stroke> strokes = glyphStrokes(glyphCharacter(k));
        if (strokes.empty()) continue;
        for (int y = 0; y < cellHeight; ++y) {
            for (int x = 0; x < cellWidth; ++x) {
                int inside = 0;
                for (int sy = 0; sy < samples; ++sy) {
                    for (int sx = 0; sx < samples; ++sx) {
                        const Point p{x + (sx + 0.5) / samples, y + (sy + 0.5) / samples};
                        if (strokeDistance(strokes, p) <= penRadius) ++inside;
                    }
                }
                const int grey = (inside * brightest + samples * samples / 2) / (samples * samples);
                strip[static_cast<size_t>(y) * stripWidth + static_cast<size_t>(k * cellWidth + x)] =
                    static_cast<unsigned char>(grey);
            }
        }
    }
    return strip;
}
