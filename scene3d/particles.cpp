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
    const Turn turn(angleX, angleY, angleZ);
    for (Particle& particle : particles) {
        // Turned like the mesh, then moved back along the view axis.
        Vec3 turned = turn.apply(particle.rest);
        turned.z = static_cast<float>(static_cast<double>(turned.z) - 50.0);
        particle.rotated = turned;
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
