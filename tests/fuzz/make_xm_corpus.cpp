// Writes the XM fuzzer's seed corpus: small songs of our own that reach the
// loader's branches (packed and plain cells, 8- and 16-bit samples, loops,
// envelopes, empty instruments, effects). Run: make_xm_corpus <folder>
#include <cstdio>
#include <string>

#include "xm_writer.h"

namespace {

void save(const std::string& folder, const char* name, const xm::Song& song) {
    std::vector<uint8_t> bytes = xm::write(song);
    std::string path = folder + "/" + name + ".xm";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

xm::Song effectsSong() {
    xm::Song s;
    s.channels = 4;
    s.orders = {0, 1, 2};
    s.patterns.assign(2, xm::Pattern{});
    for (auto& p : s.patterns) {
        p.rows = 16;
        p.cells.assign(16 * 4, xm::Cell{});
    }
    uint8_t effects[] = {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 25, 27, 29, 33};
    int i = 0;
    for (auto& p : s.patterns) {
        for (int r = 0; r < 16; ++r) {
            for (int c = 0; c < 4; ++c) {
                xm::Cell& cell = p.cells[r * 4 + c];
                cell.note = static_cast<uint8_t>(r % 3 == 0 ? 30 + r : (r == 7 ? 97 : 0));
                cell.instrument = static_cast<uint8_t>(c % 2 + 1);
                cell.volume = static_cast<uint8_t>(0x10 + (i * 7) % 0xF0);
                cell.effect = effects[i % (sizeof effects)];
                cell.parameter = static_cast<uint8_t>(i * 37);
                ++i;
            }
        }
    }
    xm::Instrument a = xm::simpleInstrument(xm::squareSample(40, true));
    a.volume.points = {{0, 64}, {4, 20}, {10, 40}, {20, 0}};
    a.volume.flags = 7;
    a.volume.sustain = 1;
    a.volume.loopStart = 1;
    a.volume.loopEnd = 2;
    a.panning.points = {{0, 0}, {8, 64}};
    a.panning.flags = 1;
    a.vibratoType = 2;
    a.vibratoDepth = 4;
    a.vibratoRate = 30;
    a.vibratoSweep = 10;
    a.fadeout = 500;
    xm::Sample wide;
    wide.sixteenBit = true;
    for (int f = 0; f < 30; ++f) wide.frames.push_back(static_cast<int16_t>(f * 1000 - 15000));
    wide.loop = 2;
    wide.loopStart = 5;
    wide.loopLength = 20;
    xm::Instrument b;
    b.samples = {wide, xm::squareSample(12, false)};
    for (int n = 0; n < 96; ++n) b.sampleForNote[n] = static_cast<uint8_t>(n % 3);
    s.instruments = {a, b, xm::Instrument{}};
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_xm_corpus <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    xm::Song minimal;
    save(folder, "minimal", minimal);
    save(folder, "effects", effectsSong());
    xm::Song amiga = effectsSong();
    amiga.flags = 0;
    amiga.restart = 1;
    amiga.speed = 3;
    amiga.bpm = 200;
    save(folder, "amiga", amiga);
    xm::Song packed;
    packed.channels = 2;
    packed.patterns[0].rows = 4;
    packed.patterns[0].packed = {0x80, 0x98, 0x0C, 0x20, 61, 1, 0x40, 0x0F, 0x06, 97, 0, 0, 0, 0,
                                 0x83, 120, 200, 0x81, 96, 0x9F, 50, 1, 0x20, 4, 0x44, 0x80};
    xm::Sample pk = xm::squareSample(30, true);
    pk.reserved = 0xAD;
    pk.dataBytes = 16 + 15;
    xm::Instrument in;
    in.samples = {pk, xm::squareSample(8, false)};
    packed.instruments = {in};
    save(folder, "packed", packed);
    return 0;
}
