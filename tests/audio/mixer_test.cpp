#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "audio/mixer.h"
#include "core/list.h"
#include "player/module.h"

namespace {

constexpr uint32_t half = 0x80000000u;     // 0.5 frame
constexpr uint32_t quarter = 0x40000000u;  // 0.25 frame

// A sample laid out as the loader leaves it: `length` frames, room for 8 more
// (allocated exactly, so that a sanitizer sees any read beyond), and the loop
// tail written behind the play end.
struct TestSample {
    std::unique_ptr<int16_t[]> data;
    Sample sample{};

    TestSample(uint32_t length, uint8_t loopType, uint32_t loopStart, uint32_t loopLength, int16_t value = 1000)
        : data(new int16_t[length + 8]()) {
        for (uint32_t i = 0; i < length; ++i) data[i] = value;
        sample.data = data.get();
        sample.length = length;
        sample.loopType = loopType;
        sample.loopStart = loopType == 1 ? 0 : loopStart;
        sample.loopLength = loopType == 1 ? length : loopLength;
        writeTail();
    }
    void writeTail() {
        const uint32_t end = sample.loopStart + sample.loopLength;
        data[end] = sample.loopType == 4 ? data[end - 1] : data[sample.loopStart];
    }
};

class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        mixerSetRate(44100);
        ASSERT_TRUE(voicesCreate());
    }
    void TearDown() override { voicesRelease(); }

    // Voice 0 alone in a list of its own.
    Voice* soloVoice() {
        listInit(&solo);
        Voice* voice = &voiceTable[0];
        listRemove(voice);
        listInsertTail(voice, &solo);
        return voice;
    }
    // Sets the volume bytes and settles them, so no ramp runs.
    static void settle(Voice* voice, int32_t volume, int32_t pan) {
        voiceSetVolume(voice, volume);
        voiceSetPan(voice, pan);
        voice->currentLeft = voice->rampTargetLeft = voice->leftVolume;
        voice->currentRight = voice->rampTargetRight = voice->rightVolume;
        voice->rampFramesLeft = 0;
    }
    static void setStep(Voice* voice, uint32_t whole, uint32_t fraction) {
        voice->stepWhole = whole;
        voice->stepFraction = fraction;
    }
    std::vector<float> mix(Voice* voice, int32_t frames) {
        std::vector<float> block(2 * static_cast<size_t>(frames), 0.0f);
        (void)voice;
        mixVoices(block.data(), &solo, frames);
        return block;
    }

    Voice solo{};
};

TEST_F(Mixer, FrequencyBecomesA3232Step) {
    struct Case {
        int32_t hz, whole;
        uint32_t fraction;
    } cases[] = {
        {50, 0, 9739154},         // below 100 Hz counts as 100
        {-7, 0, 9739154},
        {100, 0, 9739154},
        {8363, 0, 814485521},
        {44100, 1, 0},
        {66150, 1, half},
        {1000000, 16, 0},         // above 16 x 44100 counts as that
    };
    Voice* voice = &voiceTable[3];
    for (const Case& c : cases) {
        voiceSetFrequency(voice, c.hz);
        EXPECT_EQ(voice->stepWhole, static_cast<uint32_t>(c.whole)) << c.hz;
        EXPECT_EQ(voice->stepFraction, c.fraction) << c.hz;
    }
    mixerSetRate(48000);
    voiceSetFrequency(voice, 24000);
    EXPECT_EQ(voice->stepWhole, 0u);
    EXPECT_EQ(voice->stepFraction, half);
}

TEST_F(Mixer, VolumeAndPanSplit) {
    struct Case {
        int32_t volume, pan;
        uint8_t left, right;
    } cases[] = {
        {255, 0, 255, 0}, {255, 255, 0, 255}, {255, 128, 127, 128},
        {64, 128, 31, 32}, {0, 77, 0, 0},
        {255, 256, 255, 0},  // outside the contract each side keeps its low 8 bits
    };
    for (const Case& c : cases) {
        // Both setters give the same split, in either order.
        Voice* a = &voiceTable[1];
        voiceSetVolume(a, c.volume);
        voiceSetPan(a, c.pan);
        Voice* b = &voiceTable[2];
        voiceSetPan(b, c.pan);
        voiceSetVolume(b, c.volume);
        for (Voice* v : {a, b}) {
            EXPECT_EQ(v->leftVolume, c.left) << c.volume << "/" << c.pan;
            EXPECT_EQ(v->rightVolume, c.right) << c.volume << "/" << c.pan;
            EXPECT_EQ(v->volume, c.volume);
            EXPECT_EQ(v->pan, c.pan);
        }
    }
}

