#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

// The sound device, its ring of output blocks and the mixing thread.

extern int32_t bufferMilliseconds;
extern int32_t blockLength;
extern int32_t blockCount;
extern int32_t ringFrames;
extern int16_t* outputRing;
extern float* accumulation;
extern int32_t fillIndex;
extern float secondsPerFrame;

extern std::atomic<uint8_t> stopRequested;
extern std::atomic<uint8_t> mixBusy;
extern std::atomic<uint8_t> threadFinished;

// Held by the mixing thread for each block fill, and by the main thread for
// every change the fill must not see half done (closing the device, starting,
// stopping or freeing a Module).
extern std::mutex mixLock;

bool soundSetBufferLength(int32_t milliseconds);
bool soundOpen(int32_t rate);
void soundClose();

// One pass of the mixing thread without the sleep: given the device's byte
// counter, decides which block to fill and fills it. Returns true when a block
// was filled. Tests and offline tools drive it with any byte counter.
bool mixingPass(uint32_t bytesPlayed);

// The thread entry: passes until stopRequested, sleeping 2 ms after each.
void mixingThread();

// Of the blocks whose first frame the device reached between the two frame
// counts (frames played since the device opened, framesBefore included,
// framesAfter not), how many it played stale: not refilled since it last
// played them. The wave output layers count underruns with it.
uint32_t soundCountStaleBlocks(uint64_t framesBefore, uint64_t framesAfter);
