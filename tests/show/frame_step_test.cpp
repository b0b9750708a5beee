// The show's start-up and frame step on the virtual display and sound device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "audio/music_player.h"
#include "core/platform.h"
#include "display/display.h"
#include "player/module.h"
#include "raster/blit.h"
#include "scene3d/mesh.h"
#include "show/schedule.h"
#include "show/show.h"
#include "show_test_support.h"
#include "virtual_audio.h"
#include "virtual_display.h"

namespace {

Module song;  // a hand-set position; only its position fields are read
int32_t showEnds = 0;

void countShowEnd() {
    ++showEnds;
}

std::string cubeModelPath() {
    const auto path = std::filesystem::temp_directory_path() / "lumen-show-test-cube.3ds";
    const std::vector<unsigned char> bytes = cubeModelFile();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path.string();
}

class FrameStepTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        virtualAudioSetThreaded(false);
        prepareShowWithModel(cubeModelPath().c_str());
    }
    void SetUp() override {
        rewindShow();
        showEnds = 0;
        setShowEndHandler(countShowEnd);
        musicPlayer.module = &song;
        song.playSeconds = 0.5f;
    }
    void TearDown() override {
        if (musicPlayer.module == &song) musicPlayer.module = nullptr;
        if (musicPlayer.module != nullptr) musicPlayer.stop();
        setShowEndHandler(nullptr);
    }
    static void frameAt(int32_t order, int32_t row) {
        song.orderPosition = order;
        song.row = row;
        drawShowFrame();
    }
    static Mesh& model() { return *showMeshes()->meshes[0]; }
};

TEST_F(FrameStepTest, PrepareSetsUpTheModelItsMaterialAndTheGlow) {
    MeshSet& set = *showMeshes();
    ASSERT_EQ(set.meshCount, 1);
    ASSERT_EQ(set.materialCount, 1);
    const Material& material = set.materials[0];
    EXPECT_EQ(material.red, 10);
    EXPECT_EQ(material.green, 100);
    EXPECT_EQ(material.blue, 200);
    EXPECT_EQ(material.outlineAlpha, 128);
    EXPECT_EQ(material.mode, FilledGlow);
    EXPECT_EQ(model().centreX, 320.0f);
    EXPECT_EQ(model().centreY, 240.0f);
    ASSERT_EQ(model().faceCount, 12);
    for (int32_t i = 0; i < model().faceCount; ++i) EXPECT_EQ(model().faces[i].material, &set.materials[0]);
    GlowSprite fresh{};
    unpackGlowSprite(fresh.pixels);
    EXPECT_EQ(std::memcmp(fresh.pixels, glowSprite.pixels, sizeof fresh.pixels), 0);
}

TEST_F(FrameStepTest, FirstFrameClearsThePictureAndOpensTheBars) {
    std::fill(std::begin(frameBuffer.pixels), std::end(frameBuffer.pixels), 0xABCDEFu);
    frameAt(0, 0);
    EXPECT_EQ(showState.barHalfHeight, 1);
    EXPECT_TRUE(rowsAre(frameBuffer, 0, 238, 0));
    EXPECT_TRUE(rowsAre(frameBuffer, 241, 241, 0x7F7F7F));
    EXPECT_TRUE(rowsAre(frameBuffer, 242, 479, 0));
}

TEST_F(FrameStepTest, CloserViewOnAPulseRowNeverCarriesIntoTheNextFrame) {
    const struct {
        int32_t order;
        int32_t row;
        float distance;
    } frames[] = {{2, 0, 18}, {2, 1, 20}, {2, 3, 18}, {0, 0, 20}, {3, 61, 18}, {6, 61, 20}, {2, 62, 20}};
    for (const auto& f : frames) {
        frameAt(f.order, f.row);
        EXPECT_EQ(model().distance, f.distance) << "order " << f.order << " row " << f.row;
    }
}

TEST_F(FrameStepTest, ClosingSceneWithTheBandShutShowsOnlyTheLogoOnBlack) {
    std::fill(std::begin(frameBuffer.pixels), std::end(frameBuffer.pixels), 0xABCDEFu);
    frameAt(7, 20);
    FrameBuffer expected{};
    blitGreyImage(expected.pixels, logoImage, 320, 240, logoWidth, logoHeight, logoWidth, logoHeight, 255);
    EXPECT_EQ(std::memcmp(frameBuffer.pixels, expected.pixels, sizeof expected.pixels), 0);
}

TEST_F(FrameStepTest, MusicStopsExactlyOnceWhenTheSongLeavesItsLastScheduledPosition) {
    musicPlayer.module = nullptr;
    ASSERT_TRUE(musicPlayer.start());
    ASSERT_NE(musicPlayer.module, nullptr) << "the embedded song must load";
    frameAt(0, 0);  // the hand-set song is not consulted any more
    drawShowFrame();
    EXPECT_EQ(showEnds, 0);
    musicPlayer.module->orderPosition = 10;
    drawShowFrame();
    EXPECT_EQ(showEnds, 1);
    EXPECT_TRUE(showFinished());
    EXPECT_EQ(musicPlayer.module, nullptr) << "the song is stopped and freed";
    // The stopped player would answer order 0 and the show would begin anew:
    // nothing more is drawn and the player is not stopped again.
    std::fill(std::begin(frameBuffer.pixels), std::end(frameBuffer.pixels), 0xABCDEFu);
    for (int i = 0; i < 3; ++i) drawShowFrame();
    EXPECT_EQ(showEnds, 1);
    EXPECT_TRUE(rowsAre(frameBuffer, 0, 479, 0xABCDEF));
}

void reportDisplayAtExit(int code) {
    std::fprintf(stderr, "exit %d with the display %s\n", code, virtualDisplay.open ? "open" : "released");
}

TEST_F(FrameStepTest, AtTheSongsEndTheProgramReleasesTheDisplayAndExitsWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            virtualDisplayReset();
            virtualProcess.exitHook = reportDisplayAtExit;
            setShowEndHandler(nullptr);
            musicPlayer.module = nullptr;
            if (!openDisplay("quorbel::lumen", 640, 480) || !musicPlayer.start()) std::_Exit(3);
            musicPlayer.module->orderPosition = 10;
            for (;;) {
                drawShowFrame();
                presentFrame(frameBuffer.pixels);
            }
        },
        ::testing::ExitedWithCode(0), "exit 0 with the display released");
}

TEST(ShowStartUp, MissingModelFileTellsTheUserAndEndsBeforeTheDisplayOpens) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            virtualDisplayReset();
            prepareShowWithModel("/nonexistent-folder/spikigbox.3ds");
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(1), "cannot open 3ds-file");
}

}  // namespace
