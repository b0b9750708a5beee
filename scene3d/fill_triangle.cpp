// Flat triangle filler: the three edges are stepped row by row in 16.16 fixed
// point into a table of the screen's rows, then each row is one span.
#include "core/frame_buffer.h"
#include "raster/pixel_ops.h"
#include "scene3d/mesh.h"

namespace {

struct Corner {
    int32_t x;
    int32_t y;
};

void orderPair(Corner& first, Corner& second) {
    if (first.y > second.y) {
        Corner swapped = first;
        first = second;
        second = swapped;
    }
}

// Steps the edge from `from` to `to` into `column` of the rows it covers that
// are on screen. Rather than walking every row from the top (which could be
// millions of rows for a wild triangle), it starts at the first visible row
// with the x that walking would have reached: the slope added n times with
// 32-bit wrap-around is the same as n times the slope, wrapped.
void stepEdge(int32_t (*table)[2], int column, Corner from, Corner to) {
    if (from.y == to.y) {
        return;
    }
    int64_t rows = static_cast<int64_t>(to.y) - from.y;
    // A 32-bit division truncating toward zero; the difference is taken in
    // 64 bits so extreme corners cannot overflow it.
    uint32_t slope = static_cast<uint32_t>((static_cast<int64_t>(to.x) - from.x) / rows);
    int64_t first = from.y < 0 ? 0 : from.y;
    int64_t last = static_cast<int64_t>(to.y) - 1;
    if (last > frameHeight - 1) {
        last = frameHeight - 1;
    }
    uint32_t x = static_cast<uint32_t>(from.x) +
                 static_cast<uint32_t>(static_cast<uint64_t>(first - from.y) * slope);
    for (int64_t y = first; y <= last; ++y) {
        table[y][column] = static_cast<int32_t>(x);
        x += slope;
    }
}

}  // namespace

void fillTriangle(uint32_t* frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2,
                  int32_t y2, int32_t red, int32_t green, int32_t blue, int32_t alpha) {
    Corner top{x0, y0};
    Corner middle{x1, y1};
    Corner bottom{x2, y2};
    orderPair(top, middle);
    orderPair(top, bottom);
    orderPair(middle, bottom);

    int32_t table[frameHeight][2];
    stepEdge(table, 0, top, middle);
    stepEdge(table, 0, middle, bottom);
    stepEdge(table, 1, top, bottom);

    int32_t first = top.y < 0 ? 0 : top.y;
    int32_t last = bottom.y > frameHeight ? frameHeight : bottom.y;
    for (int32_t y = first; y < last; ++y) {
        // Arithmetic shift: rounds toward minus infinity.
        drawSpan(frame, table[y][0] >> 16, table[y][1] >> 16, y, red, green, blue, alpha);
    }
}
