// The sound device on Windows: the wave mapper plays the caller's ring as one
// looping buffer, and the mixing thread runs at time-critical priority.
#include "audio/wave_output.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

namespace {

HWAVEOUT device = nullptr;
WAVEHDR header{};
bool headerQueued = false;

HANDLE mixThread = nullptr;
void (*mixThreadEntry)() = nullptr;

DWORD WINAPI runMixThread(LPVOID) {
    mixThreadEntry();
    return 0;
}

}  // namespace

bool waveOutputOpen(int32_t rate) {
    if (rate <= 0) {
        return false;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.nAvgBytesPerSec = static_cast<DWORD>(rate) * 4;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    HWAVEOUT opened = nullptr;
    if (waveOutOpen(&opened, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        return false;
    }
    device = opened;
    return true;
}

void waveOutputPlayLoop(const void* ring, uint32_t bytes) {
    if (device == nullptr) {
        return;
    }
    header = WAVEHDR{};
    // The device only reads the buffer; the header's type is not const.
    header.lpData = static_cast<LPSTR>(const_cast<void*>(ring));
    header.dwBufferLength = bytes;
    header.dwBytesRecorded = 0;
    header.dwUser = 0;
    header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 0xFFFFFFFFu;
    waveOutPrepareHeader(device, &header, sizeof(header));
    waveOutWrite(device, &header, sizeof(header));
    headerQueued = true;
}

uint32_t waveOutputBytesPlayed() {
    if (device == nullptr) {
        return 0;
    }
    MMTIME time{};
    time.wType = TIME_BYTES;
    waveOutGetPosition(device, &time, sizeof(time));
    // A driver may answer in another unit than the one asked for.
    if (time.wType == TIME_SAMPLES) {
        return static_cast<uint32_t>(time.u.sample) * 4u;
    }
    if (time.wType != TIME_BYTES) {
        return 0;
    }
    return static_cast<uint32_t>(time.u.cb);
}

void waveOutputClose() {
    if (device == nullptr) {
        return;
    }
    // Playback is stopped before the header is unprepared: a header still
    // queued cannot be unprepared (the device answers "still playing") and
    // would stay locked to it.
    waveOutReset(device);
    if (headerQueued) {
        waveOutUnprepareHeader(device, &header, sizeof(header));
        header.dwFlags &= ~static_cast<DWORD>(WHDR_PREPARED);
        headerQueued = false;
    }
    waveOutClose(device);
    device = nullptr;
}

bool mixThreadStart(void (*entry)()) {
    mixThreadEntry = entry;
    mixThread = CreateThread(nullptr, 0, runMixThread, nullptr, 0, nullptr);
    if (mixThread == nullptr) {
        return false;
    }
    SetThreadPriority(mixThread, THREAD_PRIORITY_TIME_CRITICAL);
    return true;
}

void mixThreadRelease() {
    if (mixThread != nullptr) {
        CloseHandle(mixThread);
        mixThread = nullptr;
    }
}
