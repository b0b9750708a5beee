#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/frame_buffer.h"
#include "raster/blit.h"
#include "scene3d/particles.h"

namespace {

TEST(ParticleField, ScatterDrawsWholeNumbersFromTheCLibraryGenerator) {
    static ParticleField field;
    std::srand(1234);
    field.scatter();
    std::srand(1234);
    for (const Particle& p : field.particles) {
        const int x = std::rand() % 640 - 320;
        const int y = std::rand() % 480 - 240;
        const int z = std::rand() % 1024 - 512;
        ASSERT_EQ(p.rest.x, static_cast<float>(x));
        ASSERT_EQ(p.rest.y, static_cast<float>(y));
        ASSERT_EQ(p.rest.z, static_cast<float>(z));
        ASSERT_TRUE(x >= -320 && x <= 319 && y >= -240 && y <= 239 && z >= -512 && z <= 511);
    }
}

TEST(ParticleField, RotateTurnsLikeTheMeshAndMovesBack) {
    static ParticleField field;
    field.scatter();
    field.rotate(0, 0, 0);
    for (const Particle& p : field.particles) {
        ASSERT_EQ(p.rotated.x, p.rest.x);
        ASSERT_EQ(p.rotated.y, p.rest.y);
        ASSERT_EQ(p.rotated.z, p.rest.z - 50);
    }
    // The same three steps as Mesh::rotate.
    Vertex vertex{field.particles[7].rest, {}, 0, 0};
    Mesh mesh;
    mesh.vertices = &vertex;
    mesh.vertexCount = 1;
    mesh.rotate(0.5f, 1.25f, -2.0f);
    field.rotate(0.5f, 1.25f, -2.0f);
    EXPECT_EQ(field.particles[7].rotated.x, vertex.rotated.x);
    EXPECT_EQ(field.particles[7].rotated.y, vertex.rotated.y);
    EXPECT_EQ(field.particles[7].rotated.z, static_cast<float>(vertex.rotated.z - 50.0));
}

struct DrawCase {
    Vec3 rotated;
    int32_t screenX, screenY, size;
    bool drawn;
};

class ParticleDraw : public ::testing::TestWithParam<DrawCase> {};

TEST_P(ParticleDraw, ProjectsByTheIntegerDepth) {
    const DrawCase& c = GetParam();
    static ParticleField field;
    for (Particle& p : field.particles) p.rotated = {0, 0, 1e6f};  // far away: not drawn
    field.particles[3].rotated = c.rotated;
    std::vector<uint32_t> glow(64 * 64, 0x010203u);
    std::vector<uint32_t> drawn(framePixelCount, 0);
    std::vector<uint32_t> expected(framePixelCount, 0);
    field.draw(drawn.data(), glow.data(), 0, 480);
    const Particle& p = field.particles[3];
    EXPECT_EQ(p.screenX, c.screenX);
    EXPECT_EQ(p.screenY, c.screenY);
    EXPECT_EQ(p.size, c.size);
    if (c.drawn) {
        blitSpriteAdditive(expected.data(), glow.data(), c.screenX, c.screenY, c.size, c.size, 0, 0, 480);
        EXPECT_NE(expected, std::vector<uint32_t>(framePixelCount, 0));
    }
    EXPECT_EQ(drawn, expected);
}

INSTANTIATE_TEST_SUITE_P(ParticleField, ParticleDraw,
                         ::testing::Values(DrawCase{{100, -50, 0}, 384, 208, 9, true},
                                           DrawCase{{-300, 200, 600}, 243, 291, 3, true},
                                           DrawCase{{0, 0, -340}, 320, 240, 64, true},
                                           DrawCase{{0, 0, -341}, 320, 240, 65, false},
                                           DrawCase{{0, 0, -340.5f}, 320, 240, 65, false},
                                           DrawCase{{1, 1, -450}, 576, 496, 3840, false},
                                           DrawCase{{0, 0, 3440}, 320, 240, 1, true},
                                           DrawCase{{0, 0, 3441}, 320, 240, 0, false}));

TEST(ParticleField, DrawsOnlyInsideTheBandButRecordsEveryParticle) {
    static ParticleField field;
    field.scatter();
    field.rotate(0.3f, 1.1f, 2.0f);
    std::vector<uint32_t> glow(64 * 64, 0x0A0B0Cu);
    std::vector<uint32_t> frame(framePixelCount, 0);
    field.draw(frame.data(), glow.data(), 200, 200);
    EXPECT_EQ(frame, std::vector<uint32_t>(framePixelCount, 0));
    for (const Particle& p : field.particles) {
        const int32_t depth = std::max(1, static_cast<int32_t>(p.rotated.z + 400.0));
        ASSERT_EQ(p.size, 3840 / depth);
    }

    field.draw(frame.data(), glow.data(), 200, 260);
    std::vector<uint32_t> expected(framePixelCount, 0);
    for (const Particle& p : field.particles) {
        if (p.size >= 1 && p.size <= 64) {
            blitSpriteAdditive(expected.data(), glow.data(), p.screenX, p.screenY, p.size, p.size, 0, 200, 260);
        }
    }
    EXPECT_EQ(frame, expected);
    for (int y : {0, 199, 260, 479}) {
        for (int x = 0; x < frameWidth; ++x) {
            ASSERT_EQ(frame[y * frameWidth + x], 0u) << x << "," << y;
        }
    }
    EXPECT_NE(frame, std::vector<uint32_t>(framePixelCount, 0));
}

}  // namespace
