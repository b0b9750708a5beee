// Time for one frame of the 3D stage (the model turned and drawn as the show
// draws it) and one of the particle stage, each including the frame clear;
// the clear alone is measured for comparison.
#include <benchmark/benchmark.h>

#include "core/frame_buffer.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "scene3d/mesh.h"
#include "scene3d/particles.h"
#include "tools/modelgen/spikigbox_model.h"

namespace {

FrameBuffer frame;
GlowSprite glow;
ParticleField field;

void clearOnly(benchmark::State& state) {
    for (auto _ : state) {
        clearFrame(frame.pixels, 0, 0, 0);
        benchmark::DoNotOptimize(frame.pixels[0]);
    }
}
BENCHMARK(clearOnly)->Unit(benchmark::kMillisecond);

void modelFrame(benchmark::State& state) {
    unpackGlowSprite(glow.pixels);
    const std::vector<uint8_t> model = buildSpikigbox();
    MeshSet set;
    set.loadMeshFromMemory(model.data(), model.size());
    set.addMaterial(10, 100, 200, 128, FilledGlow);
    Mesh& mesh = *set.meshes[0];
    mesh.assignMaterial(&set.materials[0]);
    mesh.centreX = 320;
    mesh.centreY = 240;
    mesh.distance = static_cast<float>(state.range(0));
    float t = 0;
    for (auto _ : state) {
        clearFrame(frame.pixels, 0, 0, 0);
        mesh.rotate(static_cast<float>(t * 0.6666666666666666), t * 0.33333334f, t * 0.5f);
        set.render(frame.pixels, glow.pixels, 130, 17);
        benchmark::DoNotOptimize(frame.pixels[0]);
        t += 0.02f;
    }
}
BENCHMARK(modelFrame)->Arg(20)->Arg(18)->Unit(benchmark::kMillisecond);

void particleFrame(benchmark::State& state) {
    unpackGlowSprite(glow.pixels);
    field.scatter();
    float t = 0;
    for (auto _ : state) {
        clearFrame(frame.pixels, 0, 0, 0);
        field.rotate(t * 0.5f, t, t * 0.33333334f);
        field.draw(frame.pixels, glow.pixels, 0, frameHeight);
        benchmark::DoNotOptimize(frame.pixels[0]);
        t += 0.02f;
    }
}
BENCHMARK(particleFrame)->Unit(benchmark::kMillisecond);

// A large triangle: the filler's row stepping and the spans.
void fillLargeTriangle(benchmark::State& state) {
    for (auto _ : state) {
        fillTriangle(frame.pixels, 20 << 16, -30, 630 << 16, 200, 100 << 16, 470, 10, 100, 200, 130);
        benchmark::DoNotOptimize(frame.pixels[0]);
    }
}
BENCHMARK(fillLargeTriangle)->Unit(benchmark::kMillisecond);

}  // namespace
