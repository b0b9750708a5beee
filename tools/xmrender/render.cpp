#include "render.h"

#include <cstdio>
#include <cstring>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "player/loader.h"
#include "player/sequencer.h"
#include "virtual_audio.h"

namespace {

struct ByteSource {
    const uint8_t* data = nullptr;
    int32_t size = 0;
};
ByteSource byteSource;

struct ByteHandle {
    const uint8_t* data;
    int32_t size;
    int32_t position;
};

void* byteOpen(const char*) {
    if (!byteSource.data && byteSource.size > 0) return nullptr;
    return new ByteHandle{byteSource.data, byteSource.size, 0};
}

void byteClose(void* handle) { delete static_cast<ByteHandle*>(handle); }

int32_t byteRead(void* destination, int32_t count, void* handle) {
    auto* h = static_cast<ByteHandle*>(handle);
    if (!destination || count <= 0) return 0;
    const int32_t left = h->size - h->position;
    if (count > left) count = left;
    if (count <= 0) return 0;
    std::memcpy(destination, h->data + h->position, static_cast<size_t>(count));
    h->position += count;
    return count;
}

void byteSeek(void* handle, int32_t offset, uint8_t mode) {
    auto* h = static_cast<ByteHandle*>(handle);
    int64_t position = h->position;
    if (mode == 0) position = offset;
    else if (mode == 1) position += offset;
    else if (mode == 2) position = h->size;
    else return;
    if (position < 0) position = 0;
    if (position > h->size) position = h->size;
    h->position = static_cast<int32_t>(position);
}

int32_t byteTell(void* handle) { return static_cast<ByteHandle*>(handle)->position; }

// Follows the rows as the sequencer plays them and notices the first return
// to a row already played. A pattern loop that jumps back forgets the rows it
// will repeat, so they count once per pass.
struct PassTracker {
    const PassOptions* options = nullptr;
    int64_t frame = 0;      // output frame at which the next tick starts
    int64_t endFrame = -1;  // where the pass ended, once it has
    uint8_t visited[256][256] = {};
};
PassTracker* tracker = nullptr;

void trackedTick(Module* module) {
    PassTracker& t = *tracker;
    const bool rowTick = module->tick == 0;
    const int64_t frame = t.frame;
    moduleTick(module);
    t.frame += module->samplesPerTick;
    if (!rowTick || t.endFrame >= 0) return;
    const int32_t order = module->orderPosition.load(std::memory_order_relaxed) & 255;
    const int32_t row = module->row.load(std::memory_order_relaxed) & 255;
    if (t.visited[order][row]) {
        t.endFrame = frame;
        return;
    }
    t.visited[order][row] = 1;
    if (t.options->onRow) t.options->onRow({order, module->orderTable[order], row, frame});
    if (module->nextOrder == -1 && module->nextRow >= 0 && module->nextRow != row + 1) {
        const int32_t from = module->nextRow < row ? module->nextRow : row;
        const int32_t to = module->nextRow < row ? row : module->nextRow;
        for (int32_t r = from; r <= to && r < 256; ++r) t.visited[order][r] = 0;
    }
}

int64_t frameLimit(const PassOptions& options) { return static_cast<int64_t>(options.secondsLimit * renderRate); }

}  // namespace

void useByteStream(const uint8_t* data, size_t size) {
    byteSource.data = data;
    byteSource.size = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(size);
    setStreamCallbacks(byteOpen, byteClose, byteRead, byteSeek, byteTell);
}

Module* loadSongBytes(const std::vector<uint8_t>& bytes) {
    useByteStream(bytes.data(), bytes.size());
    return moduleLoad(nullptr, nullptr);
}

bool readWholeFile(const char* path, std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bytes.clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

PassResult timeOnePass(Module* module, const PassOptions& options) {
    PassResult result;
    if (!module) return result;
    auto* t = new PassTracker{};
    t->options = &options;
    tracker = t;
    const int32_t savedRate = mixingRate;
    mixingRate = renderRate;
    modulePlay(module);
    const int64_t limit = frameLimit(options);
    while (t->endFrame < 0 && t->frame < limit) trackedTick(module);
    moduleStop(module);
    mixingRate = savedRate;
    result.complete = t->endFrame >= 0;
    result.frames = result.complete ? t->endFrame : limit;
    tracker = nullptr;
    delete t;
    return result;
}

PassResult renderOnePass(Module* module, const PassOptions& options, std::vector<int16_t>& frames) {
    PassResult result;
    frames.clear();
    if (!module) return result;
    // The device is the in-memory one and no thread runs: the blocks are
    // filled here, one per step of the play position, as the thread would.
    virtualAudioSetThreaded(false);
    soundSetBufferLength(100);
    if (!soundOpen(renderRate)) return result;
    auto* t = new PassTracker{};
    t->options = &options;
    tracker = t;
    modulePlay(module);
    module->tickHandler = trackedTick;
    const int64_t limit = frameLimit(options);
    const uint32_t blockBytes = static_cast<uint32_t>(blockLength) * 4;
    uint32_t bytesPlayed = 0;
    int64_t mixed = 0;
    while (t->endFrame < 0 && mixed < limit) {
        bytesPlayed += blockBytes;
        virtualAudioSetBytesPlayed(bytesPlayed);
        if (!mixingPass(bytesPlayed)) continue;
        const int32_t filled = (fillIndex + blockCount - 1) % blockCount;
        const int16_t* block = outputRing + static_cast<size_t>(filled) * blockLength * 2;
        frames.insert(frames.end(), block, block + static_cast<size_t>(blockLength) * 2);
        mixed += blockLength;
        if (options.onProgress) options.onProgress(mixed);
    }
    module->tickHandler = moduleTick;
    moduleStop(module);
    soundClose();
    result.complete = t->endFrame >= 0;
    result.frames = result.complete ? t->endFrame : (limit < mixed ? limit : mixed);
    frames.resize(static_cast<size_t>(result.frames) * 2);
    tracker = nullptr;
    delete t;
    return result;
}

bool writeWav(const char* path, const std::vector<int16_t>& frames) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const uint32_t dataBytes = static_cast<uint32_t>(frames.size() * 2);
    uint8_t header[44];
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](int at, uint16_t v) {
        header[at] = static_cast<uint8_t>(v);
        header[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    std::memcpy(header, "RIFF", 4);
    put32(4, 36 + dataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);  // PCM
    put16(22, 2);  // stereo
    put32(24, renderRate);
    put32(28, renderRate * 4);
    put16(32, 4);
    put16(34, 16);
    std::memcpy(header + 36, "data", 4);
    put32(40, dataBytes);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    // Little-endian samples, as the format wants.
    std::vector<uint8_t> bytes(dataBytes);
    for (size_t i = 0; i < frames.size(); ++i) {
        const auto v = static_cast<uint16_t>(frames[i]);
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
