#pragma once
#include <cstdint>

// The frame buffer's pixel operations. `buffer` is the 640x480 picture of
// 0x00RRGGBB pixels (FrameBuffer::pixels). Colours use the low 8 bits of each
// channel; alpha 0 leaves a pixel unchanged, 255 is the strongest.

void fillBytes(void* destination, uint32_t pattern, int32_t byteCount);
void clearFrame(uint32_t* buffer, int32_t red, int32_t green, int32_t blue);
void blendPixel(int32_t x, int32_t y, uint32_t* buffer, int32_t red, int32_t green, int32_t blue,
                int32_t alpha);
void addPixel(int32_t x, int32_t y, uint32_t* buffer, int32_t red, int32_t green, int32_t blue);
void drawSpan(uint32_t* buffer, int32_t xa, int32_t xb, int32_t y, int32_t red, int32_t green,
              int32_t blue, int32_t alpha);
// End points in 16.16 fixed point.
void drawLine(uint32_t* buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t red,
              int32_t green, int32_t blue, int32_t alpha);
// Corners in whole pixels.
void drawTriangleOutline(uint32_t* buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                         int32_t x2, int32_t y2, int32_t red, int32_t green, int32_t blue,
                         int32_t alpha);
