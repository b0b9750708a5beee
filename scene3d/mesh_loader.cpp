// The 3D Studio reader: the whole file is read into memory and walked as a
// tree of chunks, every read checked against the end of the chunk it lies in.
#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include "scene3d/mesh.h"

namespace {

constexpr uint16_t mainChunk = 0x4D4D;
constexpr uint16_t editorChunk = 0x3D3D;
constexpr uint16_t objectChunk = 0x4000;
constexpr uint16_t triangleMeshChunk = 0x4100;
constexpr uint16_t vertexListChunk = 0x4110;
constexpr uint16_t faceListChunk = 0x4120;
constexpr uint16_t mappingListChunk = 0x4140;

constexpr size_t chunkHeaderSize = 6;
constexpr double fileUnitScale = 0.05;

// Objects and face lists hold further chunks and are walked recursively; a
// file nesting them deeper than any modelling tool does has the deeper ones
// skipped whole, so a crafted file cannot exhaust the stack.
constexpr int maxNesting = 32;

// Files are read up to this size; bytes beyond it are treated as absent.
constexpr size_t maxFileSize = size_t{64} << 20;

struct ChunkReader {
    const unsigned char* bytes;
    size_t pos;
};

bool readU16(ChunkReader& reader, size_t limit, uint16_t& value) {
    if (limit < reader.pos || limit - reader.pos < 2) {
        return false;
    }
    const unsigned char* p = reader.bytes + reader.pos;
    value = static_cast<uint16_t>(p[0] | (p[1] << 8));
    reader.pos += 2;
    return true;
}

uint32_t u32At(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float floatAt(const unsigned char* p) { return std::bit_cast<float>(u32At(p)); }

// Reads a list's count and works out how many of its records lie whole
// before `limit`: the count, or fewer when the list is cut short.
bool beginList(ChunkReader& reader, size_t limit, size_t recordSize, uint16_t& count,
               int32_t& whole) {
    if (!readU16(reader, limit, count)) {
        return false;
    }
    size_t available = limit > reader.pos ? (limit - reader.pos) / recordSize : 0;
    whole = static_cast<int32_t>(available < count ? available : count);
    return true;
}

// Each list reader returns true when the whole list as counted was read; a
// list cut short by its chunk keeps the records read in full, with the count
// lowered to match, so nothing in the Mesh is left unread.
bool readVertexList(ChunkReader& reader, size_t limit, Mesh& mesh) {
    uint16_t count = 0;
    int32_t n = 0;
    if (!beginList(reader, limit, 12, count, n)) {
        return false;
    }
    delete[] mesh.vertices;
    mesh.vertices = n > 0 ? new Vertex[static_cast<size_t>(n)]() : nullptr;
    mesh.vertexCount = n;
    for (int32_t i = 0; i < n; ++i) {
        const unsigned char* p = reader.bytes + reader.pos;
        Vec3 position{static_cast<float>(static_cast<double>(floatAt(p)) * fileUnitScale),
                      static_cast<float>(static_cast<double>(floatAt(p + 4)) * fileUnitScale),
                      static_cast<float>(static_cast<double>(floatAt(p + 8)) * fileUnitScale)};
        mesh.vertices[i].rest = position;
        mesh.vertices[i].rotated = position;
        reader.pos += 12;
    }
    return n == count;
}

bool readFaceList(ChunkReader& reader, size_t limit, Mesh& mesh) {
    uint16_t count = 0;
    int32_t n = 0;
    if (!beginList(reader, limit, 8, count, n)) {
        return false;
    }
    delete[] mesh.faces;
    mesh.faces = n > 0 ? new Face[static_cast<size_t>(n)]() : nullptr;
    mesh.faceCount = n;
    for (int32_t i = 0; i < n; ++i) {
        const unsigned char* p = reader.bytes + reader.pos;
        mesh.faces[i].a = p[0] | (p[1] << 8);
        mesh.faces[i].b = p[2] | (p[3] << 8);
        mesh.faces[i].c = p[4] | (p[5] << 8);
        reader.pos += 8;  // the flags word is not used
    }
    return n == count;
}

// Mapping coordinates go into the vertex list current at this point; entries
// beyond it (or all of them, before any vertex list) are read and dropped.
bool readMappingList(ChunkReader& reader, size_t limit, Mesh& mesh) {
    uint16_t count = 0;
    int32_t n = 0;
    if (!beginList(reader, limit, 8, count, n)) {
        return false;
    }
    for (int32_t i = 0; i < n; ++i) {
        const unsigned char* p = reader.bytes + reader.pos;
        if (i < mesh.vertexCount) {
            mesh.vertices[i].u = floatAt(p);
            mesh.vertices[i].v = floatAt(p + 4);
        }
        reader.pos += 8;
    }
    return n == count;
}

// Walks the chunks from the reader's position up to `end`. Every chunk's end
// is clamped to `end`, and every step moves forward by at least a header, so
// the walk ends; on return the reader stands at `end`.
void walkChunks(ChunkReader& reader, size_t end, Mesh& mesh, int depth) {
    while (reader.pos < end) {
        size_t start = reader.pos;
        if (end - start < chunkHeaderSize) {
            break;  // a header cut off by its parent's end
        }
        const unsigned char* header = reader.bytes + start;
        uint16_t id = static_cast<uint16_t>(header[0] | (header[1] << 8));
        uint32_t length = u32At(header + 2);
        if (length < chunkHeaderSize) {
            break;  // no way to find the next chunk: the rest of this level is dropped
        }
        size_t chunkEnd = length > end - start ? end : start + length;
        reader.pos = start + chunkHeaderSize;

        switch (id) {
        case mainChunk:
        case editorChunk:
        case triangleMeshChunk:
            // Containers: their sub-chunks are read as part of this level.
            break;
        case objectChunk:
            while (reader.pos < chunkEnd && reader.bytes[reader.pos] != 0) {
                ++reader.pos;
            }
            if (reader.pos < chunkEnd) {
                ++reader.pos;  // the name's zero byte
            }
            if (depth < maxNesting) {
                walkChunks(reader, chunkEnd, mesh, depth + 1);
            }
            reader.pos = chunkEnd;
            break;
        case vertexListChunk:
            if (!readVertexList(reader, chunkEnd, mesh)) {
                reader.pos = chunkEnd;
            }
            break;
        case faceListChunk:
            // Its sub-chunks (material and smoothing groups) are walked, and so skipped.
            if (readFaceList(reader, chunkEnd, mesh) && depth < maxNesting) {
                walkChunks(reader, chunkEnd, mesh, depth + 1);
            }
            reader.pos = chunkEnd;
            break;
        case mappingListChunk:
            if (!readMappingList(reader, chunkEnd, mesh)) {
                reader.pos = chunkEnd;
            }
            break;
        default:
            reader.pos = chunkEnd;
            break;
        }
    }
    reader.pos = end;
}

// Keeps only the faces whose three corners exist, in their order, so that
// whatever the file held, every face index is below the vertex count.
void dropFacesWithMissingCorners(Mesh& mesh) {
    int32_t kept = 0;
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const Face& face = mesh.faces[i];
        if (face.a < mesh.vertexCount && face.b < mesh.vertexCount && face.c < mesh.vertexCount) {
            mesh.faces[kept++] = face;
        }
    }
    mesh.faceCount = kept;
}

}  // namespace

