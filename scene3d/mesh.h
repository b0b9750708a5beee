#pragma once
#include <cstddef>
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
    // Releases every Mesh with its vertex and face lists, and the Material table.
    ~MeshSet();
    MeshSet(const MeshSet&) = delete;
    MeshSet& operator=(const MeshSet&) = delete;
    // Reads the 3D Studio file at `path` into one new Mesh. Returns false when
    // the file cannot be opened (the caller tells the user and ends).
    bool loadMesh(const char* path);
    // The same from a file image already in memory: walks the bytes with
    // bounds, so any input is safe. Always appends exactly one Mesh.
    void loadMeshFromMemory(const unsigned char* bytes, size_t size);
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

// Loads the show's model file into `set`; when the file cannot be opened,
// tells the user ("cannot open 3ds-file", caption "multimedia error") and ends
// the process with exit code 1. Call it before the display is opened.
void loadModelOrExit(MeshSet& set, const char* path);
