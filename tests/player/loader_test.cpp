#include <gtest/gtest.h>

#include <cstring>

#include "audio/stream.h"

#include "fixture.h"

namespace {

using xm::Cell;

xm::Song oneInstrumentSong(xm::Sample sample) {
    xm::Song s;
    s.instruments.push_back(xm::simpleInstrument(std::move(sample)));
    return s;
}

TEST(Loader, ReadsHeaderOrdersAndFillsMissingPatterns) {
    xm::Song s;
    s.channels = 3;
    s.orders = {0, 1, 3, 1};
    s.restart = 2;
    s.flags = 0;
    s.speed = 8;
    s.bpm = 140;
    s.patterns = {xm::Pattern{}, xm::Pattern{}};
    s.patterns[1].rows = 32;
    LoadedSong song = loadSong(s);
    Module* m = song.module.get();
    ASSERT_NE(m, nullptr) << moduleLoadError();
    EXPECT_EQ(m->songLength, 4);
    EXPECT_EQ(m->restartPosition, 2);
    EXPECT_EQ(m->channelCount, 3);
    EXPECT_EQ(m->flags, 0);
    EXPECT_EQ(m->defaultSpeed, 8);
    EXPECT_EQ(m->defaultBpm, 140);
    EXPECT_EQ(m->usedPatternCount, 4);
    EXPECT_EQ(m->patternCount, 4);
    EXPECT_EQ(m->patterns[1].rowCount, 32);
    // Patterns 2 and 3 are not in the file: 64 empty rows each.
    for (int p : {2, 3}) {
        EXPECT_EQ(m->patterns[p].rowCount, 64);
        ASSERT_NE(m->patterns[p].cells, nullptr);
        EXPECT_EQ(m->patterns[p].cells[63 * 3 + 2].note, 0);
    }
    EXPECT_EQ(m->initialGlobalVolume, 64);
    EXPECT_EQ(m->tickHandler, &moduleTick);
    EXPECT_EQ(m->next, m);
    EXPECT_EQ(m->prev, m);
}

TEST(Loader, SongLengthZeroUsesOnlyTheFilesPatterns) {
    xm::Song s;
    s.orders = {5};
    s.songLengthField = 0;
    s.patterns = {xm::Pattern{}, xm::Pattern{}};
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    EXPECT_EQ(song.module->usedPatternCount, 0);
    EXPECT_EQ(song.module->patternCount, 2);
}

TEST(Loader, DecodesPackedAndPlainCells) {
    xm::Song s;
    s.channels = 2;
    s.patterns[0].rows = 3;
    s.patterns[0].packed = {
        0x80,                    // row 0 ch 0: empty
        0x98, 0x0C, 0x20,        // effect and parameter only
        61, 1, 0x40, 0x0F, 0x06, // plain cell: all five bytes
        97, 0, 0, 0, 0,          // key off as a plain note
        0x83, 120, 200,          // note above 97 and instrument above 128
        0x81, 96,                // the highest note
    };
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    const PatternCell* c = song.module->patterns[0].cells;
    struct Expect {
        int index;
        PatternCell cell;
    } table[] = {
        {0, {0, 0, 0, 0, 0}},    {1, {0, 0, 0, 0x0C, 0x20}}, {2, {61, 1, 0x40, 0x0F, 0x06}},
        {3, {255, 0, 0, 0, 0}},  {4, {255, 0, 0, 0, 0}},     {5, {96, 0, 0, 0, 0}},
    };
    for (const Expect& e : table) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(c[e.index].note, e.cell.note);
        EXPECT_EQ(c[e.index].instrument, e.cell.instrument);
        EXPECT_EQ(c[e.index].volume, e.cell.volume);
        EXPECT_EQ(c[e.index].effect, e.cell.effect);
        EXPECT_EQ(c[e.index].parameter, e.cell.parameter);
    }
}

TEST(Loader, PatternDataIsReadBehindTheLastCellNotByThePackedSize) {
    xm::Song s;
    s.channels = 1;
    s.patterns = {xm::Pattern{}, xm::Pattern{}};
    s.patterns[0].rows = 1;
    s.patterns[0].packed = {0x81, 50};
    s.patterns[0].packedSizeField = 7;  // wrong: the next pattern starts after two bytes
    s.patterns[1].rows = 2;
    s.patterns[1].packed = {0x81, 40, 0x80};
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    EXPECT_EQ(song.module->patterns[0].cells[0].note, 50);
    EXPECT_EQ(song.module->patterns[1].rowCount, 2);
    EXPECT_EQ(song.module->patterns[1].cells[0].note, 40);
}