MeshSet::MeshSet() : materials(new Material[materialCapacity]()) {}

MeshSet::~MeshSet() {
    for (int32_t i = 0; i < meshCount; ++i) {
        delete[] meshes[i]->vertices;
        delete[] meshes[i]->faces;
        delete meshes[i];
    }
    delete[] meshes;
    delete[] materials;
}

void MeshSet::loadMeshFromMemory(const unsigned char* bytes, size_t size) {
    Mesh** grown = new Mesh*[static_cast<size_t>(meshCount) + 1];
    for (int32_t i = 0; i < meshCount; ++i) {
        grown[i] = meshes[i];
    }
    delete[] meshes;
    meshes = grown;
    Mesh* mesh = new Mesh();
    meshes[meshCount] = mesh;

    if (size > maxFileSize) {
        size = maxFileSize;
    }
    ChunkReader reader{bytes, 0};
    walkChunks(reader, size, *mesh, 0);
    dropFacesWithMissingCorners(*mesh);
    ++meshCount;
}

bool MeshSet::loadMesh(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    // Read in blocks rather than trusting the file's reported length, so
    // pipes and special files are bounded too.
    std::vector<unsigned char> bytes;
    constexpr size_t block = 65536;
    while (bytes.size() < maxFileSize) {
        size_t old = bytes.size();
        bytes.resize(old + block);
        size_t got = std::fread(bytes.data() + old, 1, block, file);
        bytes.resize(old + got);
        if (got < block) {
            break;
        }
    }
    std::fclose(file);
    loadMeshFromMemory(bytes.data(), bytes.size());
    return true;
}

bool MeshSet::addMaterial(int32_t red, int32_t green, int32_t blue, int32_t outlineAlpha,
                          int32_t mode) {
    if (materialCount >= materialCapacity) {
        return false;
    }
    Material& material = materials[materialCount];
    material.red = static_cast<uint8_t>(red);
    material.green = static_cast<uint8_t>(green);
    material.blue = static_cast<uint8_t>(blue);
    material.outlineAlpha = static_cast<uint8_t>(outlineAlpha);
    material.mode = mode;
    ++materialCount;
    return true;
}

void Mesh::assignMaterial(Material* material) {
    for (int32_t i = 0; i < faceCount; ++i) {
        faces[i].material = material;
    }
}
