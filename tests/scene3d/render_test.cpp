#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "core/frame_buffer.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "scene3d/mesh.h"

namespace {

constexpr float quarter = static_cast<float>(std::numbers::pi / 2);

TEST(MeshRotate, TurnsAboutXThenYThenZ) {
    struct Case {
        float ax, ay, az;
        Vec3 rest;
        Vec3 expected;
    };
    const Case cases[] = {
        {0, 0, 0, {0.3f, -7.25f, 1e-3f}, {0.3f, -7.25f, 1e-3f}},
        {quarter, 0, 0, {0, 0, 1}, {0, 1, 0}},
        {quarter, 0, 0, {0, 1, 0}, {0, 0, -1}},
        {0, quarter, 0, {0, 0, 1}, {1, 0, 0}},
        {0, 0, quarter, {1, 0, 0}, {0, 1, 0}},
        // The order matters: x first, then y, then z.
        {quarter, quarter, 0, {0, 1, 0}, {-1, 0, 0}},
        {0, quarter, quarter, {0, 0, 1}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        Vertex vertex{c.rest, {9, 9, 9}, 0, 0};
        Mesh mesh;
        mesh.vertices = &vertex;
        mesh.vertexCount = 1;
        mesh.rotate(c.ax, c.ay, c.az);
        EXPECT_NEAR(vertex.rotated.x, c.expected.x, 1e-6) << c.ax << " " << c.ay << " " << c.az;
        EXPECT_NEAR(vertex.rotated.y, c.expected.y, 1e-6) << c.ax << " " << c.ay << " " << c.az;
        EXPECT_NEAR(vertex.rotated.z, c.expected.z, 1e-6) << c.ax << " " << c.ay << " " << c.az;
        EXPECT_EQ(vertex.rest.x, c.rest.x);
        if (c.ax == 0 && c.ay == 0 && c.az == 0) {
            EXPECT_EQ(vertex.rotated.x, c.rest.x);
            EXPECT_EQ(vertex.rotated.y, c.rest.y);
            EXPECT_EQ(vertex.rotated.z, c.rest.z);
        }
    }
}

TEST(Vec3, NormalizeAndDot) {
    Vec3 light{-213, 0, -5};
    light.normalize();
    EXPECT_FLOAT_EQ(light.x, -0.99972457f);
    EXPECT_EQ(light.y, 0.0f);
    EXPECT_FLOAT_EQ(light.z, -0.023467714f);
    EXPECT_DOUBLE_EQ((Vec3{1, 2, 3}.dot(Vec3{4, -5, 6})), 12.0);
}

// A MeshSet holding one hand-made Mesh whose rotated corners the test sets.
struct Scene {
    explicit Scene(std::vector<Vec3> corners, std::vector<std::array<int32_t, 3>> faces,
                   int32_t mode = FilledGlow) {
        set.addMaterial(10, 100, 200, 128, mode);
        set.meshes = new Mesh*[1];
        Mesh* mesh = new Mesh();
        set.meshes[0] = mesh;
        set.meshCount = 1;
        mesh->vertexCount = static_cast<int32_t>(corners.size());
        mesh->vertices = new Vertex[corners.size()]();
        for (size_t i = 0; i < corners.size(); ++i) {
            mesh->vertices[i].rest = corners[i];
            mesh->vertices[i].rotated = corners[i];
        }
        mesh->faceCount = static_cast<int32_t>(faces.size());
        mesh->faces = new Face[faces.size()]();
        for (size_t i = 0; i < faces.size(); ++i) {
            mesh->faces[i].a = faces[i][0];
            mesh->faces[i].b = faces[i][1];
            mesh->faces[i].c = faces[i][2];
        }
        mesh->assignMaterial(&set.materials[0]);
        mesh->centreX = 320;
        mesh->centreY = 240;
        mesh->distance = 20;
    }
    Mesh& mesh() { return *set.meshes[0]; }
    MeshSet set;
};

struct Frames {
    Frames() : drawn(framePixelCount, 0x102030u), expected(framePixelCount, 0x102030u) {
        // A small glow: a 4x4 block of one colour.
        glow.assign(64 * 64, 0);
        for (int y = 24; y < 40; ++y)
            for (int x = 24; x < 40; ++x) glow[y * 64 + x] = 0x203040u;
    }
    std::vector<uint32_t> drawn;
    std::vector<uint32_t> expected;
    std::vector<uint32_t> glow;
};

TEST(MeshRender, ProjectsWithPerspectiveAndTruncation) {
    // (1, -2, 4) at distance 20 lands on (325, 229); the face is drawn as the
    // screen triangle of its three projected corners.
    Scene scene({{1, -2, 4}, {3, -2, 4}, {1, 0, 4}}, {{0, 1, 2}}, Filled);
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 200, 17);
    fillTriangle(f.expected.data(), 325 << 16, 229, 336 << 16, 229, 325 << 16, 240, 4, 48, 97, 200);
    EXPECT_EQ(f.drawn, f.expected);
}

TEST(MeshRender, ShadesEachFaceFromTheFixedLight) {
    struct Case {
        const char* name;
        Vec3 a, b, c;
        Vec3 normal;
        int32_t red, green, blue;
    };
    const Case cases[] = {
        {"facing the viewer", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 4, 48, 97},
        {"facing away", {0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, 5, 51, 102},
        {"normal along y", {0, 10, 0}, {0, 10, 10}, {5, 10, 0}, {0, 1, 0}, 5, 50, 100},
        {"normal towards the light", {10, 0, 0}, {10, 0, 10}, {10, 5, 0}, {-1, 0, 0}, 9, 99, 199},
        {"normal away from the light", {10, 0, 0}, {10, 5, 0}, {10, 0, 10}, {1, 0, 0}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Scene scene({c.a, c.b, c.c}, {{0, 1, 2}}, Filled);
        Frames f;
        scene.set.render(f.drawn.data(), f.glow.data(), 255, 17);
        const Face& face = scene.mesh().faces[0];
        EXPECT_NEAR(face.normal.x, c.normal.x, 1e-6) << c.name;
        EXPECT_NEAR(face.normal.y, c.normal.y, 1e-6) << c.name;
        EXPECT_NEAR(face.normal.z, c.normal.z, 1e-6) << c.name;
        auto screen = [](const Vec3& p, int32_t& x, int32_t& y) {
            x = static_cast<int32_t>(p.x * 128.0 / (p.z + 20.0) + 320.0);
            y = static_cast<int32_t>(p.y * 128.0 / (p.z + 20.0) + 240.0);
        };
        int32_t x[3], y[3];
        screen(c.a, x[0], y[0]);
        screen(c.b, x[1], y[1]);
        screen(c.c, x[2], y[2]);
        fillTriangle(f.expected.data(), x[0] << 16, y[0], x[1] << 16, y[1], x[2] << 16, y[2], c.red,
                     c.green, c.blue, 255);
        EXPECT_NE(f.expected, Frames().expected) << c.name << ": the face must be visible";
        EXPECT_EQ(f.drawn, f.expected) << c.name;
    }
}

TEST(MeshRender, TheFirstFilledFaceLandsOnTheExpectedTriangle) {
    Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, Filled);
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 130, 17);
    fillTriangle(f.expected.data(), 320 << 16, 240, 326 << 16, 240, 320 << 16, 246, 4, 48, 97, 130);
    EXPECT_EQ(f.drawn, f.expected);
}

TEST(MeshRender, GlowFaceAddsTheSpriteAtItsFirstCornerAfterItsFill) {
    Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 2, 0}}, {{0, 1, 2}, {3, 2, 1}});
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 130, 17 + 256);
    fillTriangle(f.expected.data(), 320 << 16, 240, 326 << 16, 240, 320 << 16, 246, 4, 48, 97, 130);
    blitSpriteAdditive(f.expected.data(), f.glow.data(), 320, 240, 17, 17, 0, 0, 480);
    fillTriangle(f.expected.data(), 332 << 16, 252, 320 << 16, 246, 326 << 16, 240, 4, 48, 97, 130);
    blitSpriteAdditive(f.expected.data(), f.glow.data(), 332, 252, 17, 17, 0, 0, 480);
    EXPECT_EQ(f.drawn, f.expected);
}

