#pragma once
#include <cstdint>

struct Vec3 {
    float x;
    float y;
    float z;
    void normalize();
    double dot(const Vec3& other) const;
};

struct Vertex {
    Vec3 rest;
    Vec3 rotated;
    float u;
    float v;
};

struct Material;

struct Face {
    Material* material;
    int32_t a;
    int32_t b;
    int32_t c;
    Vec3 normal;
};

enum MaterialMode : int32_t { Filled = 0, FilledGlow = 2, Outline = 3 };

struct Material {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t outlineAlpha;
    int32_t mode;
};

class Mesh {
public:
    void rotate(float angleX, float angleY, float angleZ);
    void assignMaterial(Material* material);

    Vertex* vertices = nullptr;
    Face* faces = nullptr;
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    float centreX = 0;
    float centreY = 0;
    float distance = 0;
};

constexpr int32_t materialCapacity = 100;

class MeshSet {
public:
    MeshSet();
    // Reads the 3D Studio file at `path` into one new Mesh. Returns false when
    // the file cannot be opened (the caller tells the user and ends).
    bool loadMesh(const char* path);
    // Returns false when the table is full.
    bool addMaterial(int32_t red, int32_t green, int32_t blue, int32_t outlineAlpha, int32_t mode);
    void render(uint32_t* frame, const uint32_t* glow, int32_t faceAlpha, int32_t glowSize);

    Mesh** meshes = nullptr;
    Material* materials = nullptr;
    int32_t materialCount = 0;
    int32_t meshCount = 0;
};

void fillTriangle(uint32_t* frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2,
                  int32_t y2, int32_t red, int32_t green, int32_t blue, int32_t alpha);
