#pragma once
#include <cstdint>

#include "display/display_platform.h"

// The SDL texture formats the display tries for its back buffer, in order:
// the 32-bit layouts, then 24, then 16.
constexpr int32_t sdlTextureFormatCount = 10;
extern const uint32_t sdlTextureFormats[sdlTextureFormatCount];

// The layout the display reports for an SDL pixel format: the bit count is
// the storage size of a pixel (a 5-5-5 pixel takes 16 bits) and any alpha is
// left out. False for formats without red, green and blue masks.
bool sdlPixelLayout(uint32_t format, PixelLayout* layout);
