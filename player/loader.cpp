#include "player/loader.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "player/sequencer.h"

Sample silentSample = {};
Instrument silentInstrument = {};

namespace {

// Limits of the format and of the mixer. Files beyond them are refused or
// clamped as noted where each is applied.
constexpr int32_t maxRows = 256;
constexpr int32_t maxPatterns = 256;
constexpr int32_t maxInstruments = 128;
constexpr int32_t instrumentHeaderFixedBytes = 29;  // size, name, type, sample count
constexpr int32_t sampleHeaderBytes = 40;
constexpr uint8_t packedSampleMark = 0xAD;

// Every empty pattern shares these zero cells (a pattern of 256 rows of 256
// channels fits), so a file cannot make us allocate cells it has no bytes for.
PatternCell emptyCells[maxRows * voiceCount];

char loadError[160] = "";

void setError(const char* text) {
    std::strncpy(loadError, text, sizeof loadError - 1);
    loadError[sizeof loadError - 1] = 0;
}

// Reads through the stream functions; bytes the file does not have read as
// zero. Positions are kept in 64 bits so no header value can overflow them.
struct Reader {
    Stream* stream;
    int64_t size;

    int64_t position() const { return streamTell(stream); }
    int64_t remaining() const {
        int64_t left = size - position();
        return left > 0 ? left : 0;
    }
    void seek(int64_t offset) {
        if (offset < 0) offset = 0;
        if (offset > size) offset = size;
        streamSeek(stream, static_cast<int32_t>(offset), 0);
    }
    // Returns the number of bytes read; the rest of the destination is zeroed.
    int32_t read(void* destination, int32_t count) {
        int32_t got = streamRead(destination, count, stream);
        if (got < 0) got = 0;
        if (got > count) got = count;
        if (got < count) std::memset(static_cast<uint8_t*>(destination) + got, 0, count - got);
        return got;
    }
    uint8_t u8() {
        uint8_t b = 0;
        read(&b, 1);
        return b;
    }
    uint16_t u16() {
        uint8_t b[2];
        read(b, 2);
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    uint32_t u32() {
        uint8_t b[4];
        read(b, 4);
        return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
               static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
};

void freeCells(Pattern& pattern) {
    if (pattern.cells != emptyCells) std::free(pattern.cells);
    pattern.cells = nullptr;
}

// Decodes channelCount x rowCount packed cells from `bytes`; returns the bytes
// used, or -1 when the cells run past the bytes the file has.
int64_t decodeCells(PatternCell* cells, int64_t cellCount, const uint8_t* bytes, int64_t available) {
    int64_t at = 0;
    for (int64_t c = 0; c < cellCount; ++c) {
        if (at >= available) return -1;
        uint8_t b = bytes[at++];
        uint8_t field[5] = {};
        if (b & 0x80) {
            for (int bit = 0; bit < 5; ++bit) {
                if (!(b & (1 << bit))) continue;
                if (at >= available) return -1;
                field[bit] = bytes[at++];
            }
        } else {
            if (at + 4 > available) return -1;
            field[0] = b;
            std::memcpy(field + 1, bytes + at, 4);
            at += 4;
        }
        PatternCell& cell = cells[c];
        // 97 is key off; notes above it have no sample slot and are taken as key off too.
        cell.note = field[0] >= 97 ? 255 : field[0];
        cell.instrument = field[1] > 128 ? 0 : field[1];
        cell.volume = field[2];
        cell.effect = field[3];
        cell.parameter = field[4];
    }
    return at;
}

bool readPatterns(Module* module, Reader& in, int32_t filePatterns) {
    const int64_t channels = module->channelCount;
    for (int32_t p = 0; p < filePatterns; ++p) {
        int64_t start = in.position();
        if (in.remaining() < 9) {
            setError("the file ends inside its patterns");
            return false;
        }
        in.u32();  // header length: taken to be 9
        in.u8();   // packing type
        int32_t rows = in.u16();
        int32_t packedSize = in.u16();
        if (rows < 1 || rows > maxRows) {
            setError("a pattern has fewer than 1 or more than 256 rows");
            return false;
        }
        Pattern& pattern = module->patterns[p];
        pattern.rowCount = rows;
        pattern.cells = emptyCells;
        if (packedSize == 0 || channels == 0) continue;
        const int64_t cellCount = channels * rows;
        // A cell takes at least one byte, five at most.
        int64_t want = cellCount * 5;
        int64_t have = in.remaining();
        if (have < cellCount) {
            setError("the file ends inside its patterns");
            return false;
        }
        int64_t take = want < have ? want : have;
        auto* bytes = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(take)));
        auto* cells = static_cast<PatternCell*>(std::calloc(static_cast<size_t>(cellCount), sizeof(PatternCell)));
        if (!bytes || !cells) {
            std::free(bytes);
            std::free(cells);
            setError("out of memory");
            return false;
        }
        in.read(bytes, static_cast<int32_t>(take));
        int64_t used = decodeCells(cells, cellCount, bytes, take);
        std::free(bytes);
        pattern.cells = cells;
        if (used < 0) {
            setError("the file ends inside its patterns");
            return false;
        }
        in.seek(start + 9 + used);
    }
    return true;
}

// Envelope indices the envelope steps rely on: at most 12 points, and the
// sustain and loop points among them; an envelope that breaks this loses the
// part that would read outside its points.
void checkEnvelope(EnvelopePoint* points, uint8_t& count, uint8_t& flags, uint8_t sustain, uint8_t loopStart,
                   uint8_t loopEnd) {
    // Values run 0..64; larger ones would overflow the 16.16 arithmetic.
    for (int32_t i = 0; i < maxEnvelopePoints; ++i) {
        if (points[i].y > 64) points[i].y = 64;
    }
    if (count > maxEnvelopePoints) count = maxEnvelopePoints;
    if (count < 2) flags = 0;
    if (sustain >= count) flags &= static_cast<uint8_t>(~2);
    if (loopStart >= count || loopEnd >= count || loopStart > loopEnd) flags &= static_cast<uint8_t>(~4);
}

bool readSampleHeader(Sample* s, Reader& in, bool& packed) {
    s->length = in.u32();
    s->loopStart = in.u32();
    s->loopLength = in.u32();
    s->volume = in.u8();
    s->finetune = static_cast<int8_t>(in.u8());
    uint8_t type = in.u8();
    s->panning = in.u8();
    s->relativeNote = static_cast<int8_t>(in.u8());
    uint8_t reserved = in.u8();
    uint8_t name[22];
    in.read(name, 22);
    packed = reserved == packedSampleMark;
    s->loopType = 1;
    if (type & 1) s->loopType = 2;
    if (type & 2) s->loopType = 4;
    s->bitsPerSample = (type & 16) ? 16 : 8;
    if (s->loopType == 1) {
        s->loopStart = 0;
        s->loopLength = s->length;
    }
    if (s->bitsPerSample == 16) {
        s->length /= 2;
        s->loopStart /= 2;
        s->loopLength /= 2;
    }
    if (s->loopLength == 0) {
        s->loopStart = 0;
        s->loopLength = s->length;
        s->loopType = 1;
    }
    return true;
}

// A loop must end inside the sample: the loop tail is written at its end.
void clampLoop(Sample* s) {
    uint64_t end = static_cast<uint64_t>(s->loopStart) + s->loopLength;
    if (end <= s->length) return;
    if (s->loopStart >= s->length) {
        s->loopStart = 0;
        s->loopLength = s->length;
        s->loopType = 1;
    } else {
        s->loopLength = s->length - s->loopStart;
    }
}

// Reads (or has the sample reader supply) one sample's data. The declared
// size is not trusted: frames the file has no bytes for are dropped.
bool readSampleData(Module* module, Sample* s, Reader& in, bool packed, int32_t instrumentIndex, int32_t sampleIndex) {
    const uint32_t bytesPerFrame = s->bitsPerSample / 8u;
    uint64_t storedBytes = static_cast<uint64_t>(s->length) * bytesPerFrame;
    if (packed) {
        // Packed 8-bit data: a 16-byte table and a nibble per frame. Not
        // decoded: the sample is silent, its bytes are skipped.
        uint64_t packedBytes = 16 + (static_cast<uint64_t>(s->length) + 1) / 2;
        in.seek(in.position() + static_cast<int64_t>(packedBytes < static_cast<uint64_t>(in.remaining()) ? packedBytes : in.remaining()));
        s->length = 0;
        s->loopStart = 0;
        s->loopLength = 0;
        s->loopType = 1;
        s->bitsPerSample = 16;
        return true;
    }
    uint64_t available = static_cast<uint64_t>(in.remaining());
    if (storedBytes > available) {
        s->length = static_cast<uint32_t>(available / bytesPerFrame);
        storedBytes = static_cast<uint64_t>(s->length) * bytesPerFrame;
    }
    clampLoop(s);
    if (s->length == 0) {
        s->bitsPerSample = 16;
        return true;
    }
    s->data = static_cast<int16_t*>(std::calloc(static_cast<size_t>(s->length) + 8, sizeof(int16_t)));
    if (!s->data) {
        setError("out of memory");
        return false;
    }
    const int32_t byteCount = static_cast<int32_t>(storedBytes);
    if (module->sampleReader) {
        module->sampleReader(s->data, static_cast<uint32_t>(byteCount), s->bitsPerSample, instrumentIndex, sampleIndex);
        in.seek(in.position() + byteCount);
    } else {
        in.read(s->data, byteCount);
    }
    if (s->bitsPerSample == 8) {
        // Widen in place from the end: byte i sits at or before frame i.
        auto* bytes = reinterpret_cast<uint8_t*>(s->data);
        for (uint32_t i = s->length; i-- > 0;) {
            s->data[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[i] << 8));
        }
        s->bitsPerSample = 16;
    } else {
        // 16-bit frames are little-endian in the file.
        auto* bytes = reinterpret_cast<uint8_t*>(s->data);
        for (uint32_t i = 0; i < s->length; ++i) {
            s->data[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
        }
    }
    if (!module->sampleReader) {
        uint16_t previous = 0;
        for (uint32_t i = 0; i < s->length; ++i) {
            previous = static_cast<uint16_t>(previous + static_cast<uint16_t>(s->data[i]));
            s->data[i] = static_cast<int16_t>(previous);
        }
    }
    const uint32_t end = s->loopStart + s->loopLength;
    s->data[end] = s->loopType == 4 ? s->data[end - 1] : s->data[s->loopStart];
    return true;
}

bool readInstruments(Module* module, Reader& in) {
    for (int32_t n = 0; n < module->instrumentCount; ++n) {
        Instrument& instrument = module->instruments[n];
        const int64_t start = in.position();
        if (in.remaining() == 0) {
            // Instruments the file has no bytes for stay empty.
            for (auto& slot : instrument.samples) slot = &silentSample;
            continue;
        }
        uint32_t headerSize = in.u32();
        uint8_t name[23];
        in.read(name, 23);
        int32_t sampleCount = in.u16();
        if (sampleCount > maxSamplesPerInstrument) {
            setError("an instrument has more than 16 samples");
            return false;
        }
        instrument.sampleCount = sampleCount;
        for (auto& slot : instrument.samples) slot = &silentSample;
        // A header that claims less than its fixed fields would make the next
        // instrument start inside this one.
        int64_t size = headerSize < instrumentHeaderFixedBytes ? instrumentHeaderFixedBytes : headerSize;
        if (sampleCount == 0) {
            in.seek(start + size);
            continue;
        }
        in.u32();  // sample header size: taken to be 40
        in.read(instrument.sampleForNote, 96);
        for (auto& point : instrument.volumeEnvelope) {
            point.x = in.u16();
            point.y = in.u16();
        }
        for (auto& point : instrument.panningEnvelope) {
            point.x = in.u16();
            point.y = in.u16();
        }
        instrument.volumePointCount = in.u8();
        instrument.panningPointCount = in.u8();
        instrument.volumeSustainPoint = in.u8();
        instrument.volumeLoopStart = in.u8();
        instrument.volumeLoopEnd = in.u8();
        instrument.panningSustainPoint = in.u8();
        instrument.panningLoopStart = in.u8();
        instrument.panningLoopEnd = in.u8();
        instrument.volumeEnvelopeFlags = in.u8();
        instrument.panningEnvelopeFlags = in.u8();
        instrument.vibratoType = in.u8();
        instrument.vibratoSweep = in.u8();
        instrument.vibratoDepth = in.u8();
        instrument.vibratoRate = in.u8();
        instrument.fadeout = static_cast<uint16_t>(in.u16() * 2);
        checkEnvelope(instrument.volumeEnvelope, instrument.volumePointCount, instrument.volumeEnvelopeFlags, instrument.volumeSustainPoint,
                      instrument.volumeLoopStart, instrument.volumeLoopEnd);
        checkEnvelope(instrument.panningEnvelope, instrument.panningPointCount, instrument.panningEnvelopeFlags, instrument.panningSustainPoint,
                      instrument.panningLoopStart, instrument.panningLoopEnd);
        in.seek(start + size);

        bool packed[maxSamplesPerInstrument] = {};
        for (int32_t k = 0; k < sampleCount; ++k) {
            auto* sample = static_cast<Sample*>(std::calloc(1, sizeof(Sample)));
            if (!sample) {
                instrument.sampleCount = k;
                setError("out of memory");
                return false;
            }
            instrument.samples[k] = sample;
            readSampleHeader(sample, in, packed[k]);
        }
        (void)sampleHeaderBytes;
        for (int32_t k = 0; k < sampleCount; ++k) {
            if (!readSampleData(module, instrument.samples[k], in, packed[k], n, k)) return false;
        }
    }
    return true;
}

}  // namespace

