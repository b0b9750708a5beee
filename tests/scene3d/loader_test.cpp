#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <string>

#include "model_fixtures.h"

namespace {

void expectSameMesh(const Mesh& a, const Mesh& b) {
    ASSERT_EQ(a.vertexCount, b.vertexCount);
    ASSERT_EQ(a.faceCount, b.faceCount);
    for (int32_t i = 0; i < a.vertexCount; ++i) {
        EXPECT_EQ(a.vertices[i].rest.x, b.vertices[i].rest.x);
        EXPECT_EQ(a.vertices[i].rest.y, b.vertices[i].rest.y);
        EXPECT_EQ(a.vertices[i].rest.z, b.vertices[i].rest.z);
        EXPECT_EQ(a.vertices[i].u, b.vertices[i].u);
        EXPECT_EQ(a.vertices[i].v, b.vertices[i].v);
    }
    for (int32_t i = 0; i < a.faceCount; ++i) {
        EXPECT_EQ(a.faces[i].a, b.faces[i].a);
        EXPECT_EQ(a.faces[i].b, b.faces[i].b);
        EXPECT_EQ(a.faces[i].c, b.faces[i].c);
    }
}

TEST(MeshLoader, ReadsTheCubeInFileOrderScaledToSceneUnits) {
    MeshSet set;
    const Bytes file = cubeFile();
    const std::string path = ::testing::TempDir() + "cube.3ds";
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);

    ASSERT_TRUE(set.loadMesh(path.c_str()));
    ASSERT_EQ(set.meshCount, 1);
    const Mesh& mesh = *set.meshes[0];
    ASSERT_EQ(mesh.vertexCount, 8);
    ASSERT_EQ(mesh.faceCount, 12);
    const Vertex& v = mesh.vertices[7];
    EXPECT_FLOAT_EQ(v.rest.x, 5.0f);
    EXPECT_FLOAT_EQ(v.rest.y, -2.0f);
    EXPECT_FLOAT_EQ(v.rest.z, 1.0f);
    EXPECT_EQ(v.rotated.x, v.rest.x);
    EXPECT_EQ(v.rotated.y, v.rest.y);
    EXPECT_EQ(v.rotated.z, v.rest.z);
    EXPECT_FLOAT_EQ(mesh.vertices[0].rest.x, -1.0f);
    const auto faces = cubeFaces();
    for (int32_t i = 0; i < 12; ++i) {
        EXPECT_EQ(mesh.faces[i].a, faces[i][0]) << "face " << i;
        EXPECT_EQ(mesh.faces[i].b, faces[i][1]) << "face " << i;
        EXPECT_EQ(mesh.faces[i].c, faces[i][2]) << "face " << i;
        EXPECT_EQ(mesh.faces[i].material, nullptr);
    }
}

TEST(MeshLoader, FaceFlagsChangeNothing) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    w.begin(0x4000);
    w.name("cube");
    w.begin(0x4100);
    writeVertexList(w, cubeVertices());
    beginFaceList(w, cubeFaces(), 0xFFFF);
    w.end();
    w.end();
    w.end();
    w.end();
    w.end();
    MeshSet set;
    expectSameMesh(loadBytes(set, w.bytes), loadBytes(set, cubeFile()));
}

// Chunks the loader does not act on are skipped whole wherever they stand,
// even when their contents look like lists.
TEST(MeshLoader, SkipsUnknownChunksAtEveryDepth) {
    auto decoy = [](ChunkWriter& w, uint16_t id) {
        w.begin(id);
        w.u32(0x12345678);
        writeVertexList(w, {{1, 2, 3}});  // inside an unknown chunk: not a vertex list
        beginFaceList(w, {{0, 0, 0}});
        w.end();
        w.end();
    };
    ChunkWriter w;
    decoy(w, 0x0002);  // before the main chunk
    w.begin(0x4D4D);
    decoy(w, 0x0002);  // version
    w.begin(0x3D3D);
    decoy(w, 0xAFFF);  // material library
    decoy(w, 0x0100);  // master scale
    w.begin(0x4000);
    w.name("lamp");
    decoy(w, 0x4600);  // a light object
    w.end();
    w.begin(0x4000);
    w.name("cube");
    decoy(w, 0x4700);  // camera, before the mesh
    w.begin(0x4100);
    decoy(w, 0x4160);  // local axis
    writeVertexList(w, cubeVertices());
    decoy(w, 0x4170);
    beginFaceList(w, cubeFaces());
    decoy(w, 0x4130);  // material group
    decoy(w, 0x4150);  // smoothing groups
    w.end();
    decoy(w, 0x4165);
    w.end();
    w.end();
    w.end();
    decoy(w, 0xB000);  // keyframer
    w.end();

    MeshSet set;
    expectSameMesh(loadBytes(set, w.bytes), loadBytes(set, cubeFile()));
}

