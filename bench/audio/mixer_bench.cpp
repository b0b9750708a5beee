// The mixer's inner loop: frames per second at 1 to 256 sounding voices, and
// the real-time factor at 44100 Hz ("realtime" counter: seconds of output
// mixed per second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "audio/mixer.h"
#include "core/list.h"
#include "player/module.h"

namespace {

constexpr int32_t block = 884;  // 20 ms at 44100 Hz

struct BenchSample {
    std::unique_ptr<int16_t[]> data;
    Sample sample{};
    BenchSample(uint32_t length, uint8_t loopType, uint32_t loopStart, uint32_t loopLength)
        : data(new int16_t[length + 8]()) {
        for (uint32_t i = 0; i < length; ++i) {
            data[i] = static_cast<int16_t>(12000.0 * std::sin(i * 0.05) + 3000.0 * std::sin(i * 0.31));
        }
        sample.data = data.get();
        sample.length = length;
        sample.loopType = loopType;
        sample.loopStart = loopStart;
        sample.loopLength = loopLength;
        const uint32_t end = loopStart + loopLength;
        data[end] = loopType == 4 ? data[end - 1] : data[loopStart];
    }
};

// Voices on short forward and ping-pong loops at spread-out pitches, their
// volumes changed every block so that every block starts with a ramp.
void mixVoicesBench(benchmark::State& state) {
    const int32_t sounding = static_cast<int32_t>(state.range(0));
    mixerSetRate(44100);
    voicesCreate();
    std::vector<std::unique_ptr<BenchSample>> samples;
    samples.push_back(std::make_unique<BenchSample>(4000, 2, 1000, 3000));
    samples.push_back(std::make_unique<BenchSample>(2500, 4, 500, 2000));
    samples.push_back(std::make_unique<BenchSample>(600, 2, 100, 500));
    samples.push_back(std::make_unique<BenchSample>(900, 4, 0, 900));
    for (int32_t v = 0; v < sounding; ++v) {
        Voice* voice = &voiceTable[v];
        voiceSetFrequency(voice, static_cast<int32_t>(8363.0 * std::pow(2.0, (v % 37 - 18) / 12.0)));
        voiceSetPan(voice, (v * 53) % 256);
        voiceSetVolume(voice, 200);
        voiceStart(v, &samples[static_cast<size_t>(v) % samples.size()]->sample);
    }
    std::vector<float> accumulation(2 * block);
    int32_t volume = 0;
    for (auto _ : state) {
        volume = volume == 200 ? 120 : 200;
        for (int32_t v = 0; v < sounding; ++v) voiceSetVolume(&voiceTable[v], volume);
        mixVoices(accumulation.data(), &voiceList, block);
        benchmark::DoNotOptimize(accumulation.data());
        benchmark::ClobberMemory();
    }
    const double frames = static_cast<double>(state.iterations()) * block;
    state.SetItemsProcessed(static_cast<int64_t>(frames));
    state.counters["realtime"] = benchmark::Counter(frames / 44100.0, benchmark::Counter::kIsRate);
    voicesRelease();
}
BENCHMARK(mixVoicesBench)->Arg(1)->Arg(16)->Arg(64)->Arg(256);

void convertBlockBench(benchmark::State& state) {
    std::vector<float> accumulation(2 * block);
    for (size_t i = 0; i < accumulation.size(); ++i) accumulation[i] = static_cast<float>(i * 97 % 90000) - 45000.0f;
    std::vector<int16_t> out(2 * block);
    for (auto _ : state) {
        convertBlock(out.data(), accumulation.data(), block);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * block);
}
BENCHMARK(convertBlockBench);

}  // namespace
