// The in-memory wave output: a byte counter that the caller moves in place of
// a sound device, and a mixing thread that is either real or left to the
// caller.
#include <atomic>
#include <thread>

#include "audio/sound.h"
#include "audio/wave_output.h"
#include "virtual_audio.h"

namespace {

std::atomic<bool> available{true};
std::atomic<bool> threaded{false};
std::atomic<bool> open{false};
std::atomic<int32_t> rate{0};
std::atomic<uint32_t> openCalls{0};
std::atomic<const int16_t*> ring{nullptr};
std::atomic<uint32_t> ringBytes{0};
std::atomic<uint32_t> bytesPlayed{0};
std::atomic<uint32_t> underruns{0};
// Bytes since the open, 64 bits wide, for the underrun count.
uint64_t totalBytes = 0;
std::thread mixer;

void moveCounter(uint32_t bytes) {
    const uint32_t before = bytesPlayed.load();
    const uint32_t delta = bytes - before;
    bytesPlayed.store(bytes);
    if (!ring.load()) return;
    const uint64_t framesBefore = totalBytes >> 2;
    totalBytes += delta;
    underruns.fetch_add(soundCountStaleBlocks(framesBefore, totalBytes >> 2));
}

}  // namespace

void virtualAudioSetAvailable(bool value) { available = value; }
void virtualAudioSetThreaded(bool value) { threaded = value; }
void virtualAudioSetBytesPlayed(uint32_t bytes) { moveCounter(bytes); }
void virtualAudioAdvance(uint32_t bytes) { moveCounter(bytesPlayed.load() + bytes); }
bool virtualAudioIsOpen() { return open; }
int32_t virtualAudioRate() { return rate; }
uint32_t virtualAudioOpenCalls() { return openCalls; }
const int16_t* virtualAudioRing() { return ring; }
uint32_t virtualAudioRingBytes() { return ringBytes; }
uint32_t virtualAudioUnderruns() { return underruns; }

bool waveOutputOpen(int32_t frameRate) {
    openCalls.fetch_add(1);
    if (!available || frameRate < 1) return false;
    open = true;
    rate = frameRate;
    bytesPlayed = 0;
    totalBytes = 0;
    underruns = 0;
    return true;
}

void waveOutputPlayLoop(const void* buffer, uint32_t bytes) {
    if (!open) return;
    ringBytes = bytes;
    ring = static_cast<const int16_t*>(buffer);
}

uint32_t waveOutputBytesPlayed() { return bytesPlayed.load(); }

void waveOutputClose() {
    ring = nullptr;
    ringBytes = 0;
    open = false;
}

bool mixThreadStart(void (*entry)()) {
    if (!threaded || !entry || mixer.joinable()) return false;
    mixer = std::thread(entry);
    return true;
}

void mixThreadRelease() {
    if (mixer.joinable()) mixer.join();
}
