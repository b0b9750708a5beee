#pragma once
// Small 3D Studio files built in memory for the scene tests.
#include <array>
#include <cstdint>
#include <vector>

#include "scene3d/mesh.h"
#include "tools/modelgen/chunk_writer.h"

using Bytes = std::vector<uint8_t>;
using Point = std::array<float, 3>;
using Triangle = std::array<uint16_t, 3>;

// The unit cube scaled to file units: 8 corners, 12 faces.
inline std::vector<Point> cubeVertices() {
    std::vector<Point> v;
    for (int i = 0; i < 8; ++i) {
        v.push_back({i & 1 ? 20.0f : -20.0f, i & 2 ? 20.0f : -20.0f, i & 4 ? 20.0f : -20.0f});
    }
    v[7] = {100.0f, -40.0f, 20.0f};  // a corner with a known scaled position
    return v;
}

inline std::vector<Triangle> cubeFaces() {
    return {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
            {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
}

// `count` overrides the list's count field (a damaged list) when not negative.
inline void writeVertexList(ChunkWriter& w, const std::vector<Point>& vertices, int count = -1) {
    w.begin(0x4110);
    w.u16(static_cast<uint16_t>(count >= 0 ? count : static_cast<int>(vertices.size())));
    for (const Point& p : vertices) {
        w.f32(p[0]);
        w.f32(p[1]);
        w.f32(p[2]);
    }
    w.end();
}

// The face list without its end, so callers can add sub-chunks.
inline void beginFaceList(ChunkWriter& w, const std::vector<Triangle>& faces, uint16_t flags = 0) {
    w.begin(0x4120);
    w.u16(static_cast<uint16_t>(faces.size()));
    for (const Triangle& f : faces) {
        w.u16(f[0]);
        w.u16(f[1]);
        w.u16(f[2]);
        w.u16(flags);
    }
}

inline void writeMappingList(ChunkWriter& w, uint16_t count, float start) {
    w.begin(0x4140);
    w.u16(count);
    for (uint16_t i = 0; i < count; ++i) {
        w.f32(start + i);
        w.f32(-(start + i));
    }
    w.end();
}

// One named object holding a triangle mesh with the given lists.
inline void writeObject(ChunkWriter& w, const char* name, const std::vector<Point>& vertices,
                        const std::vector<Triangle>& faces) {
    w.begin(0x4000);
    w.name(name);
    w.begin(0x4100);
    writeVertexList(w, vertices);
    beginFaceList(w, faces);
    w.end();
    w.end();
    w.end();
}

// A complete file: main chunk, editor chunk, the given objects.
inline Bytes cubeFile() {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    writeObject(w, "cube", cubeVertices(), cubeFaces());
    w.end();
    w.end();
    return w.bytes;
}

inline Mesh& loadBytes(MeshSet& set, const Bytes& bytes) {
    set.loadMeshFromMemory(bytes.data(), bytes.size());
    return *set.meshes[set.meshCount - 1];
}

// Whatever a file held, every face of a loaded Mesh refers to vertices that exist.
inline bool facesReferToVertices(const Mesh& mesh) {
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const Face& f = mesh.faces[i];
        for (int32_t index : {f.a, f.b, f.c}) {
            if (index < 0 || index >= mesh.vertexCount) {
                return false;
            }
        }
    }
    return true;
}
