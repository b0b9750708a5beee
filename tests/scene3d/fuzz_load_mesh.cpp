// libFuzzer target: any bytes as a model file. The loader must stay inside
// its input and its lists, and what it keeps must turn and draw safely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/frame_buffer.h"
#include "scene3d/mesh.h"

namespace {

FrameBuffer frame;
uint32_t glow[64 * 64];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy, so a read one byte past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    MeshSet set;
    set.loadMeshFromMemory(bytes.data(), bytes.size());
    if (set.meshCount != 1) std::abort();
    Mesh& mesh = *set.meshes[0];
    if (mesh.vertexCount < 0 || mesh.faceCount < 0) std::abort();
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const Face& f = mesh.faces[i];
        if (f.a < 0 || f.b < 0 || f.c < 0 || f.a >= mesh.vertexCount || f.b >= mesh.vertexCount ||
            f.c >= mesh.vertexCount) {
            std::abort();
        }
    }
    set.addMaterial(10, 100, 200, 128, FilledGlow);
    set.addMaterial(200, 100, 10, 255, Outline);
    mesh.assignMaterial(&set.materials[0]);
    for (int32_t i = 1; i < mesh.faceCount; i += 2) mesh.faces[i].material = &set.materials[1];
    glow[32 * 64 + 32] = 0xFFFFFFu;
    mesh.centreX = 320;
    mesh.centreY = 240;
    mesh.distance = 18;
    mesh.rotate(0.7f, 0.4f, 0.2f);
    set.render(frame.pixels, glow, 130, 17);
    return 0;
}
