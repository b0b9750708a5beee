#pragma once
// A small XM writer for test fixtures: describe a song, get its file bytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace xm {

struct Cell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, parameter = 0;
};

struct Pattern {
    int rows = 64;
    std::vector<Cell> cells;      // rows x channels; missing cells are empty
    std::vector<uint8_t> packed;  // when not empty: the packed data as is
    int packedSizeField = -1;     // -1: the real size
};

struct Envelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    uint8_t count = 0xFF;  // 0xFF: points.size()
    uint8_t sustain = 0, loopStart = 0, loopEnd = 0, flags = 0;
};

struct Sample {
    std::vector<int16_t> frames;  // plain values; written delta coded
    bool sixteenBit = false;      // otherwise frames hold -128..127
    uint32_t loopStart = 0, loopLength = 0;  // frames
    uint8_t loop = 0;                        // type bits 0-1
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    uint8_t reserved = 0;
    int64_t lengthField = -1;  // -1: from frames (bytes)
    int64_t dataBytes = -1;    // -1: all of the data
};

struct Instrument {
    std::vector<Sample> samples;
    uint8_t sampleForNote[96] = {};
    Envelope volume, panning;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;
    int64_t headerSize = -1;     // -1: 263 with samples, 33 without
    int sampleCountField = -1;   // -1: samples.size()
};

struct Song {
    uint16_t version = 0x0104;
    uint32_t headerSize = 276;
    int channels = 2;
    std::vector<uint8_t> orders = {0};
    int songLengthField = -1;  // -1: orders.size()
    uint16_t restart = 0;
    uint16_t flags = 1;  // linear table
    uint16_t speed = 6, bpm = 125;
    std::vector<Pattern> patterns = {Pattern{}};
    int patternCountField = -1;
    std::vector<Instrument> instruments;
};

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Packs one cell the way trackers do: a mask byte and the fields present,
// or all five bytes when every field is there.
inline void packCell(std::vector<uint8_t>& out, const Cell& c) {
    const uint8_t f[5] = {c.note, c.instrument, c.volume, c.effect, c.parameter};
    uint8_t mask = 0x80;
    for (int i = 0; i < 5; ++i)
        if (f[i]) mask |= static_cast<uint8_t>(1 << i);
    if (mask == 0x9F && c.note < 0x80) {
        out.insert(out.end(), f, f + 5);
        return;
    }
    out.push_back(mask);
    for (int i = 0; i < 5; ++i)
        if (f[i]) out.push_back(f[i]);
}

