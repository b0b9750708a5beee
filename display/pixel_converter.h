#pragma once
#include <cstdint>

// Converts one row of 0x00RRGGBB source pixels into the display's own layout.
// Writes exactly `count` destination pixels one after the other, touching
// nothing else; a count of 0 or less writes nothing.
using PixelConverter = void (*)(const uint32_t* source, uint8_t* destination, int32_t count);

// The eight layouts. "Red high" means red in the high bits of the pixel value
// (0xFF0000, 0xF800, 0x7C00), "red low" means red in the low bits.
void convertRgb32(const uint32_t* source, uint8_t* destination, int32_t count);   // 32, red high
void convertBgr32(const uint32_t* source, uint8_t* destination, int32_t count);   // 32, red low
void convertRgb24(const uint32_t* source, uint8_t* destination, int32_t count);   // 24, bytes B G R
void convertBgr24(const uint32_t* source, uint8_t* destination, int32_t count);   // 24, bytes R G B
void convertRgb565(const uint32_t* source, uint8_t* destination, int32_t count);  // 16, 5-6-5 red high
void convertBgr565(const uint32_t* source, uint8_t* destination, int32_t count);  // 16, 5-6-5 red low
void convertRgb555(const uint32_t* source, uint8_t* destination, int32_t count);  // 16, 5-5-5 red high
void convertBgr555(const uint32_t* source, uint8_t* destination, int32_t count);  // 16, 5-5-5 red low

// One supported layout: what the display reports for it, and its converter.
struct PixelConverterEntry {
    const char* name;
    uint32_t bitCount;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    uint32_t bytesPerPixel;
    PixelConverter converter;
};

// The eight layouts, 32-bit ones first, then 24, then 16.
constexpr int32_t pixelConverterCount = 8;
extern const PixelConverterEntry pixelConverterTable[pixelConverterCount];

// Picks the converter whose bit count and three masks all match exactly, or
// returns null. Only bit counts 32, 24 and 16 are recognised (a 5-5-5 layout
// must be reported as 16 bits, not 15).
PixelConverter choosePixelConverter(uint32_t bitCount, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
