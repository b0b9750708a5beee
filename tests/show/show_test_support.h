#pragma once
// Helpers shared by the show's tests: a small model file, a hand-set song
// position, and checks of what a frame holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/frame_buffer.h"
#include "raster/text.h"

// A 3D Studio file holding one object: a cube of 8 corners, 12 faces, 60 file
// units (3 scene units) from its centre to each side.
inline std::vector<unsigned char> cubeModelFile() {
    std::vector<unsigned char> bytes;
    auto put16 = [&](uint32_t v) {
        bytes.push_back(static_cast<unsigned char>(v));
        bytes.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    auto putFloat = [&](float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        put32(v);
    };
    const float c[8][3] = {{-60, -60, -60}, {60, -60, -60}, {60, 60, -60}, {-60, 60, -60},
                           {-60, -60, 60},  {60, -60, 60},  {60, 60, 60},  {-60, 60, 60}};
    const uint16_t f[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 6, 5}, {4, 7, 6}, {0, 4, 5}, {0, 5, 1},
                               {3, 2, 6}, {3, 6, 7}, {0, 3, 7}, {0, 7, 4}, {1, 5, 6}, {1, 6, 2}};
    const uint32_t vertexChunk = 6 + 2 + 8 * 12;
    const uint32_t faceChunk = 6 + 2 + 12 * 8;
    const uint32_t meshChunk = 6 + vertexChunk + faceChunk;
    const uint32_t objectChunk = 6 + 4 + meshChunk;  // name "box" and its zero
    const uint32_t editorChunk = 6 + objectChunk;
    put16(0x4D4D), put32(6 + editorChunk);
    put16(0x3D3D), put32(editorChunk);
    put16(0x4000), put32(objectChunk);
    bytes.insert(bytes.end(), {'b', 'o', 'x', 0});
    put16(0x4100), put32(meshChunk);
    put16(0x4110), put32(vertexChunk), put16(8);
    for (const auto& corner : c) putFloat(corner[0]), putFloat(corner[1]), putFloat(corner[2]);
    put16(0x4120), put32(faceChunk), put16(12);
    for (const auto& face : f) put16(face[0]), put16(face[1]), put16(face[2]), put16(0);
    return bytes;
}

// The show's grey blend of one channel (alpha 255 falls one short).
inline uint32_t blendGrey(uint32_t background, uint32_t grey, int32_t alpha) {
    auto channel = [&](int shift) {
        const int32_t d = static_cast<int32_t>((background >> shift) & 0xFF);
        const int32_t s = static_cast<int32_t>(grey);
        return static_cast<uint32_t>((d + (((s - d) * alpha) >> 8)) & 0xFF) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

// Checks that `text` stands at (x, y) at exactly `alpha` over a background
// that is one colour per row, read from `backgroundColumn` (which the text
// must not cover). alpha 0 means the rows hold only their background there.
inline ::testing::AssertionResult wordDrawnAt(const FrameBuffer& frame, int32_t x, int32_t y,
                                              const char* text, int32_t alpha,
                                              int32_t backgroundColumn = frameWidth - 1) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    int32_t glyphPixels = 0;
    for (int32_t r = 0; r < glyphHeight; ++r) {
        const uint32_t background = frame.pixels[(y + r) * frameWidth + backgroundColumn];
        for (int32_t i = 0; i < length; ++i) {
            const int32_t glyph = glyphIndex(static_cast<unsigned char>(text[i]));
            for (int32_t j = 0; j < glyphWidth; ++j) {
                const uint32_t grey = glyph < 0 ? 0 : fontStrip[r * fontStripWidth + glyph * glyphWidth + j];
                const int32_t column = x + glyphWidth * i + 1 + j;
                const uint32_t expected = grey == 0 ? background : blendGrey(background, grey, alpha);
                const uint32_t actual = frame.pixels[(y + r) * frameWidth + column];
                if (actual != expected) {
                    return ::testing::AssertionFailure()
                           << "\"" << text << "\" at alpha " << alpha << ": pixel (" << column << ", " << y + r
                           << ") is 0x" << std::hex << actual << ", expected 0x" << expected;
                }
                glyphPixels += grey != 0;
            }
        }
    }
    if (glyphPixels == 0) return ::testing::AssertionFailure() << "\"" << text << "\" has no glyph pixels";
    return ::testing::AssertionSuccess();
}

// Every pixel of rows first..last (inclusive) equals `colour`.
inline ::testing::AssertionResult rowsAre(const FrameBuffer& frame, int32_t first, int32_t last, uint32_t colour) {
    for (int32_t y = first; y <= last; ++y) {
        for (int32_t x = 0; x < frameWidth; ++x) {
            if (frame.pixels[y * frameWidth + x] != colour) {
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x" << std::hex
                                                     << frame.pixels[y * frameWidth + x] << ", expected 0x" << colour;
            }
        }
    }
    return ::testing::AssertionSuccess();
}