TEST(Loader, EmptyInstrumentsAreReadAtTheirStartPlusHeaderSize) {
    xm::Song s;
    xm::Instrument empty;
    empty.headerSize = 33;
    xm::Instrument padded;
    padded.headerSize = 61;  // extra bytes after the fixed fields are skipped
    xm::Sample smp = xm::squareSample(16, false);
    smp.volume = 40;
    s.instruments = {empty, padded, xm::simpleInstrument(smp)};
    LoadedSong song = loadSong(s);
    Module* m = song.module.get();
    ASSERT_NE(m, nullptr) << moduleLoadError();
    ASSERT_EQ(m->instrumentCount, 3);
    for (int i : {0, 1}) {
        EXPECT_EQ(m->instruments[i].sampleCount, 0);
        for (Sample* slot : m->instruments[i].samples) EXPECT_EQ(slot, &silentSample);
    }
    ASSERT_EQ(m->instruments[2].sampleCount, 1);
    EXPECT_EQ(m->instruments[2].samples[0]->volume, 40);
    EXPECT_EQ(m->instruments[2].samples[1], &silentSample);
}

TEST(Loader, WidensAndDecodesSampleData) {
    xm::Sample eight;
    eight.frames = {0, 1, -1, 127, -128, 5};
    xm::Sample sixteen;
    sixteen.sixteenBit = true;
    sixteen.frames = {0, 1000, -1000, 32767, -32768, 7};
    xm::Song s;
    xm::Instrument in;
    in.samples = {eight, sixteen};
    s.instruments = {in};
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    const Instrument& i = song.module->instruments[0];
    for (int k = 0; k < 2; ++k) {
        const Sample* smp = i.samples[k];
        const xm::Sample& source = k == 0 ? eight : sixteen;
        SCOPED_TRACE(k);
        EXPECT_EQ(smp->bitsPerSample, 16);
        ASSERT_EQ(smp->length, 6u);
        for (int f = 0; f < 6; ++f) EXPECT_EQ(smp->data[f], k == 0 ? source.frames[f] * 256 : source.frames[f]);
    }
}

