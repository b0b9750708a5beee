// The particle cloud: 512 points in a box around the view axis, turned about
// three axes and drawn as glow sprites that shrink with depth.
#include <cmath>
#include <cstdlib>

#include "raster/blit.h"
#include "scene3d/particles.h"
#include "scene3d/scene_math.h"

void ParticleField::scatter() {
    // The generator is never seeded, so every run shows the same cloud.
    for (Particle& particle : particles) {
        int x = std::rand() % 640 - 320;
        int y = std::rand() % 480 - 240;
        int z = std::rand() % 1024 - 512;
        particle.rest = Vec3{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    }
}

void ParticleField::rotate(float angleX, float angleY, float angleZ) {
    double cosX = std::cos(static_cast<double>(angleX));
    double sinX = std::sin(static_cast<double>(angleX));
    double cosY = std::cos(static_cast<double>(angleY));
    double sinY = std::sin(static_cast<double>(angleY));
    double cosZ = std::cos(static_cast<double>(angleZ));
    double sinZ = std::sin(static_cast<double>(angleZ));
    for (Particle& particle : particles) {
        const Vec3 rest = particle.rest;
        Vec3& out = particle.rotated;
        out.y = static_cast<float>(rest.y * cosX + rest.z * sinX);
        out.z = static_cast<float>(rest.z * cosX - rest.y * sinX);
        out.x = static_cast<float>(rest.x * cosY + out.z * sinY);
        out.z = static_cast<float>(out.z * cosY - rest.x * sinY);
        float x1 = out.x;
        float y1 = out.y;
        out.x = static_cast<float>(x1 * cosZ - y1 * sinZ);
        out.y = static_cast<float>(y1 * cosZ + x1 * sinZ);
        out.z = static_cast<float>(static_cast<double>(out.z) - 50.0);
    }
}

void ParticleField::draw(uint32_t* frame, const uint32_t* glow, int32_t firstRow, int32_t endRow) {
    constexpr int32_t largestSprite = 64;
    for (Particle& particle : particles) {
        const Vec3& p = particle.rotated;
        int32_t depth = truncToInt(static_cast<double>(p.z) + 400.0);
        if (depth <= 0) {
            depth = 1;
        }
        particle.screenX = truncToInt(p.x * 256.0 / depth + 320.0);
        particle.screenY = truncToInt(p.y * 256.0 / depth + 240.0);
        particle.size = 3840 / depth;
        if (particle.size >= 1 && particle.size <= largestSprite) {
            blitSpriteAdditive(frame, glow, particle.screenX, particle.screenY, particle.size,
                               particle.size, 0, firstRow, endRow);
        }
    }
}
