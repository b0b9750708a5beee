#include "display/pixel_converter.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// Builds a destination pixel from its masks the long way: each channel keeps
// its top bits and moves to where its mask says. Independent of the
// converters' shift arithmetic.
uint32_t packByMasks(uint32_t source, const PixelConverterEntry& entry) {
    const uint32_t channels[3] = {(source >> 16) & 0xFF, (source >> 8) & 0xFF, source & 0xFF};
    const uint32_t masks[3] = {entry.redMask, entry.greenMask, entry.blueMask};
    uint32_t value = 0;
    for (int c = 0; c < 3; ++c) {
        const int bits = std::popcount(masks[c]);
        const int shift = std::countr_zero(masks[c]);
        value |= (channels[c] >> (8 - bits)) << shift;
    }
    return value;
}

std::vector<uint8_t> convert(const PixelConverterEntry& entry, const std::vector<uint32_t>& source,
                             uint8_t fill = 0xCD, size_t slack = 8) {
    std::vector<uint8_t> out(source.size() * entry.bytesPerPixel + slack, fill);
    entry.converter(source.data(), out.data(), static_cast<int32_t>(source.size()));
    return out;
}

uint32_t readPixel(const std::vector<uint8_t>& bytes, size_t index, uint32_t bytesPerPixel) {
    uint32_t value = 0;
    for (uint32_t b = 0; b < bytesPerPixel; ++b) {
        value |= static_cast<uint32_t>(bytes[index * bytesPerPixel + b]) << (8 * b);
    }
    return value;
}

struct Example {
    const char* layout;
    uint32_t bitCount, red, green, blue;
    std::vector<uint8_t> from123456;  // bytes in memory order
    uint32_t fromWhite;
};

const Example examples[] = {
    {"32 red high", 32, 0xFF0000, 0xFF00, 0xFF, {0x56, 0x34, 0x12, 0x00}, 0x00FFFFFF},
    {"32 red low", 32, 0xFF, 0xFF00, 0xFF0000, {0x12, 0x34, 0x56, 0x00}, 0x00FFFFFF},
    {"24 red high", 24, 0xFF0000, 0xFF00, 0xFF, {0x56, 0x34, 0x12}, 0xFFFFFF},
    {"24 red low", 24, 0xFF, 0xFF00, 0xFF0000, {0x12, 0x34, 0x56}, 0xFFFFFF},
    {"565 red high", 16, 0xF800, 0x7E0, 0x1F, {0xAA, 0x11}, 0xFFFF},
    {"565 red low", 16, 0x1F, 0x7E0, 0xF800, {0xA2, 0x51}, 0xFFFF},
    {"555 red high", 16, 0x7C00, 0x3E0, 0x1F, {0xCA, 0x08}, 0x7FFF},
    {"555 red low", 16, 0x1F, 0x3E0, 0x7C00, {0xC2, 0x28}, 0x7FFF},
};

TEST(PixelConverter, KnownValuesInEveryLayout) {
    for (const Example& e : examples) {
        SCOPED_TRACE(e.layout);
        const PixelConverter converter = choosePixelConverter(e.bitCount, e.red, e.green, e.blue);
        ASSERT_NE(converter, nullptr);
        const uint32_t bytes = e.bitCount / 8;

        const uint32_t source[2] = {0x00123456, 0x00FFFFFF};
        std::vector<uint8_t> out(2 * bytes + 4, 0xCD);
        converter(source, out.data(), 2);

        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + bytes), e.from123456);
        EXPECT_EQ(readPixel(out, 1, bytes), e.fromWhite);
        // Exactly two pixels written, nothing after them.
        for (size_t i = 2 * bytes; i < out.size(); ++i) {
            EXPECT_EQ(out[i], 0xCD) << "byte " << i;
        }
    }
}