TEST_F(Mixer, TableIsBuiltInIndexOrder) {
    int32_t expected = 0;
    for (Voice* v = voiceList.next; v != &voiceList; v = v->next) {
        EXPECT_EQ(v->index, expected);
        EXPECT_EQ(v->sample, nullptr);
        ++expected;
    }
    EXPECT_EQ(expected, voiceCount);
}

TEST_F(Mixer, VoiceStartAndStop) {
    TestSample s(100, 2, 40, 50);  // play end 90
    Voice* voice = &voiceTable[7];
    voice->direction = 2;
    voice->positionFraction = 123;
    voice->startOffset = 60;
    EXPECT_EQ(voiceStart(7, &s.sample), 7);
    EXPECT_EQ(voice->sample, &s.sample);
    EXPECT_EQ(voice->position, 60u);
    EXPECT_EQ(voice->positionFraction, 0u);
    EXPECT_EQ(voice->startOffset, 0u);
    EXPECT_EQ(voice->direction, 1);

    for (uint32_t offset : {90u, 91u, 0xFFFFFFFFu}) {  // at or past the play end
        voice->startOffset = offset;
        EXPECT_EQ(voiceStart(7, &s.sample), 7);
        EXPECT_EQ(voice->position, 0u) << offset;
        EXPECT_EQ(voice->startOffset, 0u);
    }

    // Refusals change nothing.
    voice->startOffset = 5;
    EXPECT_EQ(voiceStart(7, nullptr), -1);
    EXPECT_EQ(voiceStart(-1, &s.sample), -1);
    EXPECT_EQ(voiceStart(256, &s.sample), -1);
    EXPECT_EQ(voice->startOffset, 5u);

    voice->leftVolume = 9;
    voice->position = 33;
    voiceStop(7);
    EXPECT_EQ(voice->sample, nullptr);
    EXPECT_EQ(voice->position, 0u);
    EXPECT_EQ(voice->leftVolume, 9) << "volumes stay";
    voiceStop(300);

    voicesRelease();
    EXPECT_EQ(voiceStart(0, &s.sample), -1);
    voiceStop(0);
    ASSERT_TRUE(voicesCreate());
}

TEST_F(Mixer, SampleWithoutLoopPlaysToItsEndOverTwoCalls) {
    TestSample s(1000, 1, 0, 0, 3000);
    Voice* voice = soloVoice();
    settle(voice, 255, 0);
    setStep(voice, 1, 0);
    voiceStart(0, &s.sample);

    std::vector<float> first = mix(voice, 884);
    EXPECT_FLOAT_EQ(first[2 * 883], 3000.0f);
    EXPECT_EQ(voice->position, 884u);

    std::vector<float> second = mix(voice, 884);
    EXPECT_FLOAT_EQ(second[2 * 115], 3000.0f) << "116 more frames sound";
    EXPECT_EQ(second[2 * 116], 0.0f) << "then nothing";
    EXPECT_EQ(second[2 * 883], 0.0f);
    EXPECT_EQ(second[1], 0.0f) << "pan 0 is all left";
    EXPECT_EQ(voice->sample, nullptr);
    EXPECT_EQ(voice->position, 0u);
}

TEST_F(Mixer, InterpolatesBetweenNeighbours) {
    TestSample s(10, 1, 0, 0, 0);
    s.data[0] = 0;
    s.data[1] = 1000;
    Voice* voice = soloVoice();
    settle(voice, 255, 255);
    setStep(voice, 0, quarter);
    voiceStart(0, &s.sample);
    std::vector<float> out = mix(voice, 4);
    const float expected[] = {0.0f, 250.0f, 500.0f, 750.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(out[2 * i + 1], expected[i]) << i;
        EXPECT_EQ(out[2 * i], 0.0f);
    }
}

