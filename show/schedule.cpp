#include "show/schedule.h"

#include "audio/music_player.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "raster/text.h"
#include "scene3d/mesh.h"
#include "scene3d/particles.h"

// Order position 2 brings the event, dates and venue, 3 the competitions and
// 4 the features; each x puts the word's right edge on column 635.
const WordSlot wordSlots[wordSlotCount] = {
    {0, 2, 170, {"zandivorium2001", "compos", "features"}, {455, 563, 539}},
    {3, 5, 170, {"zandivorium2001", "compos", "features"}, {455, 563, 539}},
    {10, 12, 188, {"1999.10.13", "demo", "102 puter places"}, {515, 587, 443}},
    {13, 15, 206, {"to", "64k", "huge bigscreen"}, {611, 599, 467}},
    {16, 18, 224, {"1999.10.15", "pixel", "live dj acts"}, {515, 575, 491}},
    {19, 21, 242, {"held at", "raytrace", "scene feeling"}, {551, 539, 479}},
    {26, 31, 260, {"kelmo high school", "mp3", "pure"}, {431, 599, 587}},
    {32, 34, 278, {"kelmo", "wild", "scene"}, {575, 587, 575}},
    {35, 37, 296, {"zembria", "suprises", "feeling"}, {551, 539, 551}},
};

const int32_t cameraPulseRows[cameraPulseRowCount] = {0,  3,  10, 13, 16, 19, 26, 29,
                                                      32, 35, 42, 45, 48, 51, 58, 61};

const char* const titleText = "zandivorium 2001 party";
const char* const creditCodeText = "code and music made by yulo";
const char* const creditGraphicsText = "graphics and design made by dravik";

namespace {

constexpr int32_t centreRow = 240;
constexpr int32_t barsMaxHalfHeight = 80;
constexpr int32_t bandAlpha = 32;
constexpr int32_t fixedOne = 65536;  // one pixel in 16.16

// A white line across the whole width of one row.
void drawBar(FrameBuffer& frame, int32_t row, int32_t alpha) {
    drawLine(frame.pixels, 0, row * fixedOne, frameWidth * fixedOne, row * fixedOne, 255, 255, 255,
             alpha);
}

bool isCameraPulseRow(int32_t row) {
    for (int32_t pulseRow : cameraPulseRows) {
        if (pulseRow == row) return true;
    }
    return false;
}

// The word slots of order position 2, 3 or 4 (column 0, 1 or 2 of the table),
// then one step of the fade.
void drawWords(ShowState& state, FrameBuffer& frame, int32_t column) {
    const int32_t row = state.currentRow;
    for (const WordSlot& slot : wordSlots) {
        if (row == slot.firstRow) state.textFade = 255;
        if (row >= slot.firstRow && row <= slot.lastRow) {
            drawText(frame.pixels, slot.x[column], slot.y, slot.words[column], state.textFade);
        }
    }
    state.textFade = state.textFade >= 40 ? static_cast<uint8_t>(state.textFade - 40) : 0;
}

// Steps down by `step` and stops at `floor`; the rising steps only ever reach
// multiples of the step, so this never wraps below the floor.
uint8_t stepDown(uint8_t value, int32_t step, int32_t floor) {
    return value - step >= floor ? static_cast<uint8_t>(value - step) : static_cast<uint8_t>(floor);
}

}  // namespace

void drawOpeningStage(ShowState& state, MeshSet& meshes, FrameBuffer& frame, const GlowSprite& glow,
                      ParticleField& /*particles*/, const MusicPlayer& music) {
    int32_t& b = state.barHalfHeight;
    const int32_t r = state.currentRow;
    const double t = state.playTime;

    // Bars opening, then the model fading in with growing glows.
    if (music.getOrder() == 0) {
        if (b < barsMaxHalfHeight) ++b;
        if (r >= 32) {
            if (state.faceAlpha < 128) state.faceAlpha = static_cast<uint8_t>(state.faceAlpha + 10);
            if (state.glowSize <= 16) state.glowSize = static_cast<uint8_t>(state.glowSize + 1);
        }
    }
    if (music.getOrder() == 1 && state.titleAlpha < 200) {
        state.titleAlpha = static_cast<uint8_t>(state.titleAlpha + 20);
    }

    drawBar(frame, centreRow - b, 128);
    drawBar(frame, centreRow + b, 128);
    drawShimmerBand(frame.pixels, bandAlpha, 0, frameWidth, centreRow - b, centreRow + b);
    drawText(frame.pixels, 193, 144, titleText, state.titleAlpha);

    Mesh* model = meshes.meshCount > 0 ? meshes.meshes[0] : nullptr;
    if (model != nullptr) {
        // Absolute angles: the stored shape is turned anew every frame.
        model->rotate(static_cast<float>(t * 0.6666666666666666), static_cast<float>(t * 0.33333334),
                      static_cast<float>(t * 0.5));
        if (music.getOrder() == 2) {
            if (r == 0) model->centreX = 160.0f;
            if (r == 3) model->centreX = 106.0f;
        }
    }

    const int32_t wordOrder = music.getOrder();
    if (wordOrder >= 2 && wordOrder <= 4) drawWords(state, frame, wordOrder - 2);

    // The breakdown: the model fades and its glows shrink, the title fades.
    if (music.getOrder() == 5) {
        if (music.getRow() >= 48) {
            if (state.faceAlpha > 0) state.faceAlpha = stepDown(state.faceAlpha, 10, 0);
            if (state.glowSize > 1) state.glowSize = stepDown(state.glowSize, 1, 1);
        }
        if (music.getRow() >= 32 && state.titleAlpha > 0) {
            state.titleAlpha = stepDown(state.titleAlpha, 20, 0);
        }
    }

    if (model != nullptr) {
        if (music.getOrder() >= 2 && isCameraPulseRow(r)) model->distance = 18.0f;
        meshes.render(frame.pixels, glow.pixels, state.faceAlpha, state.glowSize);
    }
}

void drawClosingStage(ShowState& state, MeshSet& /*meshes*/, FrameBuffer& frame,
                      const GlowSprite& glow, ParticleField& particles, const MusicPlayer& music) {
    int32_t& b = state.barHalfHeight;
    const double t = state.playTime;

    if (b != 0) {
        particles.rotate(static_cast<float>(t * 0.5), state.playTime,
                         static_cast<float>(t * 0.33333334));
        particles.draw(frame.pixels, glow.pixels, centreRow - b, centreRow + b);
        drawShimmerBand(frame.pixels, bandAlpha, 0, frameWidth, centreRow - b, centreRow + b);
        // The credits and bars fade with the band as it closes: b = 80 gives 120.
        const int32_t a = static_cast<int32_t>(b * 1.5) & 0xFF;
        drawBar(frame, centreRow - b, a);
        drawBar(frame, centreRow + b, a);
        drawText(frame.pixels, 0, 224 - b, creditCodeText, a);
        drawText(frame.pixels, 232, centreRow + b, creditGraphicsText, a);
    }

    blitGreyImage(frame.pixels, logoImage, 320, 240, logoWidth, logoHeight, logoWidth, logoHeight,
                  state.logoAlpha);

    if (music.getOrder() >= 8 && b > 0) --b;
    if (music.getOrder() == 9 && state.logoAlpha > 0) --state.logoAlpha;
}
