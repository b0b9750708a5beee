#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/frame_buffer.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "raster/text.h"

namespace {

FrameBuffer frame;
GlowSprite glow;

void BM_ClearFrame(benchmark::State& state) {
    for (auto _ : state) {
        clearFrame(frame.pixels, 1, 2, 3);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * framePixelCount);
    state.SetBytesProcessed(state.iterations() * framePixelCount * 4);
}
BENCHMARK(BM_ClearFrame);

// One blendPixel call per pixel of the frame.
void BM_BlendPixel(benchmark::State& state) {
    clearFrame(frame.pixels, 20, 40, 60);
    for (auto _ : state) {
        for (int y = 0; y < frameHeight; ++y)
            for (int x = 0; x < frameWidth; ++x) blendPixel(x, y, frame.pixels, 200, 100, 50, 77);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * framePixelCount);
}
BENCHMARK(BM_BlendPixel);

void BM_AddPixel(benchmark::State& state) {
    clearFrame(frame.pixels, 20, 40, 60);
    for (auto _ : state) {
        for (int y = 0; y < frameHeight; ++y)
            for (int x = 0; x < frameWidth; ++x) addPixel(x, y, frame.pixels, 1, 1, 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * framePixelCount);
}
BENCHMARK(BM_AddPixel);

// Full-width spans, as the bars and the shimmering band draw them.
void BM_DrawSpan(benchmark::State& state) {
    clearFrame(frame.pixels, 20, 40, 60);
    for (auto _ : state) {
        for (int y = 0; y < frameHeight; ++y) drawSpan(frame.pixels, 700, -5, y, 200, 100, 50, 128);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * framePixelCount);
}
BENCHMARK(BM_DrawSpan);

// Lines of about 200 pixels in every direction; items are lines.
void BM_DrawLine(benchmark::State& state) {
    clearFrame(frame.pixels, 0, 0, 0);
    std::vector<int32_t> ends;
    for (int i = 0; i < 256; ++i) {
        const int32_t dx = (i * 37) % 200 - 100;
        const int32_t dy = (i * 53) % 200 - 100;
        ends.push_back(dx * 2);
        ends.push_back(dy * 2);
    }
    int64_t pixels = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < ends.size(); i += 2) {
            drawLine(frame.pixels, 320 << 16, 240 << 16, (320 + ends[i]) << 16, (240 + ends[i + 1]) << 16, 10,
                     100, 200, 200);
            const int32_t ax = ends[i] < 0 ? -ends[i] : ends[i];
            const int32_t ay = ends[i + 1] < 0 ? -ends[i + 1] : ends[i + 1];
            pixels += ax > ay ? ax : ay;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(ends.size() / 2));
    state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawLine);

// A 40-character line of words; items are characters.
void BM_DrawText(benchmark::State& state) {
    clearFrame(frame.pixels, 0, 0, 0);
    const char* text = "music code graphics and the wild compo!";
    for (auto _ : state) {
        for (int y = 0; y < 460; y += 20) drawText(frame.pixels, 2, y, text, 200);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 23 * 39);
}
BENCHMARK(BM_DrawText);

// The glow at size state.range(0), drawn over the middle of the frame;
// items are sprite pixels (destination pixels sampled).
void BM_BlitSpriteAdditive(benchmark::State& state) {
    unpackGlowSprite(glow.pixels);
    clearFrame(frame.pixels, 0, 0, 0);
    const int32_t size = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < 64; ++i)
            blitSpriteAdditive(frame.pixels, glow.pixels, 100 + i * 7, 240, size, size, 0, 0, 480);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 64 * size * size);
}
BENCHMARK(BM_BlitSpriteAdditive)->Arg(4)->Arg(16)->Arg(64);

// The logo at its own size, as the closing scene draws it; items are pixels.
void BM_BlitGreyImage(benchmark::State& state) {
    clearFrame(frame.pixels, 0, 0, 0);
    for (auto _ : state) {
        blitGreyImage(frame.pixels, logoImage, 320, 240, logoWidth, logoHeight, logoWidth, logoHeight, 180);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * logoWidth * logoHeight);
}
BENCHMARK(BM_BlitGreyImage);

}  // namespace

namespace {

// The band between the bars: one sine and cosine and one span per row;
// items are pixels. With no song loaded the play time stays 0.
void BM_DrawShimmerBand(benchmark::State& state) {
    clearFrame(frame.pixels, 0, 0, 0);
    for (auto _ : state) {
        drawShimmerBand(frame.pixels, 160, 0, 640, 120, 360);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 640 * 240);
}
BENCHMARK(BM_DrawShimmerBand);

}  // namespace