inline std::vector<uint8_t> write(const Song& s) {
    std::vector<uint8_t> out;
    const char* id = "Extended Module: ";
    out.insert(out.end(), id, id + 17);
    out.resize(37, ' ');
    out.push_back(0x1A);
    out.resize(58, ' ');
    put16(out, s.version);
    put32(out, s.headerSize);
    put16(out, s.songLengthField >= 0 ? s.songLengthField : static_cast<uint32_t>(s.orders.size()));
    put16(out, s.restart);
    put16(out, s.channels);
    put16(out, s.patternCountField >= 0 ? s.patternCountField : static_cast<uint32_t>(s.patterns.size()));
    put16(out, static_cast<uint32_t>(s.instruments.size()));
    put16(out, s.flags);
    put16(out, s.speed);
    put16(out, s.bpm);
    uint8_t table[256] = {};
    for (size_t i = 0; i < s.orders.size() && i < 256; ++i) table[i] = s.orders[i];
    out.insert(out.end(), table, table + 256);
    out.resize(60 + s.headerSize, 0);

    for (const Pattern& p : s.patterns) {
        std::vector<uint8_t> data = p.packed;
        if (data.empty()) {
            bool any = false;
            for (const Cell& c : p.cells) any = any || c.note || c.instrument || c.volume || c.effect || c.parameter;
            if (any) {
                for (int i = 0; i < p.rows * s.channels; ++i)
                    packCell(data, i < static_cast<int>(p.cells.size()) ? p.cells[i] : Cell{});
            }
        }
        put32(out, 9);
        out.push_back(0);
        put16(out, p.rows);
        put16(out, p.packedSizeField >= 0 ? p.packedSizeField : static_cast<uint32_t>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }

    for (const Instrument& in : s.instruments) {
        const size_t start = out.size();
        const bool hasSamples = !in.samples.empty();
        const uint32_t headerSize =
            in.headerSize >= 0 ? static_cast<uint32_t>(in.headerSize) : (hasSamples ? 263 : 33);
        put32(out, headerSize);
        out.resize(out.size() + 23, 0);  // name and type
        put16(out, in.sampleCountField >= 0 ? in.sampleCountField : static_cast<uint32_t>(in.samples.size()));
        if (hasSamples) {
            put32(out, 40);
            out.insert(out.end(), in.sampleForNote, in.sampleForNote + 96);
            for (const Envelope* e : {&in.volume, &in.panning}) {
                for (int i = 0; i < 12; ++i) {
                    const bool used = i < static_cast<int>(e->points.size());
                    put16(out, used ? e->points[i].first : 0);
                    put16(out, used ? e->points[i].second : 0);
                }
            }
            for (const Envelope* e : {&in.volume, &in.panning})
                out.push_back(e->count != 0xFF ? e->count : static_cast<uint8_t>(e->points.size()));
            for (const Envelope* e : {&in.volume, &in.panning}) {
                out.push_back(e->sustain);
                out.push_back(e->loopStart);
                out.push_back(e->loopEnd);
            }
            out.push_back(in.volume.flags);
            out.push_back(in.panning.flags);
            out.push_back(in.vibratoType);
            out.push_back(in.vibratoSweep);
            out.push_back(in.vibratoDepth);
            out.push_back(in.vibratoRate);
            put16(out, in.fadeout);
        }
        out.resize(start + headerSize, 0);
        if (!hasSamples) continue;
        for (const Sample& smp : in.samples) {
            const uint32_t unit = smp.sixteenBit ? 2 : 1;
            put32(out, smp.lengthField >= 0 ? static_cast<uint32_t>(smp.lengthField)
                                            : static_cast<uint32_t>(smp.frames.size() * unit));
            put32(out, smp.loopStart * unit);
            put32(out, smp.loopLength * unit);
            out.push_back(smp.volume);
            out.push_back(static_cast<uint8_t>(smp.finetune));
            out.push_back(static_cast<uint8_t>(smp.loop | (smp.sixteenBit ? 16 : 0)));
            out.push_back(smp.panning);
            out.push_back(static_cast<uint8_t>(smp.relativeNote));
            out.push_back(smp.reserved);
            out.resize(out.size() + 22, 0);
        }
        for (const Sample& smp : in.samples) {
            std::vector<uint8_t> data;
            int32_t previous = 0;
            for (int16_t v : smp.frames) {
                if (smp.sixteenBit) {
                    put16(data, static_cast<uint16_t>(v - previous));
                } else {
                    data.push_back(static_cast<uint8_t>(v - previous));
                }
                previous = v;
            }
            if (smp.dataBytes >= 0 && static_cast<size_t>(smp.dataBytes) < data.size()) data.resize(smp.dataBytes);
            out.insert(out.end(), data.begin(), data.end());
        }
    }
    return out;
}

// An instrument with one sample on every note.
inline Instrument simpleInstrument(Sample sample) {
    Instrument in;
    in.samples.push_back(std::move(sample));
    return in;
}

inline Sample squareSample(int frames = 64, bool loop = true) {
    Sample s;
    for (int i = 0; i < frames; ++i) s.frames.push_back(static_cast<int16_t>((i / 8) % 2 ? 100 : -100));
    if (loop) {
        s.loop = 1;
        s.loopStart = 0;
        s.loopLength = frames;
    }
    return s;
}

}  // namespace xm
