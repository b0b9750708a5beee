#pragma once
#include <cstdint>

// The embedded images: the logo (282 x 91 grey bytes, 0 transparent) and the
// glow sprite's source (64 x 64 pixels of red, green, blue bytes).
constexpr int32_t logoWidth = 282;
constexpr int32_t logoHeight = 91;
constexpr int32_t glowSpriteSize = 64;
extern const unsigned char logoImage[];
extern const unsigned char glowSpriteSource[];

// 64 x 64 pixels of 0x00RRGGBB, indexed y * 64 + x; black is transparent.
struct GlowSprite {
    uint32_t pixels[glowSpriteSize * glowSpriteSize];
};

void unpackGlowSprite(uint32_t* table);

void blitGreyImage(uint32_t* buffer, const unsigned char* image, int32_t centreX, int32_t centreY,
                   int32_t sourceWidth, int32_t sourceHeight, int32_t destinationWidth,
                   int32_t destinationHeight, int32_t alpha);

void blitSpriteAdditive(uint32_t* buffer, const uint32_t* sprite, int32_t centreX, int32_t centreY,
                        int32_t width, int32_t height, uint32_t colourKey, int32_t firstRow,
                        int32_t endRow);

// Reads the play time from the program's MusicPlayer once per row.
void drawShimmerBand(uint32_t* buffer, int32_t alpha, int32_t xa, int32_t xb, int32_t firstRow,
                     int32_t endRow);
