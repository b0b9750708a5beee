#pragma once
#include <cstdint>
#include <cstdio>

// A 16-bit stereo PCM WAV file written as it grows; the sizes in the header
// are filled in when it is closed.
struct WavWriter {
    std::FILE* file = nullptr;
    int32_t rate = 0;
    uint32_t dataBytes = 0;
    bool failed = false;
};

bool wavOpen(WavWriter& wav, const char* path, int32_t rate);
void wavAppend(WavWriter& wav, const int16_t* samples, size_t count);  // count values, left then right
// Returns false when any write failed.
bool wavClose(WavWriter& wav);