const char* moduleLoadError() { return loadError; }

bool readXm(Module* module, Stream* stream) {
    if (!module || !stream) {
        setError("no stream to read");
        return false;
    }
    Reader in{stream, 0};
    streamSeek(stream, 0, 2);
    in.size = streamTell(stream);
    in.seek(0);
    char signature[17];
    if (in.read(signature, 17) != 17 || std::memcmp(signature, "Extended Module: ", 17) != 0) {
        setError("not an XM file (no \"Extended Module: \" signature)");
        return false;
    }
    module->tickHandler = moduleTick;
    module->initialGlobalVolume = 64;

    in.seek(58);
    const uint16_t version = in.u16();
    const uint32_t headerSize = in.u32();
    if (in.size < 80 + 256) {
        setError("the file ends inside its header");
        return false;
    }
    if (version < 0x0104) {
        setError("an old XM version (before 1.04) with another layout");
        return false;
    }
    int32_t songLength = in.u16();
    int32_t restart = in.u16();
    int32_t channels = in.u16();
    int32_t filePatterns = in.u16();
    int32_t instruments = in.u16();
    module->flags = in.u16();
    module->defaultSpeed = static_cast<int16_t>(in.u16());
    int32_t bpm = in.u16();
    in.read(module->orderTable, 256);

    if (channels > voiceCount) {
        setError("more channels than the mixer has voices (256)");
        return false;
    }
    if (filePatterns > maxPatterns) {
        setError("more than 256 patterns");
        return false;
    }
    // The order table has 256 entries; instruments above 128 cannot be named
    // by a pattern, so they are not read.
    if (songLength > 256) songLength = 256;
    if (restart >= songLength) restart = 0;
    if (instruments > maxInstruments) instruments = maxInstruments;
    // A tempo of 0 would make ticks endless: play at the format's default.
    if (bpm == 0) bpm = 125;
    if (bpm > 0x7FFF) bpm = 0x7FFF;
    if (module->defaultSpeed < 0) module->defaultSpeed = 0x7FFF;
    module->songLength = static_cast<int16_t>(songLength);
    module->restartPosition = static_cast<int16_t>(restart);
    module->channelCount = static_cast<int16_t>(channels);
    module->instrumentCount = static_cast<int16_t>(instruments);
    module->defaultBpm = static_cast<int16_t>(bpm);

    int32_t used = 0;
    for (int32_t i = 0; i < songLength; ++i) {
        if (module->orderTable[i] + 1 > used) used = module->orderTable[i] + 1;
    }
    module->usedPatternCount = used;
    module->patternCount = filePatterns > used ? filePatterns : used;
    if (60 + static_cast<int64_t>(headerSize) > in.size) {
        setError("the file ends inside its header");
        return false;
    }
    in.seek(60 + static_cast<int64_t>(headerSize));

    if (module->patternCount > 0) {
        module->patterns = static_cast<Pattern*>(std::calloc(module->patternCount, sizeof(Pattern)));
        if (!module->patterns) {
            setError("out of memory");
            return false;
        }
    }
    if (!readPatterns(module, in, filePatterns)) return false;
    for (int32_t p = filePatterns; p < module->patternCount; ++p) {
        module->patterns[p].rowCount = 64;
        module->patterns[p].cells = emptyCells;
    }

    if (module->instrumentCount > 0) {
        module->instruments = static_cast<Instrument*>(std::calloc(module->instrumentCount, sizeof(Instrument)));
        if (!module->instruments) {
            setError("out of memory");
            return false;
        }
    }
    return readInstruments(module, in);
}

