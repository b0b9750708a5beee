#include "audio/memory_file.h"

#include <cstring>
#include <limits>
#include <new>

#include "audio/embedded_song.h"

void* memoryFileOpen(const char* /*name*/) {
    MemoryFile* file = new (std::nothrow) MemoryFile{};
    if (!file) return nullptr;
    const unsigned int size = embeddedSongSize;
    constexpr unsigned int largest = std::numeric_limits<int32_t>::max();
    file->length = static_cast<int32_t>(size < largest ? size : largest);
    file->position = 0;
    file->data = embeddedSong;
    return file;
}

void memoryFileClose(void* handle) {
    delete static_cast<MemoryFile*>(handle);
}

int32_t memoryFileRead(void* destination, int32_t count, void* handle) {
    MemoryFile* file = static_cast<MemoryFile*>(handle);
    if (!file || !destination || count <= 0) return 0;
    // 64-bit sums: a count near 2^31 must not overflow into a "short" read.
    const int64_t left = static_cast<int64_t>(file->length) - file->position;
    if (left <= 0) return 0;
    if (count > left) count = static_cast<int32_t>(left);
    std::memcpy(destination, file->data + file->position, static_cast<size_t>(count));
    file->position += count;
    return count;
}

void memoryFileSeek(void* handle, int32_t offset, uint8_t mode) {
    MemoryFile* file = static_cast<MemoryFile*>(handle);
    if (!file) return;
    int64_t position = file->position;
    switch (mode) {
        case 0: position = offset; break;
        case 1: position += offset; break;
        case 2: position = file->length; break;
        default: return;
    }
    // Below the start clamps to 0, so that no read ever touches a byte
    // before the song; past the end stops at the end.
    if (position < 0) position = 0;
    if (position > file->length) position = file->length;
    file->position = static_cast<int32_t>(position);
}

int32_t memoryFileTell(void* handle) {
    const MemoryFile* file = static_cast<const MemoryFile*>(handle);
    return file ? file->position : 0;
}
