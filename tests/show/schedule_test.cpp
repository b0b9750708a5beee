// The schedule's two stages driven frame by frame with a song position set by
// hand, on a small cube model, without playing any sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "audio/music_player.h"
#include "player/module.h"
#include "raster/blit.h"
#include "raster/text.h"
#include "scene3d/mesh.h"
#include "scene3d/particles.h"
#include "show/schedule.h"
#include "show_test_support.h"

namespace {

MeshSet* meshes = nullptr;
GlowSprite glow;
ParticleField particles;
FrameBuffer frame;
Module song;  // only its position fields are read

class ScheduleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        meshes = new MeshSet();
        const std::vector<unsigned char> file = cubeModelFile();
        meshes->loadMeshFromMemory(file.data(), file.size());
        meshes->addMaterial(10, 100, 200, 128, FilledGlow);
        model().assignMaterial(&meshes->materials[0]);
        unpackGlowSprite(glow.pixels);
        particles.scatter();
    }
    static void TearDownTestSuite() {
        delete meshes;
        meshes = nullptr;
    }
    void SetUp() override {
        state = ShowState{};
        model().centreX = 320.0f;
        model().centreY = 240.0f;
        musicPlayer.module = &song;
        song.playSeconds = 1.5f;
    }
    void TearDown() override { musicPlayer.module = nullptr; }

    static Mesh& model() { return *meshes->meshes[0]; }

    // One frame as the frame step runs it: position read, distance reset,
    // frame cleared, then the stage of that order position.
    void step(int32_t order, int32_t row) {
        song.orderPosition = order;
        song.row = row;
        model().distance = 20.0f;
        state.playTime = musicPlayer.getSeconds();
        state.currentRow = static_cast<uint8_t>(musicPlayer.getRow());
        std::fill(std::begin(frame.pixels), std::end(frame.pixels), 0u);
        if (order <= 5) {
            drawOpeningStage(state, *meshes, frame, glow, particles, musicPlayer);
        } else {
            drawClosingStage(state, *meshes, frame, glow, particles, musicPlayer);
        }
    }

    ShowState state;
};

constexpr uint32_t white128 = 0x7F7F7F;  // a bar at alpha 128 over black

TEST_F(ScheduleTest, FirstFrameOpensTheBarsOneRowEitherSideOfTheCentre) {
    step(0, 0);
    EXPECT_EQ(state.barHalfHeight, 1);
    // The faces are still invisible (alpha 0) and the glows one black pixel,
    // so only the bars and the one row of band between them show.
    EXPECT_TRUE(rowsAre(frame, 0, 238, 0));
    EXPECT_TRUE(rowsAre(frame, 241, 241, white128));
    EXPECT_TRUE(rowsAre(frame, 242, 479, 0));
    for (int32_t x = 0; x < frameWidth; ++x) {
        ASSERT_NE(frame.pixels[239 * frameWidth + x], 0u) << "column " << x << " of the upper bar";
    }
}

TEST_F(ScheduleTest, ValuesStepOncePerFrameOnlyInTheirOwnOrderPositions) {
    // Order 0: the bars open to 80; before row 32 the model stays hidden.
    for (int32_t frameIndex = 1; frameIndex <= 85; ++frameIndex) {
        step(0, 31);
        ASSERT_EQ(state.barHalfHeight, std::min(frameIndex, 80));
    }
    EXPECT_EQ(state.faceAlpha, 0);
    EXPECT_EQ(state.glowSize, 1);
    // From row 32 the faces fade in by 10 up to 130 and the glows grow to 17.
    for (int32_t frameIndex = 1; frameIndex <= 20; ++frameIndex) {
        step(0, 32);
        ASSERT_EQ(state.faceAlpha, std::min(frameIndex * 10, 130));
        ASSERT_EQ(state.glowSize, std::min(1 + frameIndex, 17));
    }
    EXPECT_EQ(state.titleAlpha, 0);
    // Order 1: the title fades in by 20 up to 200; nothing else moves.
    for (int32_t frameIndex = 1; frameIndex <= 12; ++frameIndex) {
        step(1, 40);
        ASSERT_EQ(state.titleAlpha, std::min(frameIndex * 20, 200));
    }
    EXPECT_EQ(state.barHalfHeight, 80);
    EXPECT_EQ(state.faceAlpha, 130);
    // Orders 2 to 4 leave them all alone.
    for (int32_t order = 2; order <= 4; ++order) step(order, 50);
    EXPECT_EQ(state.titleAlpha, 200);
    EXPECT_EQ(state.faceAlpha, 130);
    EXPECT_EQ(state.glowSize, 17);
    // Order 5: nothing before row 32; the title fades from row 32 ...
    step(5, 31);
    EXPECT_EQ(state.titleAlpha, 200);
    for (int32_t frameIndex = 1; frameIndex <= 4; ++frameIndex) step(5, 32);
    EXPECT_EQ(state.titleAlpha, 120);
    EXPECT_EQ(state.faceAlpha, 130);
    // ... and the model from row 48, each stopping at its floor.
    for (int32_t frameIndex = 1; frameIndex <= 20; ++frameIndex) {
        step(5, 48);
        ASSERT_EQ(state.faceAlpha, std::max(130 - frameIndex * 10, 0));
        ASSERT_EQ(state.glowSize, std::max(17 - frameIndex, 1));
    }
    EXPECT_EQ(state.titleAlpha, 0);
    EXPECT_EQ(state.barHalfHeight, 80);
    EXPECT_EQ(state.logoAlpha, 255);
}

