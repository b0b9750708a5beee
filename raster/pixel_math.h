#pragma once
#include <cstdint>

#include "core/frame_buffer.h"

// The per-pixel arithmetic shared by the pixel operations and the blits, so
// that the inner loops of the blits need no call per pixel.
namespace raster {

inline uint32_t blendChannel(uint32_t destination, int32_t source, int32_t alpha) {
    const int32_t d = static_cast<int32_t>(destination & 255u);
    const int32_t s = source & 255;
    // Arithmetic shift: rounds toward minus infinity, so alpha 255 stops one short.
    return static_cast<uint32_t>(d + (((s - d) * alpha) >> 8)) & 255u;
}

// alpha must already be reduced to 0..255.
inline void blendInto(uint32_t* pixel, int32_t red, int32_t green, int32_t blue, int32_t alpha) {
    const uint32_t d = *pixel;
    *pixel = (blendChannel(d >> 16, red, alpha) << 16) | (blendChannel(d >> 8, green, alpha) << 8) |
             blendChannel(d, blue, alpha);
}

inline uint32_t addChannel(uint32_t destination, int32_t source) {
    const uint32_t sum = (destination & 255u) + static_cast<uint32_t>(source & 255);
    return sum > 255u ? 255u : sum;
}

inline void addInto(uint32_t* pixel, int32_t red, int32_t green, int32_t blue) {
    const uint32_t d = *pixel;
    *pixel = (addChannel(d >> 16, red) << 16) | (addChannel(d >> 8, green) << 8) | addChannel(d, blue);
}

// Callers keep every pixel index inside the frame; an index outside it is
// dropped instead of written, so a stray coordinate never reaches memory
// beyond the picture. A column outside 0..639 still lands where its index
// says (column 640 of row y is column 0 of row y + 1).
inline bool indexInFrame(int32_t x, int32_t y, int64_t& index) {
    index = static_cast<int64_t>(y) * frameWidth + x;
    return static_cast<uint64_t>(index) < static_cast<uint64_t>(framePixelCount);
}

}  // namespace raster
