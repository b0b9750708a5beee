// Turning and drawing the meshes: perspective projection, one flat brightness
// per face from a fixed light, and the three material modes. Faces are drawn
// in their stored order with no depth sorting.
#include <algorithm>
#include <cmath>

#include "core/frame_buffer.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "scene3d/mesh.h"
#include "scene3d/scene_math.h"

void Vec3::normalize() {
    double length = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                              static_cast<double>(z) * z);
    x = static_cast<float>(x / length);
    y = static_cast<float>(y / length);
    z = static_cast<float>(z / length);
}

double Vec3::dot(const Vec3& other) const {
    return static_cast<double>(x) * other.x + static_cast<double>(y) * other.y +
           static_cast<double>(z) * other.z;
}

void Mesh::rotate(float angleX, float angleY, float angleZ) {
    const Turn turn(angleX, angleY, angleZ);
    for (int32_t i = 0; i < vertexCount; ++i) {
        vertices[i].rotated = turn.apply(vertices[i].rest);
    }
}

namespace {

constexpr double projectionScale = 128.0;

// Projected corners farther than this from the screen are not drawn: their
// 16.16 form would not fit in 32 bits, and no visible face reaches that far.
constexpr double screenGuard = 16384.0;

struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// False when the corner is at or behind the viewer or projects absurdly far
// off screen (including non-finite positions from a damaged file).
bool project(const Mesh& mesh, const Vec3& p, ScreenPoint& out) {
    double depth = static_cast<double>(p.z) + mesh.distance;
    if (!(depth > 0.0)) {
        return false;
    }
    double sx = p.x * projectionScale / depth + mesh.centreX;
    double sy = p.y * projectionScale / depth + mesh.centreY;
    if (!(std::fabs(sx) < screenGuard) || !(std::fabs(sy) < screenGuard)) {
        return false;
    }
    out.x = static_cast<int32_t>(sx);
    out.y = static_cast<int32_t>(sy);
    return true;
}

bool onScreen(const ScreenPoint& p) {
    return p.x >= 0 && p.x < frameWidth && p.y >= 0 && p.y < frameHeight;
}

// Brightness 0..1 of a face from the light, with the face's normal stored as
// it goes. A face of zero area has no normal; it gets the darkest colour.
double shade(Face& face, const Vec3& a, const Vec3& b, const Vec3& c, Vec3& light) {
    double e1x = static_cast<double>(b.x) - a.x;
    double e1y = static_cast<double>(b.y) - a.y;
    double e1z = static_cast<double>(b.z) - a.z;
    double e2x = static_cast<double>(c.x) - a.x;
    double e2y = static_cast<double>(c.y) - a.y;
    double e2z = static_cast<double>(c.z) - a.z;
    double nx = e1y * e2z - e1z * e2y;
    double ny = e1z * e2x - e1x * e2z;
    double nz = e1x * e2y - e1y * e2x;
    // Corners far beyond any sane model give a cross product too large for a
    // float; its direction is all that matters, so bring it into range.
    double largest = std::max({std::fabs(nx), std::fabs(ny), std::fabs(nz)});
    if (largest > 1e30 && std::isfinite(largest)) {
        nx /= largest;
        ny /= largest;
        nz /= largest;
    }
    face.normal = Vec3{static_cast<float>(nx), static_cast<float>(ny), static_cast<float>(nz)};
    Vec3& n = face.normal;
    double lengthSquared = static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                           static_cast<double>(n.z) * n.z;
    if (!(lengthSquared > 0.0) || !std::isfinite(lengthSquared)) {
        n = Vec3{0.0f, 0.0f, 0.0f};
        return 0.0;
    }
    n.normalize();
    light.normalize();
    double k = (n.dot(light) + 1.0) * 0.5;
    return k < 0.0 ? 0.0 : (k > 1.0 ? 1.0 : k);
}

}  // namespace

void MeshSet::render(uint32_t* frame, const uint32_t* glow, int32_t faceAlpha, int32_t glowSize) {
    Vec3 light{-213.0f, 0.0f, -5.0f};
    int32_t spriteSize = glowSize & 0xFF;
    for (int32_t m = 0; m < meshCount; ++m) {
        Mesh& mesh = *meshes[m];
        for (int32_t f = 0; f < mesh.faceCount; ++f) {
            Face& face = mesh.faces[f];
            if (face.material == nullptr) {
                continue;
            }
            const Vec3& a = mesh.vertices[face.a].rotated;
            const Vec3& b = mesh.vertices[face.b].rotated;
            const Vec3& c = mesh.vertices[face.c].rotated;
            ScreenPoint pa;
            ScreenPoint pb;
            ScreenPoint pc;
            if (!project(mesh, a, pa) || !project(mesh, b, pb) || !project(mesh, c, pc)) {
                continue;
            }
            const Material& material = *face.material;
            switch (material.mode) {
            case Filled:
            case FilledGlow: {
                double k = shade(face, a, b, c, light);
                int32_t red = static_cast<int32_t>(k * material.red);
                int32_t green = static_cast<int32_t>(k * material.green);
                int32_t blue = static_cast<int32_t>(k * material.blue);
                fillTriangle(frame, pa.x * 65536, pa.y, pb.x * 65536, pb.y, pc.x * 65536, pc.y,
                             red, green, blue, faceAlpha);
                if (material.mode == FilledGlow && spriteSize > 0) {
                    blitSpriteAdditive(frame, glow, pa.x, pa.y, spriteSize, spriteSize, 0, 0,
                                       frameHeight);
                }
                break;
            }
            case Outline:
                // Outlines are not clipped by the line drawer, so a face
                // reaching off screen is left out whole.
                if (onScreen(pa) && onScreen(pb) && onScreen(pc)) {
                    drawTriangleOutline(frame, pa.x, pa.y, pb.x, pb.y, pc.x, pc.y, material.red,
                                        material.green, material.blue, material.outlineAlpha);
                }
                break;
            default:
                break;
            }
        }
    }
}
