#include "audio/sound.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "audio/mixer.h"
#include "audio/stream.h"
#include "audio/wave_output.h"
#include "core/list.h"
#include "core/platform.h"
#include "player/sequencer.h"

int32_t bufferMilliseconds = 200;
int32_t blockLength = 0;
int32_t blockCount = 0;
int32_t ringFrames = 0;
int16_t* outputRing = nullptr;
float* accumulation = nullptr;
int32_t fillIndex = 0;
float secondsPerFrame = 0.0f;

std::atomic<uint8_t> stopRequested{0};
std::atomic<uint8_t> mixBusy{0};
std::atomic<uint8_t> threadFinished{1};

std::mutex mixLock;

namespace {

// Rates outside this range would give blocks of no frames or overflow the
// block arithmetic.
constexpr int32_t lowestRate = 50;
constexpr int32_t highestRate = 1000000;

void* accumulationAllocation = nullptr;
bool deviceOpen = false;
bool threadStarted = false;

// The device's 32-bit byte counter, carried on in 64 bits: each pass adds the
// unsigned difference from the count it saw last, so the ring stays in step
// when the counter wraps after 2^32 bytes.
uint32_t lastBytesPlayed = 0;
uint64_t bytesPlayedTotal = 0;

// For each ring block, 1 + the device block (counted from the open) that was
// playing when the block was last filled; 0 when never filled.
std::atomic<uint64_t>* fillStamps = nullptr;

void fillBlock(int32_t index, uint64_t deviceBlock) {
    float* slice = accumulation + 2 * static_cast<size_t>(index) * blockLength;
    std::memset(slice, 0, 2 * sizeof(float) * static_cast<size_t>(blockLength));

    Module* head = &playingModules;
    Module* next = nullptr;
    for (Module* module = head->next; module != head; module = next) {
        // Taken first: a tick handler may unlink its own Module.
        next = module->next;
        if (!module->playing.load(std::memory_order_relaxed)) continue;
        int32_t countdown = module->samplesToNextTick;
        int32_t done = 0;
        while (done < blockLength) {
            if (countdown <= 0) {
                if (module->tickHandler) module->tickHandler(module);
                countdown = module->samplesPerTick;
                // A tick length below one frame would never end the block;
                // such a Module ticks once per rest of block instead.
                if (countdown < 1) countdown = blockLength - done;
            }
            const int32_t piece = countdown < blockLength - done ? countdown : blockLength - done;
            mixVoices(slice + 2 * static_cast<size_t>(done), &voiceList, piece);
            countdown -= piece;
            done += piece;
            const float seconds = module->playSeconds.load(std::memory_order_relaxed);
            module->playSeconds.store(seconds + static_cast<float>(piece) * secondsPerFrame,
                                      std::memory_order_relaxed);
        }
        module->samplesToNextTick = countdown;
    }

    convertBlock(outputRing + 2 * static_cast<size_t>(index) * blockLength, slice, blockLength);
    fillStamps[index].store(deviceBlock + 1, std::memory_order_relaxed);
}

void releaseBuffers() {
    voicesRelease();
    std::free(accumulationAllocation);
    accumulationAllocation = nullptr;
    accumulation = nullptr;
    if (deviceOpen) {
        waveOutputClose();
        deviceOpen = false;
    }
    std::free(outputRing);
    outputRing = nullptr;
    delete[] fillStamps;
    fillStamps = nullptr;
}

}  // namespace

bool soundSetBufferLength(int32_t milliseconds) {
    if (milliseconds < 20) milliseconds = 20;
    bufferMilliseconds = milliseconds / 20 * 20;
    return true;
}