TEST(Loader, LoopValuesAndTheLoopTailFrame) {
    struct Case {
        const char* name;
        uint8_t loop;
        bool sixteen;
        uint32_t length, loopStart, loopLength;
        uint8_t expectType;
        uint32_t expectStart, expectLength;
        int tailFrom;  // index whose value the tail frame copies
    } cases[] = {
        {"forward 8-bit", 1, false, 857, 363, 494, 2, 363, 494, 363},
        {"no loop", 0, false, 100, 10, 20, 1, 0, 100, 0},
        {"forward with loop length 0", 1, false, 100, 40, 0, 1, 0, 100, 0},
        {"ping-pong", 2, false, 100, 20, 30, 4, 20, 30, 49},
        {"both bits: ping-pong", 3, false, 100, 20, 30, 4, 20, 30, 49},
        {"16-bit forward", 1, true, 50, 10, 40, 2, 10, 40, 10},
        {"loop past the end is cut", 1, false, 100, 60, 80, 2, 60, 40, 60},
        {"loop start past the end: no loop", 1, false, 100, 150, 10, 1, 0, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        xm::Sample smp;
        smp.sixteenBit = c.sixteen;
        for (uint32_t f = 0; f < c.length; ++f) smp.frames.push_back(static_cast<int16_t>(f % 100 + 1));
        smp.loop = c.loop;
        smp.loopStart = c.loopStart;
        smp.loopLength = c.loopLength;
        LoadedSong song = loadSong(oneInstrumentSong(smp));
        ASSERT_NE(song.module, nullptr) << moduleLoadError();
        const Sample* s = song.module->instruments[0].samples[0];
        EXPECT_EQ(s->length, c.length);
        EXPECT_EQ(s->loopType, c.expectType);
        EXPECT_EQ(s->loopStart, c.expectStart);
        EXPECT_EQ(s->loopLength, c.expectLength);
        EXPECT_EQ(s->data[c.expectStart + c.expectLength], s->data[c.tailFrom]);
    }
}

TEST(Loader, EnvelopesFadeoutAndLimits) {
    xm::Instrument in = xm::simpleInstrument(xm::squareSample());
    in.volume.points = {{0, 64}};
    in.volume.flags = 7;  // one point: switched off
    in.panning.points = {{0, 32}, {10, 0}, {20, 64}};
    in.panning.flags = 7;
    in.panning.sustain = 5;  // beyond the points: no sustain
    in.panning.loopStart = 0;
    in.panning.loopEnd = 2;
    in.fadeout = 300;
    xm::Instrument wide = xm::simpleInstrument(xm::squareSample());
    wide.volume.points = {{0, 64}, {5, 0}};
    wide.volume.count = 200;  // more than 12 points
    wide.volume.flags = 5;
    wide.volume.loopStart = 1;
    wide.volume.loopEnd = 40;  // outside the points: no loop
    xm::Song s;
    s.instruments = {in, wide};
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    const Instrument& a = song.module->instruments[0];
    EXPECT_EQ(a.volumeEnvelopeFlags, 0);
    EXPECT_EQ(a.panningEnvelopeFlags, 5);
    EXPECT_EQ(a.panningPointCount, 3);
    EXPECT_EQ(a.panningEnvelope[2].x, 20);
    EXPECT_EQ(a.panningEnvelope[2].y, 64);
    EXPECT_EQ(a.fadeout, 600);
    const Instrument& b = song.module->instruments[1];
    EXPECT_EQ(b.volumePointCount, 12);
    EXPECT_EQ(b.volumeEnvelopeFlags, 1);
}

TEST(Loader, SampleReaderSuppliesPlainValues) {
    static int calls = 0;
    static uint32_t seenBytes = 0;
    calls = 0;
    auto reader = [](void* destination, uint32_t bytes, uint8_t bits, int32_t instrument, int32_t sample) {
        ++calls;
        seenBytes = bytes;
        EXPECT_EQ(bits, 8);
        EXPECT_EQ(instrument, 0);
        EXPECT_EQ(sample, 0);
        auto* d = static_cast<int8_t*>(destination);
        for (uint32_t i = 0; i < bytes; ++i) d[i] = static_cast<int8_t>(i);
    };
    xm::Song s = oneInstrumentSong(xm::squareSample(10, false));
    std::vector<uint8_t> bytes = xm::write(s);
    useByteStream(bytes.data(), bytes.size());
    ModulePtr m(moduleLoad(nullptr, reader));
    ASSERT_NE(m, nullptr) << moduleLoadError();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenBytes, 10u);
    const Sample* smp = m->instruments[0].samples[0];
    // Taken as plain values: widened, not delta decoded.
    for (int i = 0; i < 10; ++i) EXPECT_EQ(smp->data[i], i * 256);
}

TEST(Loader, ShortFilesLoseOnlyWhatIsMissing) {
    xm::Sample smp = xm::squareSample(1000, true);
    smp.loopStart = 500;
    smp.loopLength = 500;
    xm::Song s = oneInstrumentSong(smp);
    std::vector<uint8_t> full = xm::write(s);
    // Sample data a few bytes short: the song loads, the sample keeps what the file has.
    std::vector<uint8_t> shortData(full.begin(), full.end() - 10);
    ModulePtr m = loadBytes(shortData);
    ASSERT_NE(m, nullptr) << moduleLoadError();
    const Sample* loaded = m->instruments[0].samples[0];
    EXPECT_EQ(loaded->length, 990u);
    EXPECT_EQ(loaded->loopStart + loaded->loopLength, 990u);
    // A last instrument header cut short: zeros, and the song still loads.
    xm::Song two = oneInstrumentSong(xm::squareSample(8, false));
    two.instruments.push_back(xm::simpleInstrument(xm::squareSample(8, false)));
    std::vector<uint8_t> bytes = xm::write(two);
    const size_t cutBytes = 8 + 40 + 100;
    ASSERT_GT(bytes.size(), cutBytes);
    bytes.erase(bytes.end() - static_cast<std::ptrdiff_t>(cutBytes), bytes.end());
    ModulePtr cut = loadBytes(bytes);
    ASSERT_NE(cut, nullptr) << moduleLoadError();
    EXPECT_EQ(cut->instrumentCount, 2);
}

