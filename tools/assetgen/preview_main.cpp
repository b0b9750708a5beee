// Draws the font, the logo and the glow with the show's own raster
// operations into one frame and writes it as a PNG picture:
//   raster_preview <file.png>
#include <cstdio>
#include <vector>

#include "core/frame_buffer.h"
#include "png_writer.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "raster/text.h"

namespace {

FrameBuffer frame;
GlowSprite glow;

// A small deterministic generator for the scattered glows.
uint32_t nextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: raster_preview <file.png>\n");
        return 2;
    }
    uint32_t* pixels = frame.pixels;
    clearFrame(pixels, 0, 0, 0);
    unpackGlowSprite(glow.pixels);

    // Every glyph, then words at full and faded opacity.
    drawText(pixels, 4, 4, "abcdefghijklmnopqrstuvwxyz 1234567890.?!", 255);
    drawText(pixels, 4, 24, "the quick brown fox jumps over the lazy dog.", 255);
    drawText(pixels, 4, 44, "music code graphics demo compo wild intro 64k!", 160);
    drawText(pixels, 4, 64, "are you ready? 2001 party place 42.", 80);

    // A cloud of glows between two bars, with the logo over part of it at
    // full and at low opacity.
    drawSpan(pixels, 0, 640, 99, 120, 120, 140, 255);
    drawSpan(pixels, 0, 640, 380, 120, 120, 140, 255);
    uint32_t state = 12345;
    for (int i = 0; i < 700; ++i) {
        const int x = static_cast<int>(nextRandom(state) % 640);
        const int y = 100 + static_cast<int>(nextRandom(state) % 280);
        const int size = 1 + static_cast<int>(nextRandom(state) % 40);
        blitSpriteAdditive(pixels, glow.pixels, x, y, size, size, 0, 100, 380);
    }
    blitGreyImage(pixels, logoImage, 170, 180, logoWidth, logoHeight, logoWidth, logoHeight, 255);
    blitGreyImage(pixels, logoImage, 470, 180, logoWidth, logoHeight, logoWidth, logoHeight, 96);
    blitGreyImage(pixels, logoImage, 320, 310, logoWidth, logoHeight, logoWidth, logoHeight, 180);

    // The glow at a few sizes on black, and a mesh-like outline.
    const int sizes[] = {4, 8, 16, 32, 64, 96};
    int x = 40;
    for (int size : sizes) {
        blitSpriteAdditive(pixels, glow.pixels, x, 430, size, size, 0, 381, 480);
        x += size + 30;
    }
    drawTriangleOutline(pixels, 470, 400, 620, 420, 520, 470, 10, 100, 200, 255);
    return writeFramePng(argv[1], pixels, frameWidth, frameHeight) ? 0 : 1;
}
