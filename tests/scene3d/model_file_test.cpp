#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/frame_buffer.h"
#include "model_fixtures.h"
#include "scene3d/mesh.h"
#include "tools/modelgen/spikigbox_model.h"

namespace {

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every chunk id in the file's tree, descending into the chunks that hold
// only sub-chunks (and the object after its name, the face list after its faces).
void collectIds(const Bytes& b, size_t pos, size_t end, std::set<uint16_t>& ids) {
    while (pos + 6 <= end) {
        const uint16_t id = static_cast<uint16_t>(b[pos] | (b[pos + 1] << 8));
        const uint32_t length = b[pos + 2] | (b[pos + 3] << 8) | (b[pos + 4] << 16) | (uint32_t{b[pos + 5]} << 24);
        ASSERT_GE(length, 6u);
        ASSERT_LE(length, end - pos);
        ids.insert(id);
        size_t inner = pos + 6;
        switch (id) {
        case 0x4D4D: case 0x3D3D: case 0x4100: case 0xAFFF: case 0xB000: case 0xB002:
            collectIds(b, inner, pos + length, ids);
            break;
        case 0x4000:
            while (b[inner] != 0) ++inner;
            collectIds(b, inner + 1, pos + length, ids);
            break;
        case 0x4120: {
            const size_t faces = b[inner] | (b[inner + 1] << 8);
            collectIds(b, inner + 2 + 8 * faces, pos + length, ids);
            break;
        }
        default:
            break;
        }
        pos += length;
    }
}

const std::string modelPath = LUMEN_SOURCE_DIR "/assets/spikigbox.3ds";

TEST(ModelFile, TheGeneratorReproducesTheCommittedFile) {
    const Bytes committed = readFile(modelPath);
    ASSERT_FALSE(committed.empty()) << modelPath;
    EXPECT_TRUE(buildSpikigbox() == committed)
        << "assets/spikigbox.3ds differs from the generator's output; run lumen_modelgen";
}

TEST(ModelFile, HoldsTheChunksAModellingProgramWritesAroundTheMesh) {
    const Bytes file = buildSpikigbox();
    std::set<uint16_t> ids;
    collectIds(file, 0, file.size(), ids);
    for (uint16_t id : {0x4D4D, 0x0002, 0x3D3D, 0x3D3E, 0x0100, 0xAFFF, 0xA000, 0x4000, 0x4100,
                        0x4110, 0x4120, 0x4130, 0x4140, 0x4150, 0x4160, 0xB000}) {
        EXPECT_TRUE(ids.count(id)) << std::hex << id;
    }
}

// The show turns the model at viewer distances 18 to 20 about the centres
// (320, 240) and (106, 240): no corner may reach the viewer, and it should
// fill a good part of the screen without swamping it.
TEST(ModelFile, StaysInFrontOfTheViewerAndHasAGoodSize) {
    MeshSet set;
    Mesh& mesh = loadBytes(set, buildSpikigbox());
    ASSERT_GT(mesh.vertexCount, 100);
    ASSERT_GT(mesh.faceCount, 100);
    EXPECT_TRUE(facesReferToVertices(mesh));
    double radius = 0;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const Vec3& p = mesh.vertices[i].rest;
        radius = std::max(radius, std::sqrt(p.dot(p)));
    }
    EXPECT_LT(radius, 14.0);  // so z + distance stays above 4 at every angle
    mesh.centreX = 320;
    mesh.centreY = 240;
    for (float distance : {18.0f, 20.0f}) {
        mesh.distance = distance;
        for (float t = 0; t < 60; t += 1.7f) {
            mesh.rotate(static_cast<float>(t * 0.6666666666666666), t * 0.33333334f, t * 0.5f);
            float left = 1e9f, right = -1e9f;
            for (int32_t i = 0; i < mesh.vertexCount; ++i) {
                const Vec3& p = mesh.vertices[i].rotated;
                const float x = static_cast<float>(p.x * 128.0 / (p.z + distance) + 320.0);
                left = std::min(left, x);
                right = std::max(right, x);
            }
            EXPECT_GT(right - left, 140.0f) << "t " << t << " distance " << distance;
            EXPECT_LT(right - left, 320.0f) << "t " << t << " distance " << distance;
        }
    }
}

// Files written by other programs: the lists of the last object are kept
// (counts from the test material's description and its last object).
TEST(ModelFile, RealFilesLoadWithTheirLastObjectsListsAndRender) {
    struct RealFile {
        const char* name;
        int32_t vertices;
        int32_t faces;
    };
    const RealFile files[] = {{"fels.3ds", 386, 768},
                              {"RotatingCube.3DS", 26, 12},
                              {"cubes_with_alpha.3DS", 26, 12},
                              {"jeep1.3ds", 1060, 1192}};
    const std::string folder = LUMEN_TESTDATA_DIR "/3ds/";
    if (readFile(folder + files[0].name).empty()) {
        GTEST_SKIP() << "test material not found in " << folder;
    }
    static uint32_t frame[framePixelCount];
    static uint32_t glow[64 * 64];
    std::fill(std::begin(glow), std::end(glow), 0x080808u);
    for (const RealFile& f : files) {
        MeshSet set;
        ASSERT_TRUE(set.loadMesh((folder + f.name).c_str())) << f.name;
        Mesh& mesh = *set.meshes[0];
        EXPECT_EQ(mesh.vertexCount, f.vertices) << f.name;
        EXPECT_EQ(mesh.faceCount, f.faces) << f.name;
        EXPECT_TRUE(facesReferToVertices(mesh)) << f.name;
        set.addMaterial(10, 100, 200, 128, FilledGlow);
        set.addMaterial(200, 100, 10, 200, Outline);
        mesh.assignMaterial(&set.materials[0]);
        for (int32_t i = 0; i < mesh.faceCount; i += 3) mesh.faces[i].material = &set.materials[1];
        mesh.centreX = 320;
        mesh.centreY = 240;
        mesh.distance = 20;
        std::fill(std::begin(frame), std::end(frame), 0u);
        for (float t : {0.0f, 1.0f, 2.5f}) {
            mesh.rotate(t, t * 0.5f, t * 0.25f);
            set.render(frame, glow, 130, 9);
        }
        EXPECT_GT(std::count_if(std::begin(frame), std::end(frame), [](uint32_t p) { return p != 0; }), 0)
            << f.name << " drew nothing";
    }
}

}  // namespace
