// The wave output on SDL2: the device's callback copies from the ring at its
// own cursor and counts the bytes. Where no sound device can be opened
// (servers, CI machines) it falls back to SDL's silent "dummy" driver, which
// still consumes the ring in real time, so the show runs to its end.
// With LUMEN_AUDIO_STATS set, closing the output writes the driver and the
// underrun count to standard error.
#include "sdl_audio.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/sound.h"
#include "audio/wave_output.h"

namespace {

SDL_AudioDeviceID device = 0;
bool subsystemStarted = false;
char driverName[32] = "";

// Owned by the callback while the device runs; set before it is unpaused.
const uint8_t* ring = nullptr;
uint32_t ringBytes = 0;
uint32_t cursor = 0;
uint64_t bytesTotal = 0;

std::atomic<uint32_t> bytesPlayed{0};
std::atomic<uint32_t> underruns{0};

SDL_Thread* mixer = nullptr;

void SDLCALL copyFromRing(void*, Uint8* stream, int length) {
    if (length <= 0) return;
    const uint32_t wanted = static_cast<uint32_t>(length);
    if (!ring || ringBytes == 0) {
        std::memset(stream, 0, wanted);
        return;
    }
    uint32_t done = 0;
    while (done < wanted) {
        uint32_t piece = ringBytes - cursor;
        if (piece > wanted - done) piece = wanted - done;
        std::memcpy(stream + done, ring + cursor, piece);
        done += piece;
        cursor += piece;
        if (cursor == ringBytes) cursor = 0;
    }
    const uint64_t framesBefore = bytesTotal >> 2;
    bytesTotal += wanted;
    underruns.fetch_add(soundCountStaleBlocks(framesBefore, bytesTotal >> 2), std::memory_order_relaxed);
    bytesPlayed.fetch_add(wanted, std::memory_order_release);
}

bool openDevice(int32_t rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    subsystemStarted = true;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = copyFromRing;
    SDL_AudioSpec have{};
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted = false;
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    std::snprintf(driverName, sizeof driverName, "%s", driver ? driver : "");
    return true;
}

}  // namespace

uint32_t sdlAudioUnderruns() { return underruns.load(); }
const char* sdlAudioDriver() { return driverName; }

bool waveOutputOpen(int32_t rate) {
    waveOutputClose();
    if (rate < 1) return false;
    bytesPlayed = 0;
    bytesTotal = 0;
    underruns = 0;
    cursor = 0;
    if (openDevice(rate)) return true;
    // No usable device: play silently, in real time.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    return openDevice(rate);
}

void waveOutputPlayLoop(const void* buffer, uint32_t bytes) {
    if (device == 0) return;
    SDL_LockAudioDevice(device);
    ring = static_cast<const uint8_t*>(buffer);
    ringBytes = buffer ? bytes : 0;
    cursor = 0;
    SDL_UnlockAudioDevice(device);
    SDL_PauseAudioDevice(device, 0);
}

uint32_t waveOutputBytesPlayed() { return bytesPlayed.load(std::memory_order_acquire); }

void waveOutputClose() {
    if (device != 0) {
        // Waits for a running callback; afterwards the ring is free.
        SDL_CloseAudioDevice(device);
        device = 0;
        const char* stats = std::getenv("LUMEN_AUDIO_STATS");
        if (stats && stats[0] != '\0') {
            std::fprintf(stderr, "lumen: audio driver %s, %u underruns\n", driverName,
                         static_cast<unsigned>(underruns.load()));
        }
    }
    if (subsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted = false;
    }
    ring = nullptr;
    ringBytes = 0;
    driverName[0] = '\0';
}

namespace {
void (*threadEntry)() = nullptr;

int SDLCALL runMixer(void*) {
    // Failing to raise the priority is not an error: the thread runs anyway.
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
    threadEntry();
    return 0;
}
}  // namespace

bool mixThreadStart(void (*entry)()) {
    if (!entry || mixer) return false;
    threadEntry = entry;
    mixer = SDL_CreateThread(runMixer, "lumen mixer", nullptr);
    return mixer != nullptr;
}

void mixThreadRelease() {
    if (mixer) {
        SDL_WaitThread(mixer, nullptr);
        mixer = nullptr;
    }
}