TEST_F(ScheduleTest, WordsFlashOnTheirFirstRowAndFadeFrameByFrame) {
    // With the bars closed at the centre, the words' rows hold only the words.
    struct Frame {
        int32_t order;
        int32_t row;
        const char* word;  // null: no word at all on the words' rows
        int32_t x;
        int32_t y;
        int32_t alpha;
    };
    const Frame frames[] = {
        {2, 0, "zandivorium2001", 455, 170, 255}, {2, 0, "zandivorium2001", 455, 170, 255},
        {2, 1, "zandivorium2001", 455, 170, 215}, {2, 1, "zandivorium2001", 455, 170, 175},
        {2, 2, "zandivorium2001", 455, 170, 135}, {2, 3, "zandivorium2001", 455, 170, 255},
        {2, 10, "1999.10.13", 515, 188, 255},     {2, 21, "held at", 551, 242, 215},
        {3, 26, "mp3", 599, 260, 255},            {3, 26, "mp3", 599, 260, 255},
        {3, 27, "mp3", 599, 260, 215},            {3, 27, "mp3", 599, 260, 175},
        {3, 28, "mp3", 599, 260, 135},            {3, 29, "mp3", 599, 260, 95},
        {3, 29, "mp3", 599, 260, 55},             {3, 30, "mp3", 599, 260, 15},
        {3, 31, "mp3", 599, 260, 0},              {3, 31, "mp3", 599, 260, 0},
        {4, 35, "feeling", 551, 296, 255},        {4, 13, "huge bigscreen", 467, 206, 255},
        {4, 6, nullptr, 0, 0, 0},                 {4, 9, nullptr, 0, 0, 0},
        {4, 38, nullptr, 0, 0, 0},                {4, 63, nullptr, 0, 0, 0},
    };
    for (const Frame& f : frames) {
        SCOPED_TRACE(::testing::Message() << "order " << f.order << " row " << f.row);
        step(f.order, f.row);
        if (f.word != nullptr) {
            EXPECT_TRUE(wordDrawnAt(frame, f.x, f.y, f.word, f.alpha));
        } else {
            EXPECT_TRUE(rowsAre(frame, 0, 239, 0));
            EXPECT_TRUE(rowsAre(frame, 241, 479, 0));
        }
    }
}

TEST_F(ScheduleTest, FadeKeepsSteppingOnRowsWithoutWordsAndOnlyInOrdersTwoToFour) {
    step(4, 3);  // reset to 255, then the frame's step
    EXPECT_EQ(state.textFade, 215);
    const uint8_t expected[] = {175, 135, 95, 55, 15, 0, 0};
    for (uint8_t fade : expected) {
        step(4, 7);
        ASSERT_EQ(state.textFade, fade);
    }
    step(2, 0);
    EXPECT_EQ(state.textFade, 215);
    step(1, 0);
    step(5, 0);
    step(6, 0);
    EXPECT_EQ(state.textFade, 215) << "outside orders 2 to 4 the fade keeps its value";
}

TEST_F(ScheduleTest, ModelMovesLeftAtOrderTwoAndStaysThere) {
    struct Frame {
        int32_t order;
        int32_t row;
        float centreX;
        float distance;
    };
    const Frame frames[] = {
        {1, 0, 320, 20}, {1, 3, 320, 20}, {2, 0, 160, 18}, {2, 1, 160, 20},
        {2, 2, 160, 20}, {2, 3, 106, 18}, {2, 4, 106, 20}, {3, 0, 106, 18},
        {4, 3, 106, 18}, {5, 63, 106, 20}, {6, 0, 106, 20}, {9, 3, 106, 20},
    };
    for (const Frame& f : frames) {
        step(f.order, f.row);
        EXPECT_EQ(model().centreX, f.centreX) << "order " << f.order << " row " << f.row;
        EXPECT_EQ(model().distance, f.distance) << "order " << f.order << " row " << f.row;
    }
}

