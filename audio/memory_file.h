#pragma once
#include <cstdint>

// A read-only file over the song stored inside the program. Its five
// functions are the ones the program registers with setStreamCallbacks.
struct MemoryFile {
    int32_t length;       // readable bytes
    int32_t position;     // next byte to read, 0..length
    const uint8_t* data;  // the embedded song; not owned
};

// Ignores the name. Null only when the record cannot be allocated.
void* memoryFileOpen(const char* name);
void memoryFileClose(void* handle);
// Copies up to `count` bytes; returns the number copied (0 at the end, and
// for a negative count or no destination).
int32_t memoryFileRead(void* destination, int32_t count, void* handle);
// mode 0 sets, 1 moves, 2 goes to the end (offset ignored); other modes do
// nothing. The position is kept within 0..length.
void memoryFileSeek(void* handle, int32_t offset, uint8_t mode);
int32_t memoryFileTell(void* handle);