TEST(MeshLoader, KeepsTheLastObjectsListsAndPutsMappingIntoTheCurrentList) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    w.begin(0x4000);
    w.name("first");
    w.begin(0x4100);
    writeVertexList(w, cubeVertices());
    writeMappingList(w, 8, 100.0f);
    beginFaceList(w, cubeFaces());
    w.end();
    w.end();
    w.end();
    w.begin(0x4000);
    w.name("second");
    w.begin(0x4100);
    writeVertexList(w, {{20, 0, 0}, {0, 20, 0}, {0, 0, 20}, {13, 20, 20}});
    writeMappingList(w, 4, 7.0f);
    beginFaceList(w, {{0, 1, 2}, {3, 2, 1}});
    w.end();
    w.end();
    w.end();
    w.end();
    w.end();

    MeshSet set;
    const Mesh& mesh = loadBytes(set, w.bytes);
    EXPECT_EQ(set.meshCount, 1);
    ASSERT_EQ(mesh.vertexCount, 4);
    ASSERT_EQ(mesh.faceCount, 2);
    EXPECT_FLOAT_EQ(mesh.vertices[3].rest.z, 1.0f);
    // Scaled in double precision and rounded once (a float 0.05 would give 0.65000004).
    EXPECT_EQ(mesh.vertices[3].rest.x, static_cast<float>(13 * 0.05));
    EXPECT_EQ(mesh.vertices[3].u, 10.0f);
    EXPECT_EQ(mesh.vertices[3].v, -10.0f);
    EXPECT_EQ(mesh.faces[1].a, 3);
    EXPECT_EQ(mesh.faces[1].c, 1);
}

TEST(MeshLoader, ASecondLoadAppendsAndLeavesTheFirstMeshAlone) {
    MeshSet set;
    Mesh& first = loadBytes(set, cubeFile());
    Vertex* firstVertices = first.vertices;
    ChunkWriter w;
    w.begin(0x4D4D);
    writeObject(w, "tri", {{0, 0, 0}, {20, 0, 0}, {0, 20, 0}}, {{0, 1, 2}});
    w.end();
    const Mesh& second = loadBytes(set, w.bytes);
    ASSERT_EQ(set.meshCount, 2);
    EXPECT_EQ(set.meshes[0], &first);
    EXPECT_EQ(first.vertices, firstVertices);
    EXPECT_EQ(first.vertexCount, 8);
    EXPECT_EQ(first.faceCount, 12);
    EXPECT_EQ(second.vertexCount, 3);
    EXPECT_EQ(second.faceCount, 1);
}

TEST(MeshLoader, AFileWithoutListsGivesAnEmptyMeshThatTurnsAndDrawsNothing) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    w.begin(0x4000);
    w.name("empty");
    w.end();
    w.end();
    w.end();
    MeshSet set;
    Mesh& mesh = loadBytes(set, w.bytes);
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.faceCount, 0);
    set.addMaterial(255, 255, 255, 255, FilledGlow);
    mesh.assignMaterial(&set.materials[0]);
    mesh.distance = 20;
    mesh.rotate(1, 2, 3);
    static uint32_t frame[640 * 480];
    static uint32_t glow[64 * 64];
    std::fill(std::begin(glow), std::end(glow), 0xFFFFFFu);
    set.render(frame, glow, 255, 17);
    EXPECT_EQ(std::count(std::begin(frame), std::end(frame), 0u), 640 * 480);
}

TEST(MeshLoader, AMissingFileIsRefusedWithoutAddingAMesh) {
    MeshSet set;
    EXPECT_FALSE(set.loadMesh("/nonexistent/spikigbox.3ds"));
    EXPECT_EQ(set.meshCount, 0);
}

TEST(MeshLoaderDeathTest, AMissingModelTellsTheUserAndEndsWithCodeOne) {
    MeshSet set;
    EXPECT_EXIT(loadModelOrExit(set, "/nonexistent/spikigbox.3ds"), ::testing::ExitedWithCode(1),
                "multimedia error: cannot open 3ds-file");
}