TEST_F(ScheduleTest, ModelPulsesCloserOnlyOnPulseRowsFromOrderTwoOn) {
    const std::set<int32_t> pulseRows = {0, 3, 10, 13, 16, 19, 26, 29, 32, 35, 42, 45, 48, 51, 58, 61};
    for (int32_t order = 0; order <= 5; ++order) {
        for (int32_t row = 0; row < 64; ++row) {
            step(order, row);
            const float expected = order >= 2 && pulseRows.count(row) != 0 ? 18.0f : 20.0f;
            ASSERT_EQ(model().distance, expected) << "order " << order << " row " << row;
        }
    }
}

TEST_F(ScheduleTest, EveryWordIsRightAlignedToColumn635) {
    for (const WordSlot& slot : wordSlots) {
        for (int32_t column = 0; column < 3; ++column) {
            const auto length = static_cast<int32_t>(std::strlen(slot.words[column]));
            EXPECT_EQ(slot.x[column] + 12 * length, 635) << slot.words[column];
            for (const char* c = slot.words[column]; *c != 0; ++c) {
                EXPECT_GE(glyphIndex(static_cast<unsigned char>(*c)), 0) << slot.words[column];
            }
        }
    }
}

TEST_F(ScheduleTest, ClosingStageFadesBarsAndCreditsWithTheBand) {
    struct Case {
        int32_t b;
        int32_t alpha;  // the low 8 bits of b * 1.5, truncated
    };
    for (const Case& c : {Case{80, 120}, Case{3, 4}, Case{1, 1}}) {
        SCOPED_TRACE(::testing::Message() << "b " << c.b);
        state.barHalfHeight = c.b;
        step(6, 0);
        EXPECT_EQ(state.barHalfHeight, c.b) << "the band stays open before order 8";
        // Left of the logo (columns 179 to 460) the lower bar lies on black.
        const uint32_t bar = blendGrey(0, 255, c.alpha);
        for (int32_t x = 0; x < 179; ++x) ASSERT_EQ(frame.pixels[(240 + c.b) * frameWidth + x], bar) << x;
        // With the band wide open the credits stand clear of the logo. The
        // second line lies on the lower bar and black; its last glyph column
        // is column 640, that is column 0 of the row below.
        if (c.b == 80) {
            EXPECT_TRUE(wordDrawnAt(frame, 0, 224 - c.b, creditCodeText, c.alpha, 639));
            EXPECT_TRUE(wordDrawnAt(frame, 232, 320, "graphics and design made by dravi", c.alpha, 100));
            const int32_t k = glyphIndex('k');
            for (int32_t r = 0; r < glyphHeight; ++r) {
                const uint32_t grey = fontStrip[r * fontStripWidth + k * glyphWidth + 11];
                EXPECT_EQ(frame.pixels[(321 + r) * frameWidth], grey == 0 ? 0 : blendGrey(0, grey, c.alpha));
            }
        }
    }
}

TEST_F(ScheduleTest, BandClosesFromOrderEightAndLogoFadesInOrderNine) {
    state.barHalfHeight = 80;
    step(6, 10);
    step(7, 10);
    EXPECT_EQ(state.barHalfHeight, 80);
    for (int32_t frameIndex = 1; frameIndex <= 90; ++frameIndex) {
        step(8, 10);
        ASSERT_EQ(state.barHalfHeight, std::max(80 - frameIndex, 0));
    }
    EXPECT_EQ(state.logoAlpha, 255);
    for (int32_t frameIndex = 1; frameIndex <= 260; ++frameIndex) {
        step(9, 10);
        ASSERT_EQ(state.logoAlpha, std::max(255 - frameIndex, 0));
    }
}

TEST_F(ScheduleTest, OnceTheBandHasClosedOnlyTheLogoRemains) {
    for (int32_t order : {6, 8, 9}) {
        state = ShowState{};
        state.logoAlpha = 200;
        step(order, 5);
        FrameBuffer expected{};
        blitGreyImage(expected.pixels, logoImage, 320, 240, logoWidth, logoHeight, logoWidth, logoHeight, 200);
        EXPECT_EQ(std::memcmp(frame.pixels, expected.pixels, sizeof frame.pixels), 0) << "order " << order;
    }
}

}  // namespace
