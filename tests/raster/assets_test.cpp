#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "assetgen.h"
#include "raster/blit.h"
#include "raster/text.h"

extern const unsigned int fontStripSize;
extern const unsigned int logoImageSize;
extern const unsigned int glowSpriteSourceSize;

namespace {

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The committed assets are exactly what the generators make, and exactly
// what is compiled into the program.
TEST(Assets, GeneratorsReproduceTheCommittedAndEmbeddedBytes) {
    struct Case {
        const char* file;
        std::vector<unsigned char> generated;
        const unsigned char* embedded;
        unsigned int embeddedSize;
        size_t size;
    } cases[] = {
        {"font.grey", makeFontStrip(), fontStrip, fontStripSize, 480 * 16},
        {"logo.grey", makeLogoImage(), logoImage, logoImageSize, 282 * 91},
        {"glow.rgb", makeGlowSource(), glowSpriteSource, glowSpriteSourceSize, 64 * 64 * 3},
    };
    for (const Case& c : cases) {
        const std::vector<unsigned char> committed = readFile(std::string(LUMEN_SOURCE_DIR) + "/assets/" + c.file);
        EXPECT_EQ(c.generated.size(), c.size) << c.file;
        EXPECT_TRUE(committed == c.generated) << c.file << " differs from its generator's output";
        ASSERT_EQ(c.embeddedSize, c.size) << c.file;
        EXPECT_TRUE(std::equal(c.generated.begin(), c.generated.end(), c.embedded)) << c.file;
    }
}

TEST(Assets, FontGlyphsAreGreyAndDistinct) {
    std::vector<std::vector<unsigned char>> glyphs(40);
    for (int k = 0; k < 40; ++k)
        for (int r = 0; r < 16; ++r)
            for (int j = 0; j < 12; ++j) glyphs[k].push_back(fontStrip[r * 480 + k * 12 + j]);
    EXPECT_TRUE(std::all_of(fontStrip, fontStrip + 480 * 16, [](unsigned char g) { return g <= 239; }));
    EXPECT_TRUE(std::all_of(glyphs[39].begin(), glyphs[39].end(), [](unsigned char g) { return g == 0; }));
    for (int k = 0; k < 39; ++k) {
        EXPECT_TRUE(std::any_of(glyphs[k].begin(), glyphs[k].end(), [](unsigned char g) { return g != 0; })) << k;
        for (int other = 0; other < k; ++other) EXPECT_NE(glyphs[k], glyphs[other]) << k << " and " << other;
    }
}

TEST(Assets, GlowIsRoundCoolAndBlackWhereTransparent) {
    std::vector<uint32_t> glow(64 * 64);
    unpackGlowSprite(glow.data());
    auto at = [&](int x, int y) { return glow[y * 64 + x]; };
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}, {32, 0}, {0, 32}}) EXPECT_EQ(at(x, y), 0u);
    auto brightness = [](uint32_t p) { return ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255); };
    uint32_t brightest = 0;
    for (uint32_t p : glow) brightest = std::max(brightest, brightness(p));
    EXPECT_EQ(brightness(at(31, 31)), brightest);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint32_t p = at(x, y);
            EXPECT_GE(p & 255, (p >> 16) & 255) << x << "," << y;  // never warmer than blue
            EXPECT_EQ(p, at(63 - x, y));                             // symmetric
            EXPECT_EQ(p, at(y, x));
        }
}

TEST(Assets, LogoHasInkAndATransparentBorder) {
    size_t ink = 0;
    for (int i = 0; i < logoWidth * logoHeight; ++i) ink += logoImage[i] != 0 ? 1 : 0;
    EXPECT_GT(ink, size_t{logoWidth * logoHeight / 10});
    for (int x = 0; x < logoWidth; ++x) {
        EXPECT_EQ(logoImage[x], 0) << x;
        EXPECT_EQ(logoImage[(logoHeight - 1) * logoWidth + x], 0) << x;
    }
}

}  // namespace
