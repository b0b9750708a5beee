#include <cstddef>
#include <cmath>

#include "assetgen.h"

namespace {

constexpr int size = 64;
constexpr double radius = 30.0;  // nothing outside this circle: black, so transparent

unsigned char level(double value) {
    if (value <= 0.0) return 0;
    if (value >= 1.0) return 255;
    return static_cast<unsigned char>(value * 255.0 + 0.5);
}

}  // namespace

std::vector<unsigned char> makeGlowSource() {
    std::vector<unsigned char> rgb(static_cast<size_t>(size) * size * 3, 0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - size / 2.0;
            const double dy = y + 0.5 - size / 2.0;
            const double r = std::sqrt(dx * dx + dy * dy) / radius;
            if (r >= 1.0) continue;
            // A soft falloff (zero slope at the rim) with a small hot core:
            // blue reaches furthest, red only near the middle, so the glow
            // stays cool and its centre turns white where it adds up.
            const double f = (1.0 - r * r) * (1.0 - r * r);
            const double core = f * f * f;
            size_t i = (static_cast<size_t>(y) * size + static_cast<size_t>(x)) * 3;
            rgb[i + 0] = level(0.10 * f + 0.55 * core);
            rgb[i + 1] = level(0.38 * f + 0.55 * core);
            rgb[i + 2] = level(0.80 * f + 0.20 * core);
        }
    }
    return rgb;
}
