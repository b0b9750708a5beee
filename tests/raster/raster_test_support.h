#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/frame_buffer.h"

// A frame with guard zones before and after it, to catch writes that leave
// the picture.
struct GuardedFrame {
    static constexpr uint32_t canary = 0xA5C3E1F0u;
    static constexpr size_t guard = 4 * frameWidth;

    std::vector<uint32_t> memory = std::vector<uint32_t>(framePixelCount + 2 * guard, canary);
    uint32_t* pixels = memory.data() + guard;

    GuardedFrame() { std::fill(pixels, pixels + framePixelCount, 0u); }
    void fill(uint32_t value) { std::fill(pixels, pixels + framePixelCount, value); }
    uint32_t& at(int x, int y) { return pixels[y * frameWidth + x]; }
    bool guardsIntact() const {
        return std::all_of(memory.begin(), memory.begin() + guard, [](uint32_t v) { return v == canary; }) &&
               std::all_of(memory.end() - guard, memory.end(), [](uint32_t v) { return v == canary; });
    }
    // Indices of the pixels that differ from `background`.
    std::vector<int> changed(uint32_t background = 0) const {
        std::vector<int> out;
        for (int i = 0; i < framePixelCount; ++i)
            if (pixels[i] != background) out.push_back(i);
        return out;
    }
};

inline uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }
inline int pixelIndex(int x, int y) { return y * frameWidth + x; }
