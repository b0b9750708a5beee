// Renders songs through xmrender's path (loader, sequencer, the sound
// device's block filler and the mixer) and reports how many times faster than
// real time that runs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "audio/embedded_song.h"
#include "player/loader.h"
#include "render.h"

namespace {

void renderBytes(benchmark::State& state, const std::vector<uint8_t>& bytes, double secondsLimit) {
    if (bytes.empty()) {
        state.SkipWithError("song not found");
        return;
    }
    int64_t frames = 0;
    std::vector<int16_t> out;
    for (auto _ : state) {
        Module* module = loadSongBytes(bytes);
        if (!module) {
            state.SkipWithError(moduleLoadError());
            return;
        }
        PassOptions options;
        options.secondsLimit = secondsLimit;
        PassResult pass = renderOnePass(module, options, out);
        moduleFree(module);
        frames += pass.frames;
        benchmark::DoNotOptimize(out.data());
    }
    // Seconds of audio per second of rendering.
    state.counters["realtime_factor"] =
        benchmark::Counter(static_cast<double>(frames) / renderRate, benchmark::Counter::kIsRate);
    state.counters["song_seconds"] = static_cast<double>(frames) / renderRate / static_cast<double>(state.iterations());
}

void BM_RenderEmbeddedSong(benchmark::State& state) {
    std::vector<uint8_t> bytes(embeddedSong, embeddedSong + embeddedSongSize);
    renderBytes(state, bytes, 1800);
}
BENCHMARK(BM_RenderEmbeddedSong)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderTestSong(benchmark::State& state, const char* file) {
    std::vector<uint8_t> bytes;
    readWholeFile((std::string(LUMEN_TESTDATA_DIR) + "/xm/" + file).c_str(), bytes);
    renderBytes(state, bytes, 1800);
}
BENCHMARK_CAPTURE(BM_RenderTestSong, theday_8ch, "milky_theday.xm")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderTestSong, endscroll_14ch, "deb-heroes_endscroll.xm")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
