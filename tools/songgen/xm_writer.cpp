#include "xm_writer.h"

#include <algorithm>

namespace {

struct ByteWriter {
    std::vector<uint8_t> bytes;

    void u8(unsigned v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    // A fixed-size text field, padded with the given byte.
    void text(const std::string& s, size_t size, uint8_t pad = 0) {
        for (size_t i = 0; i < size; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : pad);
    }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
};

// Cells are packed: a byte with bit 7 set says which fields follow; a cell
// with every field present is cheaper unpacked (five plain bytes).
void packCell(ByteWriter& out, const XmCell& c) {
    const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.parameter};
    unsigned mask = 0;
    for (int i = 0; i < 5; ++i)
        if (fields[i] != 0) mask |= 1u << i;
    if (mask == 0x1F) {
        for (uint8_t f : fields) out.u8(f);
        return;
    }
    out.u8(0x80 | mask);
    for (int i = 0; i < 5; ++i)
        if (mask & (1u << i)) out.u8(fields[i]);
}

uint8_t envelopeFlags(const XmEnvelope& e) {
    return static_cast<uint8_t>((e.on ? 1 : 0) | (e.sustain ? 2 : 0) | (e.loop ? 4 : 0));
}

void writeEnvelopePoints(ByteWriter& out, const XmEnvelope& e) {
    for (size_t i = 0; i < 12; ++i) {
        if (i < e.points.size()) {
            out.u16(e.points[i].first);
            out.u16(e.points[i].second);
        } else {
            out.u32(0);
        }
    }
}

void writeInstrument(ByteWriter& out, const XmInstrument& ins) {
    if (ins.samples.empty()) {
        out.u32(33);  // size, name, type, sample count, sample header size
        out.text(ins.name, 22);
        out.u8(0);
        out.u16(0);
        out.u32(40);
        return;
    }
    out.u32(263);
    out.text(ins.name, 22);
    out.u8(0);
    out.u16(static_cast<unsigned>(ins.samples.size()));
    out.u32(40);
    // Every note plays the first sample.
    out.zeros(96);
    writeEnvelopePoints(out, ins.volumeEnvelope);
    writeEnvelopePoints(out, ins.panningEnvelope);
    const XmEnvelope& v = ins.volumeEnvelope;
    const XmEnvelope& p = ins.panningEnvelope;
    out.u8(static_cast<unsigned>(v.points.size()));
    out.u8(static_cast<unsigned>(p.points.size()));
    out.u8(v.sustainPoint);
    out.u8(v.loopStart);
    out.u8(v.loopEnd);
    out.u8(p.sustainPoint);
    out.u8(p.loopStart);
    out.u8(p.loopEnd);
    out.u8(envelopeFlags(v));
    out.u8(envelopeFlags(p));
    out.zeros(4);  // no auto-vibrato
    out.u16(ins.fadeout);
    out.zeros(22);

    for (const XmSample& s : ins.samples) {
        const uint32_t unit = s.sixteenBit ? 2 : 1;
        out.u32(static_cast<uint32_t>(s.frames.size()) * unit);
        out.u32(s.loopStart * unit);
        out.u32(s.loopLength * unit);
        out.u8(s.volume);
        out.u8(static_cast<uint8_t>(s.finetune));
        out.u8(static_cast<uint8_t>(s.loop) | (s.sixteenBit ? 0x10 : 0));
        out.u8(s.panning);
        out.u8(static_cast<uint8_t>(s.relativeNote));
        out.u8(0);
        out.text(s.name, 22);
    }
    // Sample data, delta coded.
    for (const XmSample& s : ins.samples) {
        if (s.sixteenBit) {
            int16_t last = 0;
            for (int16_t f : s.frames) {
                out.u16(static_cast<uint16_t>(f - last));
                last = f;
            }
        } else {
            int8_t last = 0;
            for (int16_t f : s.frames) {
                const auto b = static_cast<int8_t>(f >> 8);
                out.u8(static_cast<uint8_t>(b - last));
                last = b;
            }
        }
    }
}

}  // namespace

std::vector<uint8_t> writeXm(const XmSong& song) {
    ByteWriter out;
    out.text("Extended Module: ", 17);
    out.text(song.name, 20, ' ');
    out.u8(0x1A);
    out.text(song.tracker, 20, ' ');
    out.u16(0x0104);

    out.u32(276);
    out.u16(static_cast<unsigned>(song.orders.size()));
    out.u16(static_cast<unsigned>(song.restartPosition));
    out.u16(static_cast<unsigned>(song.channels));
    out.u16(static_cast<unsigned>(song.storedPatterns));
    out.u16(static_cast<unsigned>(song.instruments.size()));
    out.u16(song.linearFrequencies ? 1 : 0);
    out.u16(static_cast<unsigned>(song.speed));
    out.u16(static_cast<unsigned>(song.bpm));
    for (size_t i = 0; i < 256; ++i) out.u8(i < song.orders.size() ? song.orders[i] : 0);

    for (int p = 0; p < song.storedPatterns; ++p) {
        const XmPattern& pat = song.patterns[static_cast<size_t>(p)];
        ByteWriter packed;
        for (const XmCell& c : pat.cells) packCell(packed, c);
        out.u32(9);
        out.u8(0);
        out.u16(static_cast<unsigned>(pat.rows));
        out.u16(static_cast<unsigned>(packed.bytes.size()));
        out.bytes.insert(out.bytes.end(), packed.bytes.begin(), packed.bytes.end());
    }
    for (const XmInstrument& ins : song.instruments) writeInstrument(out, ins);
    return out.bytes;
}
