#include <cmath>

#include "audio/music_player.h"
#include "core/frame_buffer.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"

// Kept apart from the other blits so that drawing sprites and images does not
// pull the music player into a program.
void drawShimmerBand(uint32_t* buffer, int32_t alpha, int32_t xa, int32_t xb, int32_t firstRow,
                     int32_t endRow) {
    // Rows outside the picture would draw nothing; skipping them keeps a wild
    // range from looping for billions of rows.
    if (firstRow < 0) firstRow = 0;
    if (endRow > frameHeight) endRow = frameHeight;
    for (int32_t y = firstRow; y < endRow; ++y) {
        // Asked once per row: the mixing thread moves the clock meanwhile.
        const double t = musicPlayer.getSeconds();
        const double q = static_cast<double>(y / 20);
        const auto v = static_cast<int32_t>((std::sin(std::cos(static_cast<double>(y)) * (t * 10.0) + q) + 1.0) * 127.0);
        drawSpan(buffer, xa, xb, y, v, v, v, alpha);
    }
}
