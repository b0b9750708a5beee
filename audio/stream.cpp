#include "audio/stream.h"

#include <new>

StreamCallbacks streamCallbacks = {};

void setStreamCallbacks(StreamOpenFunction open, StreamCloseFunction close, StreamReadFunction read,
                        StreamSeekFunction seek, StreamTellFunction tell) {
    if (open && close && read && seek && tell) {
        streamCallbacks = {open, close, read, seek, tell};
    } else {
        streamCallbacks = {};
    }
}

bool streamCallbacksRegistered() {
    const StreamCallbacks& c = streamCallbacks;
    return c.open && c.close && c.read && c.seek && c.tell;
}

Stream* streamOpen(const char* name) {
    // The set is all or nothing, but check the whole of it: a stream made
    // without the other four could never be read or closed.
    if (!streamCallbacksRegistered()) return nullptr;
    Stream* stream = new (std::nothrow) Stream{};
    if (!stream) return nullptr;
    stream->handle = streamCallbacks.open(name);
    if (!stream->handle) {
        delete stream;
        return nullptr;
    }
    return stream;
}

void streamClose(Stream* stream) {
    if (!stream) return;
    if (streamCallbacks.close) streamCallbacks.close(stream->handle);
    delete stream;
}

int32_t streamRead(void* destination, int32_t count, Stream* stream) {
    if (!stream || !streamCallbacks.read) return 0;
    return streamCallbacks.read(destination, count, stream->handle);
}

void streamSeek(Stream* stream, int32_t offset, uint8_t mode) {
    if (!stream || !streamCallbacks.seek) return;
    streamCallbacks.seek(stream->handle, offset, mode);
}

int32_t streamTell(Stream* stream) {
    if (!stream || !streamCallbacks.tell) return 0;
    return streamCallbacks.tell(stream->handle);
}
