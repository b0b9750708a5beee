#include "spikigbox_model.h"

#include <array>
#include <utility>

#include "chunk_writer.h"

namespace {

// All sizes in file units (the loader scales by 0.05, so 20 file units are one
// scene unit). The show views the model from 18 to 20 scene units, so every
// vertex stays within 270 file units (13.5 scene units) of the centre.
constexpr float boxHalf = 100.0f;
constexpr int cellsPerSide = 3;
// Half the edge of a spike's square base, as a share of a grid cell.
constexpr float spikeBase = 0.3f;

struct P3 {
    float x;
    float y;
    float z;
};

P3 add(P3 a, P3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P3 scale(P3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
P3 sub(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P3 cross(P3 a, P3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct Side {
    P3 normal;
    P3 across;
    P3 down;
};

// The six sides of the box, each with two in-plane directions.
constexpr std::array<Side, 6> sides{{
    {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
    {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
    {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
    {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
    {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
    {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
}};

// Spike length over a side's cells: long in the middle, shorter towards the
// edges, with a little variation from side to side so the box looks bristly
// rather than machined.
float spikeLength(int side, int i, int j) {
    int ring = (i == 1 ? 0 : 1) + (j == 1 ? 0 : 1);  // 0 centre, 1 edge, 2 corner
    static constexpr float byRing[3] = {170.0f, 125.0f, 92.0f};
    static constexpr float wobble[5] = {0.0f, 10.0f, -6.0f, 6.0f, -10.0f};
    return byRing[ring] + (ring == 0 ? 0.0f : wobble[(side * 3 + i * 2 + j) % 5]);
}

struct Geometry {
    std::vector<P3> vertices;
    std::vector<std::array<float, 2>> mapping;
    std::vector<std::array<uint16_t, 3>> faces;
    std::vector<uint32_t> smoothing;
};

// Appends a face wound so that its normal points away from `inside`: the
// renderer's light depends on the winding. The first corner is where the
// renderer puts the face's glow.
void addFace(Geometry& g, uint16_t first, uint16_t b, uint16_t c, P3 inside, uint32_t smoothing) {
    const P3 a = g.vertices[first];
    const P3 normal = cross(sub(g.vertices[b], a), sub(g.vertices[c], a));
    const P3 centroid = scale(add(add(a, g.vertices[b]), g.vertices[c]), 1.0f / 3.0f);
    if (dot(normal, sub(centroid, inside)) < 0) {
        std::swap(b, c);
    }
    g.faces.push_back({first, b, c});
    g.smoothing.push_back(smoothing);
}

uint16_t addVertex(Geometry& g, P3 position, float u, float v) {
    g.vertices.push_back(position);
    g.mapping.push_back({u, v});
    return static_cast<uint16_t>(g.vertices.size() - 1);
}

Geometry buildGeometry() {
    Geometry g;
    const P3 centre{0, 0, 0};
    // The box itself: two triangles a side, glowing at its corners.
    for (int s = 0; s < 6; ++s) {
        const Side& side = sides[s];
        const P3 sideCentre = scale(side.normal, boxHalf);
        uint16_t corner[4];
        for (int k = 0; k < 4; ++k) {
            const float cu = (k == 1 || k == 2) ? 1.0f : -1.0f;
            const float cv = k >= 2 ? 1.0f : -1.0f;
            P3 p = add(sideCentre, add(scale(side.across, boxHalf * cu), scale(side.down, boxHalf * cv)));
            corner[k] = addVertex(g, p, (cu + 1.0f) * 0.5f, (cv + 1.0f) * 0.5f);
        }
        addFace(g, corner[0], corner[1], corner[2], centre, 1u << s);
        addFace(g, corner[2], corner[3], corner[0], centre, 1u << s);
    }
    // The spikes: square-based pyramids standing on a grid over every side,
    // their four faces meeting (and glowing) at the point.
    const float cell = 2.0f * boxHalf / cellsPerSide;
    for (int s = 0; s < 6; ++s) {
        const Side& side = sides[s];
        const P3 sideCentre = scale(side.normal, boxHalf);
        for (int j = 0; j < cellsPerSide; ++j) {
            for (int i = 0; i < cellsPerSide; ++i) {
                const float u = (static_cast<float>(i) + 0.5f) / cellsPerSide;
                const float v = (static_cast<float>(j) + 0.5f) / cellsPerSide;
                const P3 base = add(sideCentre, add(scale(side.across, boxHalf * (2.0f * u - 1.0f)),
                                                    scale(side.down, boxHalf * (2.0f * v - 1.0f))));
                const uint16_t tip =
                    addVertex(g, add(base, scale(side.normal, spikeLength(s, i, j))), u, v);
                uint16_t ring[4];
                for (int k = 0; k < 4; ++k) {
                    const float cu = (k == 1 || k == 2) ? 1.0f : -1.0f;
                    const float cv = k >= 2 ? 1.0f : -1.0f;
                    const float half = cell * spikeBase;
                    P3 p = add(base, add(scale(side.across, half * cu), scale(side.down, half * cv)));
                    ring[k] = addVertex(g, p, u + cu * spikeBase / cellsPerSide,
                                        v + cv * spikeBase / cellsPerSide);
                }
                for (int k = 0; k < 4; ++k) {
                    addFace(g, tip, ring[k], ring[(k + 1) % 4], base, 1u << (6 + s));
                }
            }
        }
    }
    return g;
}

}  // namespace

std::vector<uint8_t> buildSpikigbox() {
    const Geometry g = buildGeometry();
    const char* materialName = "spike metal";
    const char* objectName = "spikigbox";
    ChunkWriter w;
    w.begin(0x4D4D);  // main
    w.begin(0x0002);  // file version
    w.u32(3);
    w.end();

    w.begin(0x3D3D);  // editor data
    w.begin(0x3D3E);  // editor version
    w.u32(3);
    w.end();

    w.begin(0xAFFF);  // material
    w.begin(0xA000);
    w.name(materialName);
    w.end();
    const uint8_t colours[3][3] = {{8, 40, 80}, {10, 100, 200}, {200, 220, 255}};
    for (int k = 0; k < 3; ++k) {
        w.begin(static_cast<uint16_t>(0xA010 + 0x10 * k));  // ambient, diffuse, specular
        w.begin(0x0011);                                    // 24-bit colour
        for (uint8_t channel : colours[k]) {
            w.u8(channel);
        }
        w.end();
        w.end();
    }
    w.begin(0xA040);  // shininess, as a percentage
    w.begin(0x0030);
    w.u16(40);
    w.end();
    w.end();
    w.end();  // material

    w.begin(0x0100);  // master scale
    w.f32(1.0f);
    w.end();

    w.begin(0x4000);  // named object
    w.name(objectName);
    w.begin(0x4100);  // triangle mesh
    w.begin(0x4110);  // vertex list
    w.u16(static_cast<uint16_t>(g.vertices.size()));
    for (const P3& v : g.vertices) {
        w.f32(v.x);
        w.f32(v.y);
        w.f32(v.z);
    }
    w.end();
    w.begin(0x4140);  // mapping coordinates
    w.u16(static_cast<uint16_t>(g.mapping.size()));
    for (const auto& uv : g.mapping) {
        w.f32(uv[0]);
        w.f32(uv[1]);
    }
    w.end();
    w.begin(0x4160);  // local axis: identity rotation, origin at the centre
    const float axis[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (float value : axis) {
        w.f32(value);
    }
    w.end();
    w.begin(0x4120);  // face list
    w.u16(static_cast<uint16_t>(g.faces.size()));
    for (const auto& face : g.faces) {
        w.u16(face[0]);
        w.u16(face[1]);
        w.u16(face[2]);
        w.u16(0x0007);  // all three edges visible
    }
    w.begin(0x4130);  // material group: every face
    w.name(materialName);
    w.u16(static_cast<uint16_t>(g.faces.size()));
    for (size_t i = 0; i < g.faces.size(); ++i) {
        w.u16(static_cast<uint16_t>(i));
    }
    w.end();
    w.begin(0x4150);  // smoothing groups: one per side of the box
    for (uint32_t group : g.smoothing) {
        w.u32(group);
    }
    w.end();
    w.end();  // face list
    w.end();  // triangle mesh
    w.end();  // object
    w.end();  // editor data

    w.begin(0xB000);  // keyframer
    w.begin(0xB00A);  // header: revision, scene name, length in frames
    w.u16(5);
    w.name("lumen");
    w.u32(100);
    w.end();
    w.begin(0xB008);  // active frames
    w.u32(0);
    w.u32(100);
    w.end();
    w.begin(0xB009);  // current frame
    w.u32(0);
    w.end();
    w.begin(0xB002);  // object node
    w.begin(0xB030);  // node id
    w.u16(0);
    w.end();
    w.begin(0xB010);  // node header: name, two flag words, no parent
    w.name(objectName);
    w.u16(0x4000);
    w.u16(0);
    w.u16(0xFFFF);
    w.end();
    w.begin(0xB013);  // pivot
    w.f32(0);
    w.f32(0);
    w.f32(0);
    w.end();
    w.begin(0xB021);  // rotation track: a full turn about y over the scene
    w.u16(0);         // flags
    w.u32(0);
    w.u32(0);
    w.u32(2);  // keys
    for (uint32_t frame : {0u, 100u}) {
        w.u32(frame);
        w.u16(0);  // no spline parameters
        w.f32(frame == 0 ? 0.0f : 6.2831855f);
        w.f32(0);
        w.f32(1);
        w.f32(0);
    }
    w.end();
    w.end();  // object node
    w.end();  // keyframer
    w.end();  // main
    return w.bytes;
}
