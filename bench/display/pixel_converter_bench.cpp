// Whole 640x480 frames through each converter, row by row as presentFrame
// does it, against a plain memcpy of the same frame. Items are pixels, so
// items_per_second reads as pixels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/frame_buffer.h"
#include "display/pixel_converter.h"

namespace {

std::vector<uint32_t> makeFrame() {
    std::vector<uint32_t> frame(framePixelCount);
    for (int32_t i = 0; i < framePixelCount; ++i) {
        frame[i] = (static_cast<uint32_t>(i) * 2654435761u) & 0x00FFFFFF;
    }
    return frame;
}

void convertFrame(benchmark::State& state, const PixelConverterEntry& entry) {
    const std::vector<uint32_t> frame = makeFrame();
    const int32_t pitch = frameWidth * static_cast<int32_t>(entry.bytesPerPixel);
    std::vector<uint8_t> surface(static_cast<size_t>(pitch) * frameHeight);
    for (auto _ : state) {
        const uint32_t* source = frame.data();
        uint8_t* destination = surface.data();
        for (int32_t y = 0; y < frameHeight; ++y) {
            entry.converter(source, destination, frameWidth);
            source += frameWidth;
            destination += pitch;
        }
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * framePixelCount);
}

void copyFrame(benchmark::State& state) {
    const std::vector<uint32_t> frame = makeFrame();
    std::vector<uint8_t> surface(static_cast<size_t>(framePixelCount) * 4);
    for (auto _ : state) {
        std::memcpy(surface.data(), frame.data(), surface.size());
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * framePixelCount);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("memcpy", copyFrame);
    for (const PixelConverterEntry& entry : pixelConverterTable) {
        benchmark::RegisterBenchmark("convert", convertFrame, entry)->Name(entry.name);
    }
    return true;
}();

}  // namespace
