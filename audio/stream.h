#pragma once
#include <cstdint>

// The five registered file functions through which the song loader reads, and
// the thin stream operations that call them. A handle is opaque to everything
// but the functions that made it.

using StreamOpenFunction = void* (*)(const char* name);
using StreamCloseFunction = void (*)(void* handle);
using StreamReadFunction = int32_t (*)(void* destination, int32_t count, void* handle);
// mode: 0 from the start, 1 from the current position, 2 to the end.
using StreamSeekFunction = void (*)(void* handle, int32_t offset, uint8_t mode);
using StreamTellFunction = int32_t (*)(void* handle);

// Either complete (all five set) or empty (all five null); starts empty.
struct StreamCallbacks {
    StreamOpenFunction open;
    StreamCloseFunction close;
    StreamReadFunction read;
    StreamSeekFunction seek;
    StreamTellFunction tell;
};

extern StreamCallbacks streamCallbacks;

// Takes all five, or clears all five when any one is missing.
void setStreamCallbacks(StreamOpenFunction open, StreamCloseFunction close, StreamReadFunction read,
                        StreamSeekFunction seek, StreamTellFunction tell);

// True when the set is complete.
bool streamCallbacksRegistered();

// What the loader holds while it reads.
struct Stream {
    void* handle;
};

// Null when nothing is registered or the open function gives no handle.
Stream* streamOpen(const char* name);
void streamClose(Stream* stream);
// Bytes copied; 0 for no stream.
int32_t streamRead(void* destination, int32_t count, Stream* stream);
void streamSeek(Stream* stream, int32_t offset, uint8_t mode);
// Current byte position; 0 for no stream.
int32_t streamTell(Stream* stream);
