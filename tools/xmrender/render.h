#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Module;

// Registers the stream functions over a song's bytes: every open gives a
// fresh read position over them. The bytes must outlive the loads.
void useByteStream(const uint8_t* data, size_t size);

// Loads a song from its bytes through the loader; null (with
// moduleLoadError() telling why) when it is refused.
Module* loadSongBytes(const std::vector<uint8_t>& bytes);

bool readWholeFile(const char* path, std::vector<uint8_t>& bytes);

// One row as played: order position, pattern, row and the output frame at
// which it starts.
struct RowStart {
    int32_t order;
    int32_t pattern;
    int32_t row;
    int64_t frame;
};

struct PassOptions {
    double secondsLimit = 1800.0;                     // safety net for songs that never come back
    std::function<void(const RowStart&)> onRow;       // each row played, in order
    std::function<void(int64_t frames)> onProgress;   // after each block when rendering
};

struct PassResult {
    int64_t frames = 0;     // length of one pass in output frames
    bool complete = false;  // false when the time limit cut it
};

constexpr int32_t renderRate = 44100;

// One pass of the song as other players count it: play stops the first time
// it comes back to an order position and row already played (rows repeated
// by a pattern loop aside). Ticks the sequencer without mixing.
PassResult timeOnePass(Module* module, const PassOptions& options);

// Renders one pass to 16-bit stereo at 44100 Hz through the sound device's
// own block filler on the in-memory wave output, with the same block and tick
// splitting as the mixing thread. `frames` receives left, right, left, ...
PassResult renderOnePass(Module* module, const PassOptions& options, std::vector<int16_t>& frames);

bool writeWav(const char* path, const std::vector<int16_t>& frames);
