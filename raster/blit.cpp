#include "raster/blit.h"

#include "core/frame_buffer.h"
#include "raster/pixel_math.h"

namespace {

// The part [first, end) of 0..count-1 whose positions origin + i lie in
// [low, high). Accumulators restart from i * step, which is what adding the
// step i times gives, so clipping first changes no sample.
struct Range {
    int64_t first;
    int64_t end;
};

Range clipRange(int64_t origin, int64_t count, int64_t low, int64_t high) {
    Range r{0, count};
    if (origin + r.first < low) r.first = low - origin;
    if (origin + r.end > high) r.end = high - origin;
    if (r.end < r.first) r.end = r.first;
    return r;
}

}  // namespace

void unpackGlowSprite(uint32_t* table) {
    const unsigned char* source = glowSpriteSource;
    for (int32_t i = 0; i < glowSpriteSize * glowSpriteSize; ++i, source += 3) {
        table[i] = (static_cast<uint32_t>(source[0]) << 16) + (static_cast<uint32_t>(source[1]) << 8) +
                   static_cast<uint32_t>(source[2]);
    }
}

void blitGreyImage(uint32_t* buffer, const unsigned char* image, int32_t centreX, int32_t centreY,
                   int32_t sourceWidth, int32_t sourceHeight, int32_t destinationWidth,
                   int32_t destinationHeight, int32_t alpha) {
    // Sizes that are not positive would divide by zero or read before the image.
    if (sourceWidth <= 0 || sourceHeight <= 0 || destinationWidth <= 0 || destinationHeight <= 0)
        return;
    alpha &= 255;
    if (alpha == 0) return;  // a blend at opacity 0 changes nothing
    const int64_t left = int64_t{centreX} - (destinationWidth >> 1);
    const int64_t top = int64_t{centreY} - (destinationHeight >> 1);
    const int64_t stepX = (int64_t{sourceWidth} * 65536) / destinationWidth;
    const int64_t stepY = (int64_t{sourceHeight} * 65536) / destinationHeight;
    const Range rows = clipRange(top, destinationHeight, 0, frameHeight);
    const Range columns = clipRange(left, destinationWidth, 0, frameWidth);
    int64_t v = rows.first * stepY;
    for (int64_t i = rows.first; i < rows.end; ++i, v += stepY) {
        const unsigned char* sourceRow = image + (v >> 16) * sourceWidth;
        uint32_t* destination = buffer + (top + i) * frameWidth + left + columns.first;
        int64_t u = columns.first * stepX;
        for (int64_t j = columns.first; j < columns.end; ++j, u += stepX, ++destination) {
            const int32_t g = sourceRow[u >> 16];
            if (g != 0) raster::blendInto(destination, g, g, g, alpha);
        }
    }
}

void blitSpriteAdditive(uint32_t* buffer, const uint32_t* sprite, int32_t centreX, int32_t centreY,
                        int32_t width, int32_t height, uint32_t colourKey, int32_t firstRow,
                        int32_t endRow) {
    if (width <= 0 || height <= 0) return;
    const int64_t left = int64_t{centreX} - (width >> 1);
    const int64_t top = int64_t{centreY} - (height >> 1);
    const int64_t stepX = int64_t{glowSpriteSize * 65536} / width;
    const int64_t stepY = int64_t{glowSpriteSize * 65536} / height;
    // The row window, kept inside the picture.
    const int64_t low = firstRow > 0 ? firstRow : 0;
    const int64_t high = endRow < frameHeight ? endRow : frameHeight;
    if (low >= high) return;
    const Range rows = clipRange(top, height, low, high);
    const Range columns = clipRange(left, width, 0, frameWidth);
    int64_t v = rows.first * stepY;
    for (int64_t i = rows.first; i < rows.end; ++i, v += stepY) {
        const uint32_t* sourceRow = sprite + (v >> 16) * glowSpriteSize;
        uint32_t* destination = buffer + (top + i) * frameWidth + left + columns.first;
        int64_t u = columns.first * stepX;
        for (int64_t j = columns.first; j < columns.end; ++j, u += stepX, ++destination) {
            const uint32_t p = sourceRow[u >> 16];
            if (p != colourKey) {
                raster::addInto(destination, static_cast<int32_t>((p >> 16) & 255u),
                                static_cast<int32_t>((p >> 8) & 255u), static_cast<int32_t>(p & 255u));
            }
        }
    }
}
