#pragma once
#include <cmath>
#include <cstdint>

#include "scene3d/mesh.h"

// Converts a double to an integer the way the scene's arithmetic does
// (truncation toward zero) without undefined behaviour: values beyond the
// int32 range saturate and a NaN becomes 0. Callers that must not draw such
// values check their range before.
inline int32_t truncToInt(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

// A turn about the x, then the y, then the z axis, as the mesh and the
// particles use it. Each step's two results are rounded to float before the
// next step reads them.
struct Turn {
    Turn(float angleX, float angleY, float angleZ)
        : cosX(std::cos(static_cast<double>(angleX))), sinX(std::sin(static_cast<double>(angleX))),
          cosY(std::cos(static_cast<double>(angleY))), sinY(std::sin(static_cast<double>(angleY))),
          cosZ(std::cos(static_cast<double>(angleZ))), sinZ(std::sin(static_cast<double>(angleZ))) {}

    Vec3 apply(const Vec3& p) const {
        const float y1 = static_cast<float>(p.y * cosX + p.z * sinX);
        const float z1 = static_cast<float>(p.z * cosX - p.y * sinX);
        const float x1 = static_cast<float>(p.x * cosY + z1 * sinY);
        const float z2 = static_cast<float>(z1 * cosY - p.x * sinY);
        const float x2 = static_cast<float>(x1 * cosZ - y1 * sinZ);
        const float y2 = static_cast<float>(y1 * cosZ + x1 * sinZ);
        return Vec3{x2, y2, z2};
    }

    double cosX, sinX, cosY, sinY, cosZ, sinZ;
};