TEST_F(Mixer, MixAddsAndNeverClears) {
    TestSample s(100, 2, 0, 100, 100);
    Voice* voice = soloVoice();
    settle(voice, 255, 0);
    setStep(voice, 1, 0);
    voiceStart(0, &s.sample);
    std::vector<float> block(8, 5.0f);
    mixVoices(block.data(), &solo, 4);
    EXPECT_FLOAT_EQ(block[0], 105.0f);
    EXPECT_FLOAT_EQ(block[1], 5.0f);
    mixVoices(block.data(), &solo, 0);
    mixVoices(block.data(), &solo, -3);
    EXPECT_FLOAT_EQ(block[0], 105.0f);
}

// Each row: a loop, a position and direction just before its boundary, one
// step, and where the position lands.
TEST_F(Mixer, LoopBoundaries) {
    struct Case {
        const char* what;
        uint8_t loopType;
        uint32_t loopStart, loopLength;
        uint32_t position, fraction, stepWhole, stepFraction;
        int32_t direction;
        uint32_t expectPosition, expectFraction;
        int32_t expectDirection;
    } cases[] = {
        {"forward 200.25 -> 100.25", 2, 100, 100, 199, quarter, 1, 0, 1, 100, quarter, 1},
        {"forward, step past several loops", 2, 100, 2, 101, 0, 7, 0, 1, 100, 0, 1},
        {"ping-pong 200.25 -> 199.75 - 2^-32", 4, 100, 100, 199, quarter, 1, 0, 1, 199, 3 * quarter - 1, 2},
        {"ping-pong at the start 99.75 -> 100.25 - 2^-32", 4, 100, 100, 100, quarter, 0, half, 2, 100,
         quarter - 1, 1},
        {"ping-pong exactly at frame 0 stays at 0", 4, 0, 100, 0, half, 0, half, 2, 0, 0, 1},
        {"ping-pong past 0", 4, 0, 100, 0, quarter, 0, half, 2, 0, quarter - 1, 1},
        {"ping-pong overshoot past both ends", 4, 10, 2, 11, 0, 5, 0, 1, 11, 0xFFFFFFFFu, 2},
    };
    for (const Case& c : cases) {
        TestSample s(c.loopStart + c.loopLength, c.loopType, c.loopStart, c.loopLength);
        Voice* voice = soloVoice();
        settle(voice, 255, 128);
        voiceStart(0, &s.sample);
        voice->position = c.position;
        voice->positionFraction = c.fraction;
        voice->direction = c.direction;
        setStep(voice, c.stepWhole, c.stepFraction);
        mix(voice, 1);
        EXPECT_EQ(voice->position, c.expectPosition) << c.what;
        EXPECT_EQ(voice->positionFraction, c.expectFraction) << c.what;
        EXPECT_EQ(voice->direction, c.expectDirection) << c.what;
        EXPECT_EQ(voice->sample, &s.sample) << c.what;
    }
}

// The run length is worked out in 8.24 fixed point, so a run cut short of
// its boundary (here by the frames asked for) can still step a hair past it:
// 10 frames back from 10 + 2^-32 at a step of 1 + 255 x 2^-32. Backward at a
// loop from frame 0 that must turn the voice round, not wrap its position.
TEST_F(Mixer, RunCutJustShortOfTheLoopStartTurnsRound) {
    TestSample s(20, 4, 0, 20);
    Voice* voice = soloVoice();
    settle(voice, 255, 0);
    voiceStart(0, &s.sample);
    voice->position = 10;
    voice->positionFraction = 1;
    voice->direction = 2;
    setStep(voice, 1, 255);
    mix(voice, 10);
    EXPECT_EQ(voice->position, 0u);
    EXPECT_EQ(voice->direction, 1);
    mix(voice, 50);
    EXPECT_LE(voice->position, 20u);
}