Module* moduleLoad(const char* streamName, SampleReader sampleReader) {
    auto* module = new (std::nothrow) Module{};
    if (!module) {
        setError("out of memory");
        return nullptr;
    }
    module->next = module;
    module->prev = module;
    Stream* stream = streamOpen(streamName);
    if (!stream) {
        setError("cannot open the file");
        delete module;
        return nullptr;
    }
    module->sampleReader = sampleReader;
    bool ok = readXm(module, stream);
    streamClose(stream);
    if (!ok) {
        moduleFree(module);
        return nullptr;
    }
    loadError[0] = 0;
    return module;
}

namespace {
void releaseSample(Sample* sample) {
    if (!sample || sample == &silentSample) return;
    std::free(sample->data);
    std::free(sample);
}
}  // namespace

bool moduleFree(Module* module) {
    if (!module) return false;
    moduleStop(module);
    std::lock_guard<std::mutex> lock(mixLock);
    if (module->instruments) {
        for (int32_t n = 0; n < module->instrumentCount; ++n) {
            Instrument& instrument = module->instruments[n];
            for (int32_t k = 0; k < instrument.sampleCount; ++k) releaseSample(instrument.samples[k]);
        }
        std::free(module->instruments);
    }
    if (module->patterns) {
        for (int32_t p = 0; p < module->patternCount; ++p) freeCells(module->patterns[p]);
        std::free(module->patterns);
    }
    delete module;
    return true;
}

void sampleFree(Sample* sample) {
    if (!sample) return;
    std::lock_guard<std::mutex> lock(mixLock);
    releaseSample(sample);
}