bool soundOpen(int32_t rate) {
    if (!streamCallbacksRegistered()) return false;
    soundClose();
    if (rate < lowestRate || rate > highestRate) return false;

    const int32_t block = (rate * 20 / 1000 + 3) & ~3;
    const int32_t blocks = 2 * (bufferMilliseconds / 20);
    const int64_t frames = static_cast<int64_t>(blocks) * block;
    // The accumulation area (8 bytes a frame) must stay addressable by int32.
    if (frames * 8 + 256 > INT32_MAX) return false;

    mixerSetRate(rate);
    if (!waveOutputOpen(rate)) return false;
    deviceOpen = true;

    secondsPerFrame = static_cast<float>(1.0 / rate);
    blockLength = block;
    blockCount = blocks;
    ringFrames = static_cast<int32_t>(frames);

    // The area starts at the first 16-byte boundary of its allocation.
    accumulationAllocation = std::calloc(static_cast<size_t>(ringFrames) * 8 + 256, 1);
    if (!accumulationAllocation) return false;
    const uintptr_t address = reinterpret_cast<uintptr_t>(accumulationAllocation);
    accumulation = reinterpret_cast<float*>((address + 15) & ~static_cast<uintptr_t>(15));

    if (!voicesCreate()) return false;

    outputRing = static_cast<int16_t*>(std::calloc(static_cast<size_t>(ringFrames), 4));
    fillStamps = new (std::nothrow) std::atomic<uint64_t>[static_cast<size_t>(blockCount)]();
    if (!outputRing || !fillStamps) return false;
    lastBytesPlayed = 0;
    bytesPlayedTotal = 0;
    fillIndex = 0;
    waveOutputPlayLoop(outputRing, static_cast<uint32_t>(ringFrames) * 4);

    // Songs already playing get tick lengths for the new rate.
    for (Module* module = playingModules.next; module != &playingModules; module = module->next) {
        moduleSetBpm(module, module->bpm);
    }

    stopRequested = 0;
    // Cleared before the start, so that a close that comes before the thread
    // runs still waits for it.
    threadFinished = 0;
    threadStarted = mixThreadStart(mixingThread);
    if (!threadStarted) threadFinished = 1;
    return true;
}

void soundClose() {
    stopRequested = 1;
    if (threadStarted) {
        while (threadFinished.load() == 0) platformSleep(1);
        mixThreadRelease();
        threadStarted = false;
    }
    std::lock_guard<std::mutex> guard(mixLock);
    releaseBuffers();
}

bool mixingPass(uint32_t bytesPlayed) {
    std::lock_guard<std::mutex> guard(mixLock);
    if (!outputRing || !accumulation || !fillStamps || blockLength < 1 || blockCount < 1) return false;

    bytesPlayedTotal += static_cast<uint32_t>(bytesPlayed - lastBytesPlayed);
    lastBytesPlayed = bytesPlayed;
    const uint64_t framesPlayed = bytesPlayedTotal >> 2;
    const int32_t playing =
        static_cast<int32_t>((framesPlayed % static_cast<uint64_t>(ringFrames)) / static_cast<uint64_t>(blockLength));

    // While the device plays block 0 or 1 any other block may be filled;
    // otherwise only the blocks before the one being played.
    if (fillIndex == playing || !(playing <= 1 || fillIndex < playing)) return false;

    mixBusy = 1;
    fillBlock(fillIndex, framesPlayed / static_cast<uint64_t>(blockLength));
    mixBusy = 0;
    fillIndex = fillIndex + 1 < blockCount ? fillIndex + 1 : 0;
    return true;
}

void mixingThread() {
    threadFinished = 0;
    while (!stopRequested.load()) {
        mixingPass(waveOutputBytesPlayed());
        platformSleep(2);
    }
    threadFinished = 1;
}

uint32_t soundCountStaleBlocks(uint64_t framesBefore, uint64_t framesAfter) {
    if (!fillStamps || blockLength < 1 || blockCount < 1 || framesAfter <= framesBefore) return 0;
    const uint64_t length = static_cast<uint64_t>(blockLength);
    const uint64_t count = static_cast<uint64_t>(blockCount);
    // The blocks whose first frame lies in [framesBefore, framesAfter); of a
    // longer stretch only the last lap of the ring.
    uint64_t first = (framesBefore + length - 1) / length;
    const uint64_t end = (framesAfter + length - 1) / length;
    if (end - first > count) first = end - count;
    uint32_t stale = 0;
    for (uint64_t block = first; block < end; ++block) {
        // The first lap plays the silence the ring starts with.
        if (block < count) continue;
        // Fresh when filled after the device last left it, that is while the
        // device played block (block - count + 1) or later.
        const uint64_t stamp = fillStamps[block % count].load(std::memory_order_relaxed);
        if (stamp < block - count + 2) ++stale;
    }
    return stale;
}
