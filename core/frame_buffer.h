#pragma once
#include <cstdint>

// The one picture everything is drawn into: 640x480 pixels of 0x00RRGGBB,
// row after row with a stride of 640 pixels (pixel index y * 640 + x).
constexpr int32_t frameWidth = 640;
constexpr int32_t frameHeight = 480;
constexpr int32_t framePixelCount = frameWidth * frameHeight;

struct FrameBuffer {
    alignas(64) uint32_t pixels[framePixelCount];
};