TEST(MeshLoader, ModelOfTheShowLoadsWhenPresent) {
    MeshSet set;
    loadModelOrExit(set, LUMEN_SOURCE_DIR "/assets/spikigbox.3ds");
    ASSERT_EQ(set.meshCount, 1);
    EXPECT_GT(set.meshes[0]->faceCount, 0);
}

TEST(MeshSet, AddMaterialKeepsLowBitsAndRefusesTheHundredAndFirst) {
    MeshSet set;
    ASSERT_TRUE(set.addMaterial(10 + 256, 100 - 512, 200, 128 + 1024, FilledGlow));
    const Material& m = set.materials[0];
    EXPECT_EQ(m.red, 10);
    EXPECT_EQ(m.green, 100);
    EXPECT_EQ(m.blue, 200);
    EXPECT_EQ(m.outlineAlpha, 128);
    EXPECT_EQ(m.mode, FilledGlow);
    for (int i = 1; i < materialCapacity; ++i) {
        ASSERT_TRUE(set.addMaterial(i, i, i, i, Filled));
    }
    EXPECT_FALSE(set.addMaterial(1, 2, 3, 4, Outline));
    EXPECT_EQ(set.materialCount, materialCapacity);
    EXPECT_EQ(set.materials[materialCapacity - 1].red, materialCapacity - 1);

    Mesh& mesh = loadBytes(set, cubeFile());
    mesh.assignMaterial(&set.materials[5]);
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        EXPECT_EQ(mesh.faces[i].material, &set.materials[5]);
    }
}

// Damaged files: the loader stops or skips, never reads outside the bytes or
// writes outside its lists, and what it keeps is consistent.
struct Damaged {
    const char* name;
    std::function<Bytes()> build;
    int32_t vertexCount;
    int32_t faceCount;
};

void setU32(Bytes& b, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Offset of the first chunk header with this id and a plausible length in a
// file written by the fixtures.
size_t findChunk(const Bytes& b, uint16_t id) {
    for (size_t i = 0; i + 6 <= b.size(); ++i) {
        uint32_t length = b[i + 2] | (b[i + 3] << 8) | (b[i + 4] << 16) | (uint32_t{b[i + 5]} << 24);
        if (b[i] == (id & 0xFF) && b[i + 1] == (id >> 8) && length >= 6 && length <= b.size() - i) {
            return i;
        }
    }
    return b.size();
}

// The cube file ending `keep` bytes into the data of its chunk `id`.
Bytes cubeCutAt(uint16_t id, size_t keep) {
    Bytes b = cubeFile();
    b.resize(findChunk(b, id) + 6 + keep);
    return b;
}

Bytes objectWith(const std::function<void(ChunkWriter&)>& body) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    w.begin(0x4000);
    w.name("obj");
    w.begin(0x4100);
    body(w);
    w.end();
    w.end();
    w.end();
    w.end();
    return w.bytes;
}

const std::vector<Point> tri = {{0, 0, 0}, {20, 0, 0}, {0, 20, 0}};

