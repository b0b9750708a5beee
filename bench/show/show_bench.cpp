// One show frame drawn and presented (virtual display, 32-bit converter) for
// each kind of scene, with the median and the worst time of a frame. Frames
// are timed in the thread's own processor time, so that other programs on a
// busy machine do not show up as slow frames; the wall-clock mean is the
// benchmark's usual Time column.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

#include "audio/music_player.h"
#include "display/display.h"
#include "player/module.h"
#include "scene3d/mesh.h"
#include "show/schedule.h"
#include "show/show.h"

namespace {

Module song;  // a hand-set song position

struct Scene {
    int32_t order;
    int32_t row;
    ShowState state;
};

double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

void prepareOnce() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    prepareShowWithModel(LUMEN_SOURCE_DIR "/assets/spikigbox.3ds");
    if (!openDisplay("quorbel::lumen", 640, 480)) std::fprintf(stderr, "the virtual display did not open\n");
    setShowEndHandler([] {});
    musicPlayer.module = &song;
}

void showFrame(benchmark::State& bench, const Scene& scene) {
    prepareOnce();
    std::vector<double> milliseconds;
    float seconds = 20.0f;
    for (auto _ : bench) {
        showState = scene.state;
        song.orderPosition = scene.order;
        song.row = scene.row;
        song.playSeconds = seconds;
        seconds += 1.0f / 60;  // the model and the cloud turn from frame to frame
        const double start = threadMilliseconds();
        drawShowFrame();
        presentFrame(frameBuffer.pixels);
        milliseconds.push_back(threadMilliseconds() - start);
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    bench.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
    bench.counters["worst_ms"] = milliseconds.back();
}

ShowState opened(uint8_t faceAlpha, uint8_t glowSize, uint8_t titleAlpha) {
    ShowState state;
    state.barHalfHeight = 80;
    state.faceAlpha = faceAlpha;
    state.glowSize = glowSize;
    state.titleAlpha = titleAlpha;
    return state;
}

void openingWithModel(benchmark::State& bench) {
    showFrame(bench, {1, 40, opened(130, 17, 200)});
}

void wordsAndModel(benchmark::State& bench) {
    showFrame(bench, {3, 26, opened(130, 17, 200)});
}

void particlesAndCredits(benchmark::State& bench) {
    showFrame(bench, {6, 20, opened(0, 1, 0)});
}

void logoOnly(benchmark::State& bench) {
    ShowState state;
    state.logoAlpha = 200;
    showFrame(bench, {9, 20, state});
}

}  // namespace

BENCHMARK(openingWithModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(wordsAndModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(particlesAndCredits)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(logoOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
