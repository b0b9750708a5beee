#pragma once
#include <cstdint>

#include "scene3d/mesh.h"

struct Particle {
    Vec3 rest;
    Vec3 rotated;
    int32_t screenX;
    int32_t screenY;
    int32_t size;
};

constexpr int32_t particleCount = 512;

class ParticleField {
public:
    void scatter();
    void rotate(float angleX, float angleY, float angleZ);
    void draw(uint32_t* frame, const uint32_t* glow, int32_t firstRow, int32_t endRow);

    Particle particles[particleCount] = {};
};
