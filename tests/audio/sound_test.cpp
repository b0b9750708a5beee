#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/memory_file.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "core/list.h"
#include "player/module.h"
#include "player/sequencer.h"
#include "virtual_audio.h"

namespace {

void registerMemoryFile() {
    setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, memoryFileSeek, memoryFileTell);
}

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        registerMemoryFile();
        virtualAudioSetAvailable(true);
        virtualAudioSetThreaded(false);
        soundSetBufferLength(100);
    }
    void TearDown() override {
        soundClose();
        virtualAudioSetThreaded(false);
        soundSetBufferLength(200);
    }
    static uint32_t blockBytes() { return static_cast<uint32_t>(blockLength) * 4; }
    // Runs passes until one fills nothing; returns how many filled.
    static int drain(uint32_t bytes) {
        int filled = 0;
        while (mixingPass(bytes)) ++filled;
        return filled;
    }
};

TEST_F(Sound, BufferLengthIsWholeTwentiesOfAtLeastTwenty) {
    const int32_t cases[][2] = {{100, 100}, {10, 20}, {0, 20}, {-5, 20}, {55, 40}, {119, 100}, {20, 20}};
    for (const auto& c : cases) {
        EXPECT_TRUE(soundSetBufferLength(c[0]));
        EXPECT_EQ(bufferMilliseconds, c[1]) << c[0];
    }
}

TEST_F(Sound, OpenSizesTheRingForTheRate) {
    struct Case {
        int32_t rate, milliseconds, block, blocks, frames, ramp;
    } cases[] = {
        {44100, 100, 884, 10, 8840, 128},
        {44100, 200, 884, 20, 17680, 128},
        {48000, 100, 960, 10, 9600, 139},
        {22050, 100, 444, 10, 4440, 64},
    };
    for (const Case& c : cases) {
        soundSetBufferLength(c.milliseconds);
        ASSERT_TRUE(soundOpen(c.rate)) << c.rate;
        EXPECT_EQ(blockLength, c.block) << c.rate;
        EXPECT_EQ(blockCount, c.blocks) << c.rate;
        EXPECT_EQ(ringFrames, c.frames) << c.rate;
        EXPECT_EQ(rampLength, c.ramp) << c.rate;
        EXPECT_EQ(mixingRate, c.rate);
        EXPECT_FLOAT_EQ(secondsPerFrame, 1.0f / c.rate);
        EXPECT_EQ(fillIndex, 0);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(accumulation) % 16, 0u);
        EXPECT_EQ(virtualAudioRate(), c.rate);
        EXPECT_EQ(virtualAudioRing(), outputRing);
        EXPECT_EQ(virtualAudioRingBytes(), static_cast<uint32_t>(c.frames) * 4);
        for (int32_t i = 0; i < 2 * c.frames; ++i) ASSERT_EQ(outputRing[i], 0);
        ASSERT_NE(voiceTable, nullptr);
        int32_t voices = 0;
        for (Voice* v = voiceList.next; v != &voiceList; v = v->next) EXPECT_EQ(v->index, voices++);
        EXPECT_EQ(voices, 256);
    }
}

TEST_F(Sound, OpenRefusesWithoutStreamFunctionsOrDevice) {
    const uint32_t calls = virtualAudioOpenCalls();
    setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, nullptr, memoryFileTell);
    EXPECT_FALSE(soundOpen(44100));
    EXPECT_EQ(virtualAudioOpenCalls(), calls) << "the device is never asked";

    registerMemoryFile();
    virtualAudioSetAvailable(false);
    EXPECT_FALSE(soundOpen(44100));
    EXPECT_EQ(outputRing, nullptr);
    EXPECT_EQ(accumulation, nullptr);
    EXPECT_EQ(voiceTable, nullptr);
    EXPECT_FALSE(mixingPass(100000));

    virtualAudioSetAvailable(true);
    for (int32_t rate : {0, -44100, 49, 2000000}) EXPECT_FALSE(soundOpen(rate)) << rate;
    EXPECT_FALSE(virtualAudioIsOpen());
}