TEST(MeshRender, AlphaZeroLeavesFacesOutButGlowsStillShow) {
    for (int32_t mode : {Filled, FilledGlow}) {
        Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, mode);
        Frames f;
        scene.set.render(f.drawn.data(), f.glow.data(), 256, 17);  // low 8 bits: 0
        if (mode == FilledGlow) {
            blitSpriteAdditive(f.expected.data(), f.glow.data(), 320, 240, 17, 17, 0, 0, 480);
        }
        EXPECT_EQ(f.drawn, f.expected) << "mode " << mode;
    }
}

TEST(MeshRender, ModesWithoutADrawingAndGlowSizeZeroDrawNothingExtra) {
    for (int32_t mode : {1, 4, 99, -1}) {
        Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, mode);
        Frames f;
        scene.set.render(f.drawn.data(), f.glow.data(), 255, 17);
        EXPECT_EQ(f.drawn, f.expected) << "mode " << mode;
    }
    Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, FilledGlow);
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 0, 512);  // low 8 bits: 0, no sprite
    EXPECT_EQ(f.drawn, f.expected);
}

TEST(MeshRender, LaterFacesBlendOverEarlierOnesWhateverTheirDepth) {
    // The second face lies behind the first, yet is drawn over it.
    Scene scene({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {0, 0, 5}, {0, 5, 5}, {5, 0, 5}},
                {{0, 1, 2}, {3, 4, 5}}, Filled);
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 130, 17);
    fillTriangle(f.expected.data(), 320 << 16, 240, 345 << 16, 240, 320 << 16, 265, 4, 48, 97, 130);
    fillTriangle(f.expected.data(), 320 << 16, 240, 320 << 16, 265, 345 << 16, 240, 5, 51, 102, 130);
    EXPECT_EQ(f.drawn, f.expected);
}

