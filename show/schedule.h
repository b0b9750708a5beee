#pragma once
#include <cstdint>

#include "core/frame_buffer.h"

class MeshSet;
class ParticleField;
class MusicPlayer;
struct GlowSprite;

// The values the schedule changes from frame to frame. The frame step fills
// in playTime and currentRow at the start of every frame.
struct ShowState {
    int32_t barHalfHeight = 0;  // the bars stand at rows 240 - b and 240 + b
    uint8_t titleAlpha = 0;
    uint8_t textFade = 0;       // opacity of the timed words
    uint8_t faceAlpha = 0;      // opacity of the model's faces
    uint8_t glowSize = 1;       // edge of the glow sprite at each face, in pixels
    uint8_t logoAlpha = 255;
    float playTime = 0;         // the song's play time in seconds
    uint8_t currentRow = 0;     // low 8 bits of the song's current row
};

// One timed word of the order positions 2, 3 and 4: drawn on the rows
// firstRow..lastRow, at full opacity from firstRow on, fading afterwards.
struct WordSlot {
    int32_t firstRow;
    int32_t lastRow;
    int32_t y;
    const char* words[3];  // for order positions 2, 3 and 4
    int32_t x[3];          // right-aligned: x + 12 * length = 635
};

constexpr int32_t wordSlotCount = 9;
extern const WordSlot wordSlots[wordSlotCount];

// Rows on which the model moves closer (from order position 2 on).
constexpr int32_t cameraPulseRowCount = 16;
extern const int32_t cameraPulseRows[cameraPulseRowCount];

extern const char* const titleText;
extern const char* const creditCodeText;
extern const char* const creditGraphicsText;

// Order positions 0 to 5: bars, band, title, the turning model and the words.
void drawOpeningStage(ShowState& state, MeshSet& meshes, FrameBuffer& frame, const GlowSprite& glow,
                      ParticleField& particles, const MusicPlayer& music);

// Order positions 6 to 9: the particle cloud between the bars, the credits,
// the logo, then everything closing down.
void drawClosingStage(ShowState& state, MeshSet& meshes, FrameBuffer& frame, const GlowSprite& glow,
                      ParticleField& particles, const MusicPlayer& music);