TEST(Loader, PackedSamplesAreSilencedAndTheNextSampleStillReads) {
    xm::Sample packed = xm::squareSample(100, true);
    packed.reserved = 0xAD;
    packed.dataBytes = 16 + 50;  // a table and a nibble per frame
    xm::Sample plain = xm::squareSample(20, false);
    xm::Instrument in;
    in.samples = {packed, plain};
    xm::Song s;
    s.instruments = {in};
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    const Instrument& i = song.module->instruments[0];
    EXPECT_EQ(i.samples[0]->length, 0u);
    EXPECT_EQ(i.samples[0]->data, nullptr);
    ASSERT_EQ(i.samples[1]->length, 20u);
    for (int f = 0; f < 20; ++f) EXPECT_EQ(i.samples[1]->data[f], plain.frames[f] * 256);
}

struct Refusal {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<Refusal> refusals() {
    std::vector<Refusal> r;
    xm::Song base;
    base.instruments.push_back(xm::simpleInstrument(xm::squareSample()));
    std::vector<uint8_t> good = xm::write(base);

    std::vector<uint8_t> b = good;
    b[9] = 'm';
    r.push_back({"signature", b});
    r.push_back({"empty file", {}});
    r.push_back({"header cut off", std::vector<uint8_t>(good.begin(), good.begin() + 200)});
    xm::Song old = base;
    old.version = 0x0102;
    r.push_back({"old version", xm::write(old)});
    xm::Song many = base;
    many.instruments[0].sampleCountField = 17;
    r.push_back({"17 samples", xm::write(many)});
    xm::Song channels = base;
    channels.channels = 257;
    r.push_back({"257 channels", xm::write(channels)});
    xm::Song rows0 = base;
    rows0.patterns[0].rows = 0;
    r.push_back({"pattern of 0 rows", xm::write(rows0)});
    xm::Song rows = base;
    rows.patterns[0].rows = 257;
    r.push_back({"pattern of 257 rows", xm::write(rows)});
    xm::Song patterns = base;
    patterns.patternCountField = 300;
    r.push_back({"300 patterns", xm::write(patterns)});
    xm::Song cut = base;
    cut.channels = 8;
    cut.patterns[0].cells.assign(64 * 8, xm::Cell{50, 1, 0x40, 4, 0x44});
    std::vector<uint8_t> cutBytes = xm::write(cut);
    cutBytes.resize(336 + 9 + 100);
    r.push_back({"pattern cut off", cutBytes});
    xm::Song huge = base;
    huge.channels = 256;
    huge.patterns[0].rows = 256;
    huge.patterns[0].packed = {0x80};  // claims 65536 cells, has one byte
    r.push_back({"pattern with far fewer bytes than cells", xm::write(huge)});
    return r;
}

TEST(Loader, RefusesBrokenFilesWithAReason) {
    for (const Refusal& r : refusals()) {
        SCOPED_TRACE(r.name);
        ModulePtr m = loadBytes(r.bytes);
        EXPECT_EQ(m, nullptr);
        EXPECT_GT(std::strlen(moduleLoadError()), 0u);
    }
}

TEST(Loader, ClampsOrderLimitsAndGuardsTheTempo) {
    xm::Song s;
    s.orders.assign(256, 0);
    s.songLengthField = 300;
    s.restart = 290;
    s.bpm = 0;
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    EXPECT_EQ(song.module->songLength, 256);
    EXPECT_EQ(song.module->restartPosition, 0);
    EXPECT_EQ(song.module->defaultBpm, 125);
}

TEST(Loader, HugeDeclaredSampleSizesAllocateOnlyWhatTheFileHas) {
    xm::Sample smp = xm::squareSample(16, false);
    smp.lengthField = 0xFFFFFFF0;
    LoadedSong song = loadSong(oneInstrumentSong(smp));
    ASSERT_NE(song.module, nullptr) << moduleLoadError();
    EXPECT_EQ(song.module->instruments[0].samples[0]->length, 16u);
}

TEST(Loader, NoStreamAndNullArguments) {
    setStreamCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(moduleLoad(nullptr, nullptr), nullptr);
    EXPECT_FALSE(moduleFree(nullptr));
    sampleFree(nullptr);
}

}  // namespace
