// One pass of the embedded song through the player's loader, sequencer and
// mixer, tick by tick as the mixing thread drives it: its length is what
// the show is timed against, it never clips, it sits at a sensible loudness
// and it has faded to silence when the show ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/memory_file.h"
#include "audio/mixer.h"
#include "audio/stream.h"
#include "player/loader.h"
#include "player/sequencer.h"

namespace {

constexpr int64_t framesPerRow = 8 * 882;
constexpr int64_t framesPerOrder = 64 * framesPerRow;

struct Pass {
    std::vector<int16_t> output;  // stereo frames, left then right
    int64_t clippedValues = 0;
    int32_t ordersPlayed = 0;
};

class EmbeddedSongPass : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, memoryFileSeek, memoryFileTell);
        mixerSetRate(44100);
        ASSERT_TRUE(voicesCreate());
        module = moduleLoad(nullptr, nullptr);
        ASSERT_NE(module, nullptr);
        ASSERT_TRUE(modulePlay(module));
        pass = new Pass;
        render(*pass);
    }

    static void TearDownTestSuite() {
        moduleFree(module);
        voicesRelease();
        delete pass;
        pass = nullptr;
        module = nullptr;
    }

    // Ticks and mixes until play comes back to order 0, row 0 (the restart
    // after the last order position), with a limit well beyond one pass.
    static void render(Pass& p) {
        std::vector<float> block;
        bool left = false;
        for (int tick = 0; tick < 2 * 11 * 64 * 8; ++tick) {
            if (module->tick == 0 && left && module->nextOrder == 0 && module->nextRow == 0) break;
            moduleTick(module);
            if (module->orderPosition != 0) left = true;
            const int32_t frames = module->samplesPerTick;
            block.assign(static_cast<size_t>(frames) * 2, 0.0f);
            mixVoices(block.data(), &voiceList, frames);
            for (float v : block) {
                const float rounded = std::nearbyint(v);
                if (rounded >= 32767.0f || rounded <= -32768.0f) ++p.clippedValues;
            }
            const size_t at = p.output.size();
            p.output.resize(at + block.size());
            convertBlock(p.output.data() + at, block.data(), frames);
        }
    }

    static double rmsDbfs(int64_t fromFrame, int64_t toFrame) {
        double sum = 0.0;
        for (int64_t i = fromFrame * 2; i < toFrame * 2; ++i) {
            const double v = pass->output[static_cast<size_t>(i)];
            sum += v * v;
        }
        const double rms = std::sqrt(sum / static_cast<double>((toFrame - fromFrame) * 2));
        return 20.0 * std::log10(rms / 32768.0 + 1e-12);
    }

    static Module* module;
    static Pass* pass;
};

Module* EmbeddedSongPass::module = nullptr;
Pass* EmbeddedSongPass::pass = nullptr;

TEST_F(EmbeddedSongPass, LoadsWithTheEmptyPatternEight) {
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->patternCount, 9);
    EXPECT_EQ(module->patterns[8].rowCount, 64);
    EXPECT_EQ(module->samplesPerTick, 882);
}

TEST_F(EmbeddedSongPass, OnePassLastsElevenPatternsOfSixtyFourRows) {
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(static_cast<int64_t>(pass->output.size() / 2), 11 * framesPerOrder);  // 4967424 frames, 112.64 s
}

TEST_F(EmbeddedSongPass, NeverClipsAndSitsAtASensibleLoudness) {
    ASSERT_NE(pass, nullptr);
    ASSERT_EQ(static_cast<int64_t>(pass->output.size() / 2), 11 * framesPerOrder);
    EXPECT_EQ(pass->clippedValues, 0);
    const double whole = rmsDbfs(0, 11 * framesPerOrder);
    EXPECT_GT(whole, -20.0);
    EXPECT_LT(whole, -12.0);
}

TEST_F(EmbeddedSongPass, HasFadedToSilenceWhenTheShowEnds) {
    ASSERT_NE(pass, nullptr);
    ASSERT_EQ(static_cast<int64_t>(pass->output.size() / 2), 11 * framesPerOrder);
    // The ending (order 9) starts loud and is silent over its last rows;
    // order 10 (pattern 8, not in the file) is silence throughout.
    EXPECT_GT(rmsDbfs(9 * framesPerOrder, 9 * framesPerOrder + 8 * framesPerRow), -24.0);
    EXPECT_LT(rmsDbfs(10 * framesPerOrder - 4 * framesPerRow, 10 * framesPerOrder), -90.0);
    for (int64_t i = 10 * framesPerOrder * 2; i < 11 * framesPerOrder * 2; ++i)
        ASSERT_EQ(pass->output[static_cast<size_t>(i)], 0) << "frame " << i / 2;
}

}  // namespace