TEST(MeshRender, OutlineUsesTheUnshadedColourAndSkipsFacesLeavingTheScreen) {
    Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-100, 0, 0}}, {{0, 1, 2}, {3, 1, 2}}, Outline);
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 255, 17);
    drawTriangleOutline(f.expected.data(), 320, 240, 326, 240, 320, 246, 10, 100, 200, 128);
    EXPECT_EQ(f.drawn, f.expected);
}

TEST(MeshRender, SkipsFacesAtOrBehindTheViewerAndGivesFlatFacesTheDarkestColour) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, -20}, {1, 1, -25}, {2, 2, 0}, {4, 4, 0},
                 {nan, 0, 0}, {inf, 0, 0}, {1e30f, 0, 0}, {1, 1, -19.99999f}},
                {{3, 1, 2}, {0, 4, 2}, {0, 5, 6}, {7, 1, 2}, {0, 8, 2}, {0, 1, 9}, {0, 1, 10}},
                FilledGlow);
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 255, 17);
    // Only the collinear face (0, 5, 6) is drawn: its fill is empty, its glow shows.
    blitSpriteAdditive(f.expected.data(), f.glow.data(), 320, 240, 17, 17, 0, 0, 480);
    EXPECT_EQ(f.drawn, f.expected);
    const Vec3 n = scene.mesh().faces[2].normal;
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
}

TEST(MeshRender, AFaceWithoutAMaterialIsLeftOut) {
    Scene scene({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, Filled);
    scene.mesh().assignMaterial(nullptr);
    Frames f;
    scene.set.render(f.drawn.data(), f.glow.data(), 255, 17);
    EXPECT_EQ(f.drawn, f.expected);
}

}  // namespace
