#include "raster/pixel_ops.h"

#include <cstddef>
#include <cstring>

#include "core/frame_buffer.h"
#include "raster/pixel_math.h"

namespace {

using raster::addInto;
using raster::blendInto;
using raster::indexInFrame;

inline int32_t floorShift16(int64_t value) { return static_cast<int32_t>(value >> 16); }

}  // namespace

void fillBytes(void* destination, uint32_t pattern, int32_t byteCount) {
    if (byteCount <= 0) return;
    auto* bytes = static_cast<unsigned char*>(destination);
    const int32_t words = byteCount >> 2;
    for (int32_t i = 0; i < words; ++i) std::memcpy(bytes + static_cast<size_t>(i) * 4, &pattern, 4);
    const int32_t rest = byteCount & 3;
    if (rest > 0) std::memset(bytes + static_cast<size_t>(words) * 4, static_cast<int>(pattern & 255u), static_cast<size_t>(rest));
}

void clearFrame(uint32_t* buffer, int32_t red, int32_t green, int32_t blue) {
    const uint32_t pattern = (static_cast<uint32_t>(red) << 16) + (static_cast<uint32_t>(green) << 8) +
                             static_cast<uint32_t>(blue);
    fillBytes(buffer, pattern, framePixelCount * 4);
}

void blendPixel(int32_t x, int32_t y, uint32_t* buffer, int32_t red, int32_t green, int32_t blue,
                int32_t alpha) {
    int64_t index;
    if (!indexInFrame(x, y, index)) return;
    blendInto(buffer + index, red, green, blue, alpha & 255);
}

void addPixel(int32_t x, int32_t y, uint32_t* buffer, int32_t red, int32_t green, int32_t blue) {
    int64_t index;
    if (!indexInFrame(x, y, index)) return;
    addInto(buffer + index, red, green, blue);
}

void drawSpan(uint32_t* buffer, int32_t xa, int32_t xb, int32_t y, int32_t red, int32_t green,
              int32_t blue, int32_t alpha) {
    if (xa > xb) {
        const int32_t t = xa;
        xa = xb;
        xb = t;
    }
    // Only the columns of the frame are kept; the row is the caller's.
    if (xa < 0) xa = 0;
    if (xb > frameWidth) xb = frameWidth;
    if (xa >= xb) return;
    int64_t index;
    if (!indexInFrame(xa, y, index)) return;  // the whole row lies outside the picture
    uint32_t* pixel = buffer + index;
    alpha &= 255;
    for (int32_t x = xa; x < xb; ++x, ++pixel) blendInto(pixel, red, green, blue, alpha);
}

void drawLine(uint32_t* buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t red,
              int32_t green, int32_t blue, int32_t alpha) {
    // Differences in 64 bits: end points far apart must not overflow.
    const int64_t dx = x1 > x0 ? int64_t{x1} - x0 : int64_t{x0} - x1;
    const int64_t dy = y1 > y0 ? int64_t{y1} - y0 : int64_t{y0} - y1;
    if (dx > dy) {
        if (x0 > x1) {
            int32_t t = x0; x0 = x1; x1 = t;
            t = y0; y0 = y1; y1 = t;
        }
        const int64_t count = dx >> 16;
        const int64_t step = ((int64_t{y1} - y0) * 65536) / dx;
        int32_t column = floorShift16(x0);
        int64_t row = y0;
        for (int64_t i = 0; i < count; ++i) {
            blendPixel(column, floorShift16(row), buffer, red, green, blue, alpha);
            row += step;
            ++column;
        }
    } else {
        if (y0 > y1) {
            int32_t t = x0; x0 = x1; x1 = t;
            t = y0; y0 = y1; y1 = t;
        }
        const int64_t count = dy >> 16;
        const int64_t step = dy == 0 ? 0 : ((int64_t{x1} - x0) * 65536) / dy;
        int32_t row = floorShift16(y0);
        int64_t column = x0;
        for (int64_t i = 0; i < count; ++i) {
            blendPixel(floorShift16(column), row, buffer, red, green, blue, alpha);
            column += step;
            ++row;
        }
    }
}

void drawTriangleOutline(uint32_t* buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                         int32_t x2, int32_t y2, int32_t red, int32_t green, int32_t blue,
                         int32_t alpha) {
    const auto fixed = [](int32_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v) << 16); };
    drawLine(buffer, fixed(x0), fixed(y0), fixed(x1), fixed(y1), red, green, blue, alpha);
    drawLine(buffer, fixed(x1), fixed(y1), fixed(x2), fixed(y2), red, green, blue, alpha);
    drawLine(buffer, fixed(x2), fixed(y2), fixed(x0), fixed(y0), red, green, blue, alpha);
}