// Each row: the block the device plays, the block due for filling, and
// whether a pass fills it.
TEST_F(Sound, PassFillsOnlyBlocksTheDeviceHasLeft) {
    struct Case {
        int32_t playing, fill;
        bool fills;
    } cases[] = {
        {5, 5, false}, {6, 5, true}, {0, 9, true}, {3, 7, false}, {8, 7, true},
        {0, 0, false}, {1, 0, true}, {1, 5, true}, {2, 1, true}, {9, 8, true}, {9, 9, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(soundOpen(44100));
        fillIndex = c.fill;
        const uint32_t bytes = static_cast<uint32_t>(c.playing) * blockBytes() + 40;
        EXPECT_EQ(mixingPass(bytes), c.fills) << c.playing << "/" << c.fill;
        EXPECT_EQ(fillIndex, c.fills ? (c.fill + 1) % blockCount : c.fill) << c.playing << "/" << c.fill;
    }
}

TEST_F(Sound, SteadyStateFillsTheBlockJustLeft) {
    ASSERT_TRUE(soundOpen(44100));
    EXPECT_EQ(drain(0), 0) << "the first pass of the ring is silence";
    for (int32_t block = 1; block <= 35; ++block) {
        const uint32_t bytes = static_cast<uint32_t>(block) * blockBytes() + 17;
        EXPECT_EQ(drain(bytes), 1) << block;
        EXPECT_EQ(fillIndex, block % blockCount);
    }
    EXPECT_EQ(virtualAudioUnderruns(), 0u);
}

// The device's counter is 32 bits; crossing 2^32 must not shift the ring.
// 2^32 bytes is not a whole number of rings, so a position taken from the
// bare counter jumps by 64 frames there; the start offsets put the device
// on either side of a block start when that happens.
TEST_F(Sound, CounterWrapKeepsTheRingInStep) {
    for (uint64_t offsetFrames : {0, 10, 63, 64, 500, 883}) {
        ASSERT_TRUE(soundOpen(44100));
        const uint64_t ring = static_cast<uint64_t>(ringFrames);
        const uint64_t block = static_cast<uint64_t>(blockLength);
        // 23 blocks before the wrap, `offsetFrames` into a block of the ring.
        const uint64_t wrapFrame = uint64_t{1} << 30;
        const uint64_t startFrame = (wrapFrame / ring * ring) - 23 * block + offsetFrames;
        uint64_t played = startFrame * 4;
        auto deviceBlock = [&] { return static_cast<int32_t>((played / 4 % ring) / block); };
        virtualAudioSetBytesPlayed(static_cast<uint32_t>(played));
        drain(static_cast<uint32_t>(played));
        ASSERT_EQ(fillIndex, deviceBlock());
        for (int step = 0; step < 50; ++step) {
            played += 4 * block;
            virtualAudioSetBytesPlayed(static_cast<uint32_t>(played));
            EXPECT_EQ(drain(static_cast<uint32_t>(played)), 1) << offsetFrames << " step " << step;
            EXPECT_EQ(fillIndex, deviceBlock())
                << offsetFrames << " step " << step << (played >> 32 ? " (wrapped)" : "");
        }
        ASSERT_GT(played, uint64_t{1} << 32);
        // Uneven steps: a pass never fills the block being played.
        for (int step = 0; step < 200; ++step) {
            played += 1237 * 4;
            const int32_t due = fillIndex;
            if (mixingPass(static_cast<uint32_t>(played))) {
                EXPECT_NE(due, deviceBlock()) << step;
            }
        }
    }
}

TEST_F(Sound, UnderrunsCountBlocksPlayedAgainBeforeTheyWereRefilled) {
    ASSERT_TRUE(soundOpen(44100));
    uint32_t played = 0;
    for (int32_t block = 1; block <= 14; ++block) {
        played += blockBytes();
        virtualAudioSetBytesPlayed(played);
        drain(played);
    }
    EXPECT_EQ(virtualAudioUnderruns(), 0u);
    // The thread stalls while the device plays on for a lap and two blocks:
    // the last two blocks it enters were never refilled.
    played += static_cast<uint32_t>(blockCount + 2) * blockBytes();
    virtualAudioSetBytesPlayed(played);
    EXPECT_EQ(virtualAudioUnderruns(), 2u);
    // Once it runs again it refills only behind the device, so the rest of
    // that lap plays stale too; after that the ring is whole again.
    for (int32_t lap = 0; lap < 2; ++lap) {
        for (int32_t block = 0; block < blockCount; ++block) {
            drain(played);
            played += blockBytes();
            virtualAudioSetBytesPlayed(played);
        }
        EXPECT_EQ(virtualAudioUnderruns(), static_cast<uint32_t>(blockCount)) << "lap " << lap;
    }
}

// A hand-made Module whose ticks are counted; linked straight into the
// playing list.
struct TickCounter {
    Module module{};
    int ticks = 0;
    const Sample* startOnTick = nullptr;

    static void onTick(Module* m);

    explicit TickCounter(int32_t samplesPerTick, int32_t samplesToNextTick) {
        module.next = module.prev = &module;
        module.samplesPerTick = samplesPerTick;
        module.samplesToNextTick = samplesToNextTick;
        module.tickHandler = onTick;
        module.playing = 1;
        listInsertTail(&module, &playingModules);
        current = this;
    }
    ~TickCounter() {
        listRemove(&module);
        current = nullptr;
    }
    static TickCounter* current;
};
TickCounter* TickCounter::current = nullptr;

void TickCounter::onTick(Module* m) {
    TickCounter* self = current;
    ASSERT_EQ(&self->module, m);
    ++self->ticks;
    if (self->startOnTick && self->ticks == 1) {
        voiceSetFrequency(&voiceTable[0], mixingRate);
        voiceSetVolume(&voiceTable[0], 255);
        voiceStart(0, self->startOnTick);
    }
}

TEST_F(Sound, ModulesTickAtTheirBoundariesInsideABlock) {
    ASSERT_TRUE(soundOpen(44100));
    std::unique_ptr<int16_t[]> data(new int16_t[2000 + 8]());
    for (int i = 0; i < 2000; ++i) data[i] = 8000;
    Sample sample{};
    sample.data = data.get();
    sample.length = sample.loopLength = 2000;
    sample.loopType = 1;
    {
        TickCounter counter(882, 100);
        counter.startOnTick = &sample;
        ASSERT_TRUE(mixingPass(blockBytes()));
        EXPECT_EQ(counter.ticks, 1);
        EXPECT_EQ(counter.module.samplesToNextTick, 98);
        EXPECT_FLOAT_EQ(counter.module.playSeconds.load(), 884 * secondsPerFrame);
        // The note starts at the tick, 100 frames into the block, ramping from 0.
        for (int frame = 0; frame <= 100; ++frame) ASSERT_EQ(outputRing[2 * frame], 0) << frame;
        EXPECT_GT(outputRing[2 * 101], 0);
        EXPECT_GT(outputRing[2 * 883], 0);

        ASSERT_TRUE(mixingPass(2 * blockBytes()));
        EXPECT_EQ(counter.ticks, 2);
        EXPECT_EQ(counter.module.samplesToNextTick, 96);

        // Not playing: no ticks, no time.
        counter.module.playing = 0;
        ASSERT_TRUE(mixingPass(3 * blockBytes()));
        EXPECT_EQ(counter.ticks, 2);
        EXPECT_FLOAT_EQ(counter.module.playSeconds.load(), 2 * 884 * secondsPerFrame);
    }
    {
        // A fresh Module ticks before its first frame; a tick length below
        // one frame still lets the block end.
        TickCounter counter(0, 0);
        ASSERT_TRUE(mixingPass(4 * blockBytes()));
        EXPECT_EQ(counter.ticks, 1);
        EXPECT_EQ(counter.module.samplesToNextTick, 0);
    }
}

TEST_F(Sound, ReopenRetimesPlayingModulesAndKeepsVoiceAddresses) {
    ASSERT_TRUE(soundOpen(44100));
    Voice* voice = &voiceTable[3];
    voiceSetVolume(voice, 200);
    TickCounter counter(882, 0);
    counter.module.bpm = 125;
    ASSERT_TRUE(soundOpen(48000));
    EXPECT_EQ(&voiceTable[3], voice) << "a Channel's voice address stays good";
    EXPECT_EQ(voice->volume, 0) << "the voices are new";
    Module reference{};
    moduleSetBpm(&reference, 125);
    EXPECT_EQ(counter.module.samplesPerTick, reference.samplesPerTick);
    EXPECT_NE(counter.module.samplesPerTick, 882);
}

TEST_F(Sound, CloseEndsTheThreadAndReleasesEverything) {
    virtualAudioSetThreaded(true);
    ASSERT_TRUE(soundOpen(44100));
    soundClose();
    EXPECT_EQ(threadFinished.load(), 1);
    EXPECT_EQ(stopRequested.load(), 1);
    EXPECT_EQ(outputRing, nullptr);
    EXPECT_EQ(accumulation, nullptr);
    EXPECT_EQ(voiceTable, nullptr);
    EXPECT_TRUE(listEmpty(&voiceList));
    EXPECT_FALSE(virtualAudioIsOpen());
    EXPECT_FALSE(mixingPass(5 * 3536));
    soundClose();
    EXPECT_EQ(threadFinished.load(), 1);
}

}  // namespace
