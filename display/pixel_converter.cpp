#include "display/pixel_converter.h"

#include <cstring>

// Every converter reads the source as 32-bit values and writes its
// destination byte by byte or through memcpy, so a destination row needs no
// particular alignment (a 24-bit surface's rows rarely have one).

namespace {

inline void store16(uint8_t* destination, uint32_t value) {
    const uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(destination, &v, sizeof v);
}

inline void store32(uint8_t* destination, uint32_t value) {
    std::memcpy(destination, &value, sizeof value);
}

// 0x00RRGGBB -> 0x00BBGGRR. The masked form vectorises in a plain loop; the
// byte swap is quicker where the loop packs pixels and cannot vectorise.
inline uint32_t swapRedBlue(uint32_t p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

inline uint32_t swapRedBlueScalar(uint32_t p) {
    return __builtin_bswap32(p) >> 8;
}

// The 24-bit rows: `order` puts a source pixel's three bytes into memory
// order in its low 24 bits. Four pixels make twelve bytes, written as three
// 32-bit words; the rest of the row goes byte by byte.
template <uint32_t (*order)(uint32_t)>
void convert24(const uint32_t* source, uint8_t* destination, int32_t count) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const uint32_t p0 = order(source[i]), p1 = order(source[i + 1]);
        const uint32_t p2 = order(source[i + 2]), p3 = order(source[i + 3]);
        uint8_t* d = destination + i * 3;
        store32(d, p0 | (p1 << 24));
        store32(d + 4, (p1 >> 8) | (p2 << 16));
        store32(d + 8, (p2 >> 16) | (p3 << 8));
    }
    for (; i < count; ++i) {
        const uint32_t p = order(source[i]);
        uint8_t* d = destination + i * 3;
        d[0] = static_cast<uint8_t>(p);
        d[1] = static_cast<uint8_t>(p >> 8);
        d[2] = static_cast<uint8_t>(p >> 16);
    }
}

inline uint32_t keepOrder(uint32_t p) {
    return p & 0xFFFFFF;
}

}  // namespace

void convertRgb32(const uint32_t* source, uint8_t* destination, int32_t count) {
    if (count > 0) {
        std::memcpy(destination, source, static_cast<size_t>(count) * 4);
    }
}

void convertBgr32(const uint32_t* source, uint8_t* destination, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        store32(destination + i * 4, swapRedBlue(source[i]));
    }
}

void convertRgb24(const uint32_t* source, uint8_t* destination, int32_t count) {
    convert24<keepOrder>(source, destination, count);
}

void convertBgr24(const uint32_t* source, uint8_t* destination, int32_t count) {
    convert24<swapRedBlueScalar>(source, destination, count);
}

void convertRgb565(const uint32_t* source, uint8_t* destination, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        store16(destination + i * 2, ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F));
    }
}

void convertBgr565(const uint32_t* source, uint8_t* destination, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        store16(destination + i * 2, ((p << 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 19) & 0x001F));
    }
}

void convertRgb555(const uint32_t* source, uint8_t* destination, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        store16(destination + i * 2, ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F));
    }
}

void convertBgr555(const uint32_t* source, uint8_t* destination, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        store16(destination + i * 2, ((p << 7) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 19) & 0x001F));
    }
}

const PixelConverterEntry pixelConverterTable[pixelConverterCount] = {
    {"32-bit red high", 32, 0xFF0000, 0xFF00, 0xFF, 4, convertRgb32},
    {"32-bit red low", 32, 0xFF, 0xFF00, 0xFF0000, 4, convertBgr32},
    {"24-bit red high", 24, 0xFF0000, 0xFF00, 0xFF, 3, convertRgb24},
    {"24-bit red low", 24, 0xFF, 0xFF00, 0xFF0000, 3, convertBgr24},
    {"16-bit 5-6-5 red high", 16, 0xF800, 0x7E0, 0x1F, 2, convertRgb565},
    {"16-bit 5-6-5 red low", 16, 0x1F, 0x7E0, 0xF800, 2, convertBgr565},
    {"16-bit 5-5-5 red high", 16, 0x7C00, 0x3E0, 0x1F, 2, convertRgb555},
    {"16-bit 5-5-5 red low", 16, 0x1F, 0x3E0, 0x7C00, 2, convertBgr555},
};

PixelConverter choosePixelConverter(uint32_t bitCount, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    for (const PixelConverterEntry& entry : pixelConverterTable) {
        if (entry.bitCount == bitCount && entry.redMask == redMask && entry.greenMask == greenMask &&
            entry.blueMask == blueMask) {
            return entry.converter;
        }
    }
    return nullptr;
}