// The 8.24 run length can come out one frame long: backward from 49.12 at a
// step of 431444560 x 2^-32, its 490th frame would be read before frame 0.
TEST_F(Mixer, RunNeverReadsPastItsBoundary) {
    TestSample s(900, 4, 0, 900);
    Voice* voice = soloVoice();
    settle(voice, 200, 0);
    voiceStart(0, &s.sample);
    voice->position = 49;
    voice->positionFraction = 522987775;
    voice->direction = 2;
    setStep(voice, 0, 431444560);
    mix(voice, 884);
    EXPECT_LE(voice->position, 900u);
    EXPECT_EQ(voice->direction, 1);
}

TEST_F(Mixer, VoiceAtVolumeZeroStillMovesAndEnds) {
    TestSample s(50, 1, 0, 0);
    Voice* voice = soloVoice();
    settle(voice, 0, 128);
    setStep(voice, 2, 0);
    voiceStart(0, &s.sample);
    std::vector<float> out = mix(voice, 20);
    EXPECT_EQ(voice->position, 40u);
    for (float v : out) EXPECT_EQ(v, 0.0f);
    mix(voice, 20);
    EXPECT_EQ(voice->sample, nullptr);
}

TEST_F(Mixer, SilentAndStillVoicesAddNothing) {
    TestSample s(50, 2, 0, 50);
    Voice* voice = soloVoice();
    settle(voice, 255, 128);
    // No sample.
    std::vector<float> out = mix(voice, 16);
    for (float v : out) EXPECT_EQ(v, 0.0f);
    // A sample but no frequency yet: holds still, adds nothing, keeps its ramp.
    voiceStart(0, &s.sample);
    voice->position = 17;
    voice->currentLeft = 0;
    out = mix(voice, 16);
    for (float v : out) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(voice->position, 17u);
    EXPECT_EQ(voice->currentLeft, 0);
    // Samples the mixer cannot play safely fall silent.
    Sample empty{};
    empty.loopType = 2;
    setStep(voice, 1, 0);
    voiceStart(0, &empty);
    out = mix(voice, 16);
    EXPECT_EQ(voice->sample, nullptr);
    TestSample broken(50, 2, 10, 20);
    broken.sample.loopLength = 60;  // loop past the data
    voiceStart(0, &broken.sample);
    out = mix(voice, 16);
    EXPECT_EQ(voice->sample, nullptr);
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

TEST_F(Mixer, FreshNoteFadesInOverTheRamp) {
    TestSample s(1000, 2, 0, 1000, 1000);
    Voice* voice = soloVoice();
    voiceSetVolume(voice, 255);
    voiceSetPan(voice, 128);
    setStep(voice, 1, 0);
    voiceStart(0, &s.sample);
    std::vector<float> out = mix(voice, 200);
    EXPECT_EQ(out[0], 0.0f) << "the first frame sounds at the start volume";
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_GT(out[2], 0.0f);
    EXPECT_LT(out[2 * 127], 1000.0f * 127 / 255);
    EXPECT_FLOAT_EQ(out[2 * 128], 1000.0f * 127 / 255) << "steady after 128 frames";
    EXPECT_FLOAT_EQ(out[2 * 128 + 1], 1000.0f * 128 / 255);
    EXPECT_EQ(voice->currentLeft, 127);
    EXPECT_EQ(voice->currentRight, 128);
    EXPECT_EQ(voice->rampFramesLeft, 0);
}

// A ramp cut into pieces by tick or loop boundaries must still land on its
// targets, and a falling ramp must never wrap to full volume.
TEST_F(Mixer, RampCutIntoRunsEndsOnItsTargets) {
    struct Case {
        int32_t fromLeft, fromRight, volume, pan;
        std::vector<int32_t> runs;
    } cases[] = {
        {0, 0, 255, 0, {60, 50, 18}},
        {0, 0, 255, 128, {60, 50, 18}},
        {0, 0, 200, 200, {60, 50, 18}},
        {255, 255, 0, 128, {60, 50, 18}},
        {2, 2, 0, 128, {47, 49, 32}},
        {2, 0, 0, 0, {47, 49, 32}},
        {0, 0, 255, 255, {1, 1, 1, 1, 1, 1, 1, 1, 120}},
        {254, 1, 1, 200, {3, 5, 7, 11, 13, 17, 19, 23, 30}},
    };
    for (const Case& c : cases) {
        TestSample s(1000, 2, 0, 1000);
        Voice* voice = soloVoice();
        setStep(voice, 1, 0);
        voiceStart(0, &s.sample);
        voice->currentLeft = static_cast<uint8_t>(c.fromLeft);
        voice->currentRight = static_cast<uint8_t>(c.fromRight);
        voiceSetVolume(voice, c.volume);
        voiceSetPan(voice, c.pan);
        int32_t mixed = 0;
        for (int32_t run : c.runs) {
            mix(voice, run);
            mixed += run;
            const int32_t lowL = std::min(c.fromLeft, int32_t(voice->leftVolume));
            const int32_t highL = std::max(c.fromLeft, int32_t(voice->leftVolume));
            const int32_t lowR = std::min(c.fromRight, int32_t(voice->rightVolume));
            const int32_t highR = std::max(c.fromRight, int32_t(voice->rightVolume));
            EXPECT_GE(voice->currentLeft, lowL) << "after " << mixed;
            EXPECT_LE(voice->currentLeft, highL) << "after " << mixed;
            EXPECT_GE(voice->currentRight, lowR) << "after " << mixed;
            EXPECT_LE(voice->currentRight, highR) << "after " << mixed;
        }
        ASSERT_EQ(mixed, 128);
        EXPECT_EQ(voice->rampFramesLeft, 0);
        EXPECT_EQ(voice->currentLeft, voice->leftVolume) << c.volume << "/" << c.pan;
        EXPECT_EQ(voice->currentRight, voice->rightVolume) << c.volume << "/" << c.pan;
    }
}

TEST_F(Mixer, RampGoesOnAcrossLoopBoundariesWithTheSameSteps) {
    TestSample s(30, 2, 10, 20);  // the loop cuts the ramp every 20 frames
    Voice* voice = soloVoice();
    voiceSetVolume(voice, 255);
    voiceSetPan(voice, 0);
    setStep(voice, 1, 0);
    voiceStart(0, &s.sample);
    mix(voice, 5);
    const float step = voice->rampStepLeft;
    EXPECT_EQ(voice->rampFramesLeft, 123);
    mix(voice, 100);
    EXPECT_EQ(voice->rampStepLeft, step);
    EXPECT_EQ(voice->rampFramesLeft, 23);
    mix(voice, 23);
    EXPECT_EQ(voice->rampFramesLeft, 0);
    EXPECT_EQ(voice->currentLeft, 255);
}

TEST_F(Mixer, VolumeChangeDuringARampPlansANewOne) {
    TestSample s(1000, 2, 0, 1000);
    Voice* voice = soloVoice();
    voiceSetVolume(voice, 255);
    voiceSetPan(voice, 0);
    setStep(voice, 1, 0);
    voiceStart(0, &s.sample);
    mix(voice, 64);
    const uint8_t reached = voice->currentLeft;
    EXPECT_NEAR(reached, 128, 1);
    voiceSetVolume(voice, 64);
    mix(voice, 1);
    EXPECT_EQ(voice->rampTargetLeft, 64);
    EXPECT_EQ(voice->rampFramesLeft, 127) << "a fresh ramp of 128 frames";
    EXPECT_FLOAT_EQ(voice->rampStepLeft, (64.0f - reached) / 255.0f / 128.0f);
    mix(voice, 127);
    EXPECT_EQ(voice->currentLeft, 64);
}

TEST_F(Mixer, RampLengthFollowsTheRate) {
    struct Case {
        int32_t rate, ramp;
    } cases[] = {{44100, 128}, {48000, 139}, {22050, 64}, {8000, 23}, {300, 1}};
    for (const Case& c : cases) {
        mixerSetRate(c.rate);
        EXPECT_EQ(mixingRate, c.rate);
        EXPECT_EQ(rampLength, c.ramp) << c.rate;
        EXPECT_FLOAT_EQ(rampLengthReciprocal, 1.0f / c.ramp);
    }
}

TEST(ConvertBlock, RoundsToEvenAndClips) {
    const float in[] = {40000.0f, -40000.0f, 2.5f, 3.5f, -2.5f, -3.5f, 0.5f, 1.5f, -0.4f, 32767.5f,
                        -32768.5f, 1e30f, -1e30f, 12.49f, 7.0f, 0.0f, -0.5f, 32766.5f, -32767.5f, 1.4999f};
    const int16_t expected[] = {32767, -32768, 2, 4, -2, -4, 0, 2, 0, 32767, -32768, 32767, -32768, 12, 7, 0,
                                0, 32766, -32768, 1};
    int16_t out[20];
    convertBlock(out, in, 10);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(out[i], expected[i]) << in[i];

    int16_t untouched[2] = {5, 6};
    convertBlock(untouched, in, 0);
    convertBlock(untouched, nullptr, 1);
    convertBlock(nullptr, in, 1);
    EXPECT_EQ(untouched[0], 5);
    EXPECT_EQ(untouched[1], 6);
}

// Many voices at random steps, positions and loops, mixed in random pieces:
// every voice stays inside its sample (the samples are allocated to the
// byte, so the sanitizer runs catch any read past the padding) and every
// mixed value stays within what its gains allow.
TEST_F(Mixer, RandomVoicesStayInsideTheirSamples) {
    std::mt19937 random(12345);
    auto pick = [&](uint32_t low, uint32_t high) {
        return std::uniform_int_distribution<uint32_t>(low, high)(random);
    };
    std::vector<std::unique_ptr<TestSample>> samples;
    for (int i = 0; i < 64; ++i) {
        const uint8_t type = std::array<uint8_t, 3>{1, 2, 4}[pick(0, 2)];
        const uint32_t length = pick(1, 300);
        // Loops from frame 0 half the time: the edge where a position that
        // steps a hair past the loop start would wrap.
        const uint32_t loopStart = pick(0, 1) ? 0 : pick(0, length - 1);
        const uint32_t loopLength = pick(1, length - loopStart);
        samples.push_back(std::make_unique<TestSample>(length, type, loopStart, loopLength,
                                                       static_cast<int16_t>(pick(0, 65535) - 32768)));
    }
    std::vector<float> block(2 * 1000);
    for (int round = 0; round < 300; ++round) {
        for (int v = 0; v < 32; ++v) {
            Voice* voice = &voiceTable[v];
            if (pick(0, 3) == 0) {
                voiceTable[v].startOffset = pick(0, 400);
                voiceStart(v, &samples[pick(0, 63)]->sample);
            }
            if (pick(0, 2) == 0) {
                // Includes steps with low bits below the 8.24 grid.
                voiceSetFrequency(voice, static_cast<int32_t>(pick(50, 800000)));
                if (pick(0, 3) == 0) voice->stepFraction ^= pick(0, 255);
            }
            if (pick(0, 2) == 0) voiceSetVolume(voice, static_cast<int32_t>(pick(0, 255)));
            if (pick(0, 4) == 0) voiceSetPan(voice, static_cast<int32_t>(pick(0, 255)));
        }
        std::fill(block.begin(), block.end(), 0.0f);
        const int32_t frames = static_cast<int32_t>(pick(1, 1000));
        mixVoices(block.data(), &voiceList, frames);
        for (int32_t i = 0; i < 2 * frames; ++i) {
            ASSERT_LE(std::fabs(block[i]), 32.0f * 32768.0f) << "round " << round;
        }
        for (int v = 0; v < 32; ++v) {
            const Voice& voice = voiceTable[v];
            if (!voice.sample) continue;
            const uint32_t end = voice.sample->loopStart + voice.sample->loopLength;
            ASSERT_LE(voice.position, end) << "round " << round << " voice " << v;
            if (voice.direction == 2) {
                ASSERT_NE(voice.sample->loopType & 4, 0);
            }
        }
    }
}

}  // namespace