const Damaged damagedFiles[] = {
    {"empty file", [] { return Bytes{}; }, 0, 0},
    {"half a header", [] { return Bytes{0x4D, 0x4D, 0x20}; }, 0, 0},
    {"length zero at the top",
     [] {
         Bytes b = cubeFile();
         setU32(b, 2, 0);
         return b;
     },
     0, 0},  // no way to trust what follows
    {"length below six before the object",
     [] {
         Bytes b = cubeFile();
         setU32(b, 8, 5);  // the editor chunk
         return b;
     },
     0, 0},
    {"length below six after the vertex list",
     [] {
         return objectWith([](ChunkWriter& w) {
             writeVertexList(w, cubeVertices());
             w.u16(0x1234);
             w.u32(3);
             beginFaceList(w, cubeFaces());
             w.end();
         });
     },
     8, 0},
    {"object reaching past the end of the file",
     [] {
         Bytes b = cubeFile();
         setU32(b, findChunk(b, 0x4000) + 2, 0x7FFFFFFF);
         return b;
     },
     8, 12},
    {"unknown chunk reaching past the end of the file",
     [] {
         Bytes b = cubeFile();
         const size_t object = findChunk(b, 0x4000);
         setU32(b, object + 2, 0xFFFFFFFF);
         b[object + 1] = 0x47;  // now a camera
         return b;
     },
     0, 0},
    {"file cut inside the vertex list",
     [] { return cubeCutAt(0x4110, 2 + 12 * 5 + 7); },
     5, 0},
    {"vertex count larger than its chunk",
     [] {
         return objectWith([](ChunkWriter& w) {
             writeVertexList(w, tri, 8);  // but only three follow
             beginFaceList(w, {{0, 1, 2}, {0, 1, 7}});
             w.end();
         });
     },
     3, 1},
    {"file cut inside the face list",
     [] { return cubeCutAt(0x4120, 2 + 8 * 4 + 3); },
     8, 4},
    {"face list too short for its count field",
     [] {
         return objectWith([](ChunkWriter& w) {
             writeVertexList(w, tri);
             beginFaceList(w, {{0, 1, 2}});
             w.end();
             w.begin(0x4120);
             w.u8(1);
             w.end();
         });
     },
     3, 1},
    {"face indices at and beyond the vertex count",
     [] {
         return objectWith([](ChunkWriter& w) {
             writeVertexList(w, tri);
             beginFaceList(w, {{0, 1, 3}, {2, 1, 0}, {65535, 0, 1}, {1, 2, 0}});
             w.end();
         });
     },
     3, 2},
    {"faces before the vertices they use",
     [] {
         return objectWith([](ChunkWriter& w) {
             beginFaceList(w, {{0, 1, 2}});
             w.end();
             writeVertexList(w, tri);
         });
     },
     3, 1},
    {"a later, shorter vertex list",
     [] {
         return objectWith([](ChunkWriter& w) {
             writeVertexList(w, cubeVertices());
             beginFaceList(w, cubeFaces());
             w.end();
             writeVertexList(w, tri);
         });
     },
     3, 0},
    {"mapping list longer than the vertex list",
     [] {
         return objectWith([](ChunkWriter& w) {
             writeVertexList(w, tri);
             writeMappingList(w, 500, 1.0f);
             beginFaceList(w, {{0, 1, 2}});
             w.end();
         });
     },
     3, 1},
    {"mapping list before any vertex list",
     [] {
         return objectWith([](ChunkWriter& w) {
             writeMappingList(w, 40, 1.0f);
             writeVertexList(w, tri);
             beginFaceList(w, {{0, 1, 2}});
             w.end();
         });
     },
     3, 1},
    {"object name without its zero byte",
     [] {
         ChunkWriter w;
         w.begin(0x4000);
         w.u8('x');
         w.u8('y');
         w.end();
         return w.bytes;
     },
     0, 0},
    {"objects nested a hundred thousand deep",
     [] {
         ChunkWriter w;
         for (int i = 0; i < 100000; ++i) {
             w.begin(0x4000);
             w.u8(0);
         }
         writeVertexList(w, tri);
         for (int i = 0; i < 100000; ++i) {
             w.end();
         }
         return w.bytes;
     },
     0, 0},
};

class DamagedFile : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedFile, LoadsSafelyAndConsistently) {
    const Damaged& c = GetParam();
    const Bytes bytes = c.build();
    // A copy of exactly the file's size, so a read past its end is caught by
    // the sanitizers.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    MeshSet set;
    set.loadMeshFromMemory(exact.empty() ? nullptr : exact.data(), exact.size());
    ASSERT_EQ(set.meshCount, 1);
    const Mesh& mesh = *set.meshes[0];
    EXPECT_EQ(mesh.vertexCount, c.vertexCount);
    EXPECT_EQ(mesh.faceCount, c.faceCount);
    EXPECT_TRUE(facesReferToVertices(mesh));
}

INSTANTIATE_TEST_SUITE_P(MeshLoader, DamagedFile, ::testing::ValuesIn(damagedFiles),
                         [](const auto& testInfo) {
                             std::string name = testInfo.param.name;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

TEST(MeshLoader, MappingEntriesBeyondTheListAreDroppedAndTheRestKept) {
    MeshSet set;
    const Mesh& mesh = loadBytes(set, objectWith([](ChunkWriter& w) {
                                     writeVertexList(w, tri);
                                     writeMappingList(w, 500, 1.0f);
                                 }));
    ASSERT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.vertices[2].u, 3.0f);
    EXPECT_EQ(mesh.vertices[2].v, -3.0f);
}

TEST(MeshLoader, FacesKeepTheirOrderWhenBadOnesAreDropped) {
    MeshSet set;
    const Mesh& mesh = loadBytes(set, objectWith([](ChunkWriter& w) {
                                     writeVertexList(w, tri);
                                     beginFaceList(w, {{0, 1, 3}, {2, 1, 0}, {65535, 0, 1}, {1, 2, 0}});
                                     w.end();
                                 }));
    ASSERT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.faces[0].a, 2);
    EXPECT_EQ(mesh.faces[1].a, 1);
}

}  // namespace