TEST(PixelConverter, EachPixelFollowsOnlyItsOwnSource) {
    // Every channel value appears in every position, and neighbours differ.
    std::vector<uint32_t> row(777);
    for (size_t i = 0; i < row.size(); ++i) {
        const uint32_t n = static_cast<uint32_t>(i);
        row[i] = ((n * 7) & 0xFF) << 16 | ((n * 13 + 5) & 0xFF) << 8 | ((n * 29 + 11) & 0xFF);
    }
    row[0] = 0;
    row[1] = 0x00FFFFFF;
    row[2] = 0xFF000000;  // a stray top byte stays out of 16- and 24-bit pixels

    for (const PixelConverterEntry& entry : pixelConverterTable) {
        SCOPED_TRACE(entry.name);
        const std::vector<uint8_t> out = convert(entry, row);
        for (size_t i = 0; i < row.size(); ++i) {
            uint32_t expected = packByMasks(row[i], entry);
            if (entry.converter == convertRgb32) {
                expected = row[i];  // the plain copy keeps all 32 bits
            }
            ASSERT_EQ(readPixel(out, i, entry.bytesPerPixel), expected) << "pixel " << i;
        }
    }
}

TEST(PixelConverter, CountZeroOrNegativeWritesNothingAndAnyAlignmentWorks) {
    const uint32_t source[5] = {0x00123456, 0x00ABCDEF, 0x00010203, 0x00FFFFFF, 0};
    for (const PixelConverterEntry& entry : pixelConverterTable) {
        SCOPED_TRACE(entry.name);
        std::array<uint8_t, 64> out;
        out.fill(0xCD);
        entry.converter(source, out.data(), 0);
        entry.converter(source, out.data(), -3);
        for (uint8_t b : out) {
            ASSERT_EQ(b, 0xCD);
        }

        // An odd destination address converts the same as an aligned one.
        std::array<uint8_t, 64> aligned{};
        entry.converter(source, aligned.data(), 5);
        entry.converter(source, out.data() + 1, 5);
        EXPECT_EQ(out[0], 0xCD);
        EXPECT_EQ(0, std::memcmp(out.data() + 1, aligned.data(), 5 * entry.bytesPerPixel));
        EXPECT_EQ(out[1 + 5 * entry.bytesPerPixel], 0xCD);
    }
}

TEST(ChoosePixelConverter, MatchesOnlyExactLayouts) {
    struct Case {
        uint32_t bitCount, red, green, blue;
        PixelConverter expected;
    };
    const Case cases[] = {
        {32, 0xFF0000, 0xFF00, 0xFF, convertRgb32},
        {32, 0xFF, 0xFF00, 0xFF0000, convertBgr32},
        {24, 0xFF0000, 0xFF00, 0xFF, convertRgb24},
        {24, 0xFF, 0xFF00, 0xFF0000, convertBgr24},
        {16, 0xF800, 0x7E0, 0x1F, convertRgb565},
        {16, 0x1F, 0x7E0, 0xF800, convertBgr565},
        {16, 0x7C00, 0x3E0, 0x1F, convertRgb555},
        {16, 0x1F, 0x3E0, 0x7C00, convertBgr555},
        // The right masks in the wrong order.
        {16, 0x7E0, 0xF800, 0x1F, nullptr},
        {32, 0xFF00, 0xFF0000, 0xFF, nullptr},
        // Masks of one size with the bit count of another.
        {32, 0xF800, 0x7E0, 0x1F, nullptr},
        {24, 0xF800, 0x7E0, 0x1F, nullptr},
        {16, 0xFF0000, 0xFF00, 0xFF, nullptr},
        // 5-5-5 only when reported as 16 bits.
        {15, 0x7C00, 0x3E0, 0x1F, nullptr},
        {15, 0x1F, 0x3E0, 0x7C00, nullptr},
        // Palette modes and nonsense.
        {8, 0, 0, 0, nullptr},
        {8, 0xE0, 0x1C, 0x3, nullptr},
        {0, 0, 0, 0, nullptr},
        {64, 0xFF0000, 0xFF00, 0xFF, nullptr},
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, nullptr},
        // An alpha bit in a colour mask.
        {32, 0xFFFF0000, 0xFF00, 0xFF, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(choosePixelConverter(c.bitCount, c.red, c.green, c.blue), c.expected)
            << c.bitCount << " bits, masks " << std::hex << c.red << " " << c.green << " " << c.blue;
    }
}

}  // namespace
