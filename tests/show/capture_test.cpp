// The whole show played through the capture path (virtual display and sound
// device, the mixing passes in step with the frames), with the frames at the
// schedule's telling moments checked as they go by.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "audio/music_player.h"
#include "audio/sound.h"
#include "capture_run.h"
#include "raster/blit.h"
#include "scene3d/mesh.h"
#include "scene3d/particles.h"
#include "show/schedule.h"
#include "show/show.h"
#include "show_test_support.h"
#include "virtual_audio.h"

namespace {

const std::string modelPath = std::string(LUMEN_SOURCE_DIR) + "/assets/spikigbox.3ds";

bool isPulseRow(int32_t row) {
    static const std::set<int32_t> rows = {0, 3, 10, 13, 16, 19, 26, 29, 32, 35, 42, 45, 48, 51, 58, 61};
    return rows.count(row) != 0;
}

TEST(Capture, WholeShowAtThirtyFramesPerSecond) {
    if (!std::filesystem::exists(modelPath)) GTEST_SKIP() << "no model file at " << modelPath;
    CaptureRun run;
    const char* error = nullptr;
    ASSERT_TRUE(captureBegin(run, 30, modelPath.c_str(), &error)) << error;

    std::vector<int16_t> sound;
    int32_t framesAtOrderTwoRowZero = 0;
    int32_t framesAtOrderTwoRowOne = 0;
    int32_t logoOnlyFrames = 0;
    int32_t lastOrder = 0;
    while (true) {
        const ShowState before = showState;
        if (!captureStep(run, &sound)) break;
        ASSERT_LT(run.frameIndex, 30u * 300) << "the show does not end";
        const int32_t order = musicPlayer.getOrder();
        const int32_t row = musicPlayer.getRow();
        ASSERT_GE(order, lastOrder) << "the song never goes back";
        lastOrder = order;
        SCOPED_TRACE(::testing::Message() << "frame " << run.frameIndex - 1 << ", order " << order << " row " << row);

        if (run.frameIndex == 1) {
            EXPECT_EQ(order, 0);
            EXPECT_EQ(showState.barHalfHeight, 1);
            EXPECT_TRUE(rowsAre(frameBuffer, 241, 241, 0x7F7F7F));
            EXPECT_TRUE(rowsAre(frameBuffer, 242, 479, 0));
        }
        // The closer view only on pulse rows, and only from order 2 on.
        const float distance = showMeshes()->meshes[0]->distance;
        EXPECT_EQ(distance, order >= 2 && order <= 5 && isPulseRow(row) ? 18.0f : 20.0f);

        if (order == 2 && row == 0) {
            ++framesAtOrderTwoRowZero;
            EXPECT_TRUE(wordDrawnAt(frameBuffer, 455, 170, "zandivorium2001", 255));
            EXPECT_EQ(showMeshes()->meshes[0]->centreX, 160.0f);
        }
        if (order == 2 && row == 1 && framesAtOrderTwoRowOne < 2) {
            ++framesAtOrderTwoRowOne;
            EXPECT_TRUE(wordDrawnAt(frameBuffer, 455, 170, "zandivorium2001", framesAtOrderTwoRowOne == 1 ? 215 : 175));
        }
        if (order >= 3 && order <= 5) {
            EXPECT_EQ(showMeshes()->meshes[0]->centreX, 106.0f);
        }

        // Once the band has shut, only the logo at its opacity remains.
        if (order >= 6 && before.barHalfHeight == 0) {
            ++logoOnlyFrames;
            FrameBuffer expected{};
            blitGreyImage(expected.pixels, logoImage, 320, 240, logoWidth, logoHeight, logoWidth, logoHeight,
                          before.logoAlpha);
            ASSERT_EQ(std::memcmp(frameBuffer.pixels, expected.pixels, sizeof expected.pixels), 0);
        }
    }
    EXPECT_TRUE(run.finished);
    EXPECT_TRUE(showFinished());
    EXPECT_EQ(musicPlayer.module, nullptr);
    EXPECT_EQ(lastOrder, 9);
    EXPECT_GT(framesAtOrderTwoRowZero, 1);
    EXPECT_EQ(framesAtOrderTwoRowOne, 2);
    EXPECT_GT(logoOnlyFrames, 0);
    EXPECT_EQ(showState.barHalfHeight, 0);
    // What the device played, frame for frame; its first pass of the ring is
    // silence, since nothing is mixed before the device has left a block.
    EXPECT_EQ(virtualAudioUnderruns(), 0u) << "every block was refilled before the device came back to it";
    ASSERT_EQ(sound.size(), run.framesPlayed * 2);
    for (size_t i = 0; i < 8840 * 2; ++i) ASSERT_EQ(sound[i], 0) << i;
    captureEnd(run);
}

// What a device must play: one pass of the ring in silence, then every block
// in the order the mixing thread filled it, each block read right after its
// fill.
std::vector<int16_t> blocksInFillOrder(size_t frames) {
    virtualAudioSetThreaded(false);
    musicPlayer.module = nullptr;
    musicPlayer.start();
    std::vector<int16_t> sound(static_cast<size_t>(ringFrames) * 2, 0);
    uint64_t played = 0;
    while (sound.size() < frames * 2) {
        played += static_cast<uint64_t>(blockLength);
        for (;;) {
            const int32_t block = fillIndex;
            if (!mixingPass(static_cast<uint32_t>(played * 4))) break;
            const int16_t* first = outputRing + static_cast<size_t>(block) * blockLength * 2;
            sound.insert(sound.end(), first, first + blockLength * 2);
        }
    }
    musicPlayer.stop();
    return sound;
}

TEST(Capture, SoundIsTheMixedBlocksInOrderWhateverTheFrameRate) {
    if (!std::filesystem::exists(modelPath)) GTEST_SKIP() << "no model file at " << modelPath;
    auto play = [](int32_t fps, int32_t frames) {
        CaptureRun run;
        std::vector<int16_t> sound;
        EXPECT_TRUE(captureBegin(run, fps, modelPath.c_str(), nullptr));
        for (int32_t i = 0; i < frames && captureStep(run, &sound); ++i) {
        }
        captureEnd(run);
        return sound;
    };
    const std::vector<int16_t> fast = play(60, 60 * 4);
    const std::vector<int16_t> slow = play(7, 7 * 4);
    const std::vector<int16_t> expected = blocksInFillOrder(44100 * 4);
    const size_t common = std::min({fast.size(), slow.size(), expected.size()});
    ASSERT_GT(common, size_t{44100 * 2 * 3});
    auto samePrefix = [&](const std::vector<int16_t>& sound) {
        return std::equal(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(common), expected.begin());
    };
    EXPECT_TRUE(samePrefix(fast));
    EXPECT_TRUE(samePrefix(slow));
    size_t audible = 0;
    for (size_t i = 0; i < common; ++i) audible += fast[i] != 0;
    EXPECT_GT(audible, 0u) << "the song is heard within its first seconds";
}

TEST(Capture, EveryRunScattersTheParticlesAlike) {
    if (!std::filesystem::exists(modelPath)) GTEST_SKIP() << "no model file at " << modelPath;
    auto scatteredBy = [](int32_t fps) {
        CaptureRun run;
        EXPECT_TRUE(captureBegin(run, fps, modelPath.c_str(), nullptr));
        std::vector<float> rest;
        for (const Particle& particle : particleField.particles) {
            rest.insert(rest.end(), {particle.rest.x, particle.rest.y, particle.rest.z});
        }
        captureEnd(run);
        return rest;
    };
    EXPECT_EQ(scatteredBy(60), scatteredBy(25));
}

}  // namespace
