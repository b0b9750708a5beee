#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "fixture.h"
#include "player/effects.h"
#include "player/envelopes.h"

namespace {

using xm::Cell;

// A song of `patterns` patterns of `rows` rows on `channels` channels with
// cells set by (pattern, row, channel).
struct SongBuilder {
    xm::Song song;
    SongBuilder(int patterns, int rows = 64, int channels = 2) {
        song.channels = channels;
        song.patterns.assign(patterns, xm::Pattern{});
        for (auto& p : song.patterns) {
            p.rows = rows;
            p.cells.assign(static_cast<size_t>(rows) * channels, Cell{});
        }
        song.orders.clear();
        for (int i = 0; i < patterns; ++i) song.orders.push_back(static_cast<uint8_t>(i));
    }
    SongBuilder& set(int pattern, int row, int channel, Cell cell) {
        song.patterns[pattern].cells[static_cast<size_t>(row) * song.channels + channel] = cell;
        return *this;
    }
    SongBuilder& effect(int pattern, int row, int channel, uint8_t effect, uint8_t parameter) {
        Cell& c = song.patterns[pattern].cells[static_cast<size_t>(row) * song.channels + channel];
        c.effect = effect;
        c.parameter = parameter;
        return *this;
    }
};

std::string timeline(Module* m, int64_t* frames) {
    std::string rows;
    PassOptions options;
    options.secondsLimit = 600;
    std::pair<int, int> last{-1, -1};
    int runStart = -1;
    auto flush = [&] {
        if (last.first < 0) return;
        rows += std::to_string(last.first);
        rows += ':';
        rows += std::to_string(runStart);
        if (last.second != runStart) {
            rows += '-';
            rows += std::to_string(last.second);
        }
        rows += ' ';
    };
    options.onRow = [&](const RowStart& r) {
        if (r.order == last.first && r.row == last.second + 1) {
            last.second = r.row;
            return;
        }
        flush();
        last = {r.order, r.row};
        runStart = r.row;
    };
    PassResult result = timeOnePass(m, options);
    flush();
    *frames = result.complete ? result.frames : -1;
    return rows;
}

TEST(Sequencer, TickLengthFromTempo) {
    mixingRate = 44100;
    Module m{};
    struct {
        int32_t bpm, frames;
    } cases[] = {{125, 882}, {32, 3445}, {255, 432}, {0, 110250}};
    for (auto c : cases) {
        moduleSetBpm(&m, c.bpm);
        EXPECT_EQ(m.samplesPerTick, c.frames) << c.bpm;
        EXPECT_EQ(m.bpm, c.bpm);
    }
    mixingRate = 0;
    moduleSetBpm(&m, 125);
    EXPECT_EQ(m.samplesPerTick, 1) << "a tick is never empty";
}

TEST(Sequencer, TimingOfSpeedDelayLoopBreakAndJump) {
    const int64_t tick = 882;
    struct Case {
        const char* name;
        SongBuilder song;
        const char* rows;
        int64_t frames;
    };
    std::vector<Case> cases;
    cases.push_back({"plain", SongBuilder(1), "0:0-63 ", 64 * 6 * tick});
    cases.push_back({"speed 0 plays every tick as a row", std::move(SongBuilder(1).effect(0, 0, 0, 15, 0)), "0:0-63 ",
                     64 * tick});
    cases.push_back({"speed 31", std::move(SongBuilder(1).effect(0, 0, 0, 15, 31)), "0:0-63 ", 64 * 31 * tick});
    cases.push_back({"tempo 32 from the row it is on", std::move(SongBuilder(1).effect(0, 0, 0, 15, 32)), "0:0-63 ",
                     64 * 6 * 3445});
    cases.push_back({"pattern delay", std::move(SongBuilder(1).effect(0, 5, 1, 14, 0xE2)), "0:0-63 ",
                     (64 * 6 + 12) * tick});
    cases.push_back({"pattern loop three times",
                     std::move(SongBuilder(1).effect(0, 0, 0, 14, 0x60).effect(0, 3, 0, 14, 0x62)),
                     "0:0-3 0:0-3 0:0-63 ", (64 + 8) * 6 * tick});
    cases.push_back({"break to a decimal row", std::move(SongBuilder(2).effect(0, 0, 1, 13, 0x32)), "0:0 1:32-63 ",
                     33 * 6 * tick});
    cases.push_back({"break above 63 goes to row 0", std::move(SongBuilder(2).effect(0, 0, 1, 13, 0x64)),
                     "0:0 1:0-63 ", 65 * 6 * tick});
    cases.push_back({"break to 63", std::move(SongBuilder(2).effect(0, 0, 1, 13, 0x63)), "0:0 1:63 ", 2 * 6 * tick});
    cases.push_back({"jump then break: the order of the jump, the row of the break",
                     std::move(SongBuilder(3).effect(0, 0, 0, 11, 2).effect(0, 0, 1, 13, 0x05)), "0:0 2:5-63 ",
                     60 * 6 * tick});
    cases.push_back({"break then jump: the jump wins for both",
                     std::move(SongBuilder(3).effect(0, 0, 0, 13, 0x05).effect(0, 0, 1, 11, 2)), "0:0 2:0-63 ",
                     65 * 6 * tick});
    cases.push_back({"jump past the order list goes to order 0",
                     std::move(SongBuilder(2).effect(1, 0, 0, 11, 9)), "0:0-63 1:0 ", 65 * 6 * tick});
    cases.push_back({"after the last order the restart position",
                     [] {
                         SongBuilder b(3, 4);
                         b.song.restart = 1;
                         return b;
                     }(),
                     "0:0-3 1:0-3 2:0-3 ", 12 * 6 * tick});
    cases.push_back({"a break in the same row wins over the loop",
                     std::move(SongBuilder(2).effect(0, 0, 0, 14, 0x60).effect(0, 3, 0, 14, 0x62).effect(0, 3, 1, 13, 0)),
                     "0:0-3 1:0-63 ", 68 * 6 * tick});
    cases.push_back({"a break to a row the next pattern lacks starts it at row 0",
                     [] {
                         SongBuilder b(2);
                         b.song.patterns[1].rows = 16;
                         b.song.patterns[1].cells.resize(16 * 2);
                         b.effect(0, 0, 0, 13, 0x40);
                         return b;
                     }(),
                     "0:0 1:0-15 ", 17 * 6 * tick});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadedSong song = loadSong(c.song.song);
        ASSERT_NE(song.module, nullptr) << moduleLoadError();
        int64_t frames = 0;
        EXPECT_EQ(timeline(song.module.get(), &frames), c.rows);
        EXPECT_EQ(frames, c.frames);
    }
}

TEST(Sequencer, PositionOnlyMovesAtRowTicksAndStartsAtZero) {
    LoadedSong song = loadSong(SongBuilder(2, 4).song);
    Module* m = song.module.get();
    playOffline(m);
    EXPECT_EQ(moduleGetOrder(m), 0);
    EXPECT_EQ(moduleGetRow(m), 0);
    EXPECT_EQ(moduleGetMilliseconds(m), 0);
    EXPECT_EQ(m->playing, 1);
    EXPECT_EQ(playingModules.next, m);
    ticks(m, 6 * 3 + 1);  // rows 0..2, and the row tick of row 3
    EXPECT_EQ(moduleGetRow(m), 3);
    ticks(m, 5);
    EXPECT_EQ(moduleGetRow(m), 3);
    ticks(m, 1);
    EXPECT_EQ(moduleGetOrder(m), 1);
    EXPECT_EQ(moduleGetRow(m), 0);
    moduleStop(m);
    EXPECT_EQ(m->playing, 0);
    EXPECT_EQ(m->channels, nullptr);
    EXPECT_EQ(playingModules.next, &playingModules);
    EXPECT_EQ(moduleGetOrder(nullptr), 0);
    EXPECT_FALSE(modulePlay(nullptr));
    EXPECT_FALSE(moduleStop(nullptr));
}

TEST(Sequencer, BreakInTheLastOrderGoesToOrderZeroNotToTheRestartPosition) {
    SongBuilder b(3);
    b.song.restart = 1;
    b.effect(2, 0, 0, 13, 0x10);
    LoadedSong song = loadSong(b.song);
    Module* m = song.module.get();
    ASSERT_NE(m, nullptr);
    playOffline(m);
    ticks(m, 128 * 6 + 1);
    EXPECT_EQ(moduleGetOrder(m), 2);
    ticks(m, 6);
    EXPECT_EQ(moduleGetOrder(m), 0);
    EXPECT_EQ(moduleGetRow(m), 10);
}

TEST(Periods, AmigaTable) {
    struct {
        int32_t note, finetune, period;
    } cases[] = {{0, 0, 27392}, {48, 0, 1712}, {95, 0, 113}, {48, 127, 1616},
                 {48, -128, 1813}, {0, -128, 28930}};
    for (auto c : cases) EXPECT_EQ(amigaPeriod(c.note, c.finetune), c.period) << c.note << " " << c.finetune;
}

TEST(Effects, VibratoWaveformsAndOffsets) {
    struct {
        uint8_t waveform;
        int8_t phase;
        int32_t magnitude;
    } shapes[] = {{0, 0, 0},    {0, 16, 255},  {0, -16, 255}, {0, 8, 181}, {0, -32, 0}, {1, 0, 0},
                  {1, 31, 248}, {1, -32, 255}, {1, -1, 7},    {2, 5, 255}, {3, -5, 255}};
    for (auto s : shapes) EXPECT_EQ(vibratoMagnitude(s.waveform, s.phase), s.magnitude) << int(s.waveform) << " " << int(s.phase);
    struct {
        int8_t phase;
        int32_t offset;
    } offsets[] = {{16, -60}, {-16, 60}, {8, -44}, {0, 0}, {-32, 0}};
    for (auto o : offsets) {
        Channel c{};
        c.vibratoDepth = 8;
        c.vibratoPhase = o.phase;
        computeVibrato(&c);
        EXPECT_EQ(c.periodOffset, o.offset) << int(o.phase);
        EXPECT_TRUE(c.updateFlags & updateFrequency);
    }
    Channel c{};
    c.vibratoSpeed = 15;
    c.vibratoPhase = 31;
    advanceVibratoPhase(&c);
    EXPECT_EQ(c.vibratoPhase, -18);
}

TEST(Effects, TremorAlternatesTwoAndTwoTicks) {
    Channel c{};
    c.volume = 40;
    c.tremorOnTicks = 2;
    c.tremorOffTicks = 2;
    std::string heard;
    for (int t = 0; t < 8; ++t) {
        c.volumeOffset = 0;
        stepTremor(&c);
        heard += c.volume + c.volumeOffset ? 'x' : '.';
    }
    EXPECT_EQ(heard, "xx..xx..");
}

TEST(Effects, RetriggerVolumeTable) {
    const int32_t from = 30;
    const int32_t expected[16] = {30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60};
    for (uint8_t change = 0; change < 16; ++change) {
        int32_t v = from;
        EXPECT_EQ(retrigVolume(v, change), change != 0);
        EXPECT_EQ(v, expected[change]) << int(change);
    }
    int32_t low = 3, high = 60;
    retrigVolume(low, 5);
    retrigVolume(high, 15);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 64);
}

Instrument loopedEnvelopeInstrument() {
    Instrument in{};
    const EnvelopePoint points[] = {{0, 64}, {3, 36}, {8, 11}, {15, 5}, {16, 34}, {18, 16}, {21, 6}, {31, 5}, {40, 0}};
    for (int i = 0; i < 9; ++i) in.volumeEnvelope[i] = points[i];
    in.volumePointCount = 9;
    in.volumeEnvelopeFlags = 1 | 4;
    in.volumeLoopStart = 3;
    in.volumeLoopEnd = 7;
    return in;
}

TEST(Envelopes, SteppingWithLoop) {
    Instrument in = loopedEnvelopeInstrument();
    Channel c{};
    startInstrument(&c, &silentSample);
    std::vector<int32_t> values;
    for (int t = 0; t < 64; ++t) {
        stepEnvelope(&c, Envelope::volume, &in);
        values.push_back(c.volumeEnvelopeValue);
    }
    struct {
        int tick, value;
    } expect[] = {{0, 64}, {3, 36}, {8, 11}, {15, 5}, {16, 34}, {18, 16}, {21, 6}, {30, 5}, {31, 5}, {32, 34}, {47, 5}, {48, 34}, {63, 5}};
    for (auto e : expect) EXPECT_EQ(values[e.tick], e.value) << "tick " << e.tick;
    EXPECT_EQ(values[1], 54) << "between points in 16.16";
    EXPECT_EQ(c.volumeEnvelopeDone, 0);
}

TEST(Envelopes, SustainHoldsUntilKeyOffAndTheLastPointEnds) {
    Instrument in{};
    in.volumeEnvelope[0] = {0, 64};
    in.volumeEnvelope[1] = {2, 32};
    in.volumeEnvelope[2] = {4, 0};
    in.volumePointCount = 3;
    in.volumeEnvelopeFlags = 1 | 2;
    in.volumeSustainPoint = 1;
    Channel c{};
    startInstrument(&c, &silentSample);
    for (int t = 0; t < 10; ++t) stepEnvelope(&c, Envelope::volume, &in);
    EXPECT_EQ(c.volumeEnvelopeValue, 32);
    EXPECT_EQ(c.volumeEnvelopeTick, 2);
    c.keyOff = 1;
    stepEnvelope(&c, Envelope::volume, &in);
    stepEnvelope(&c, Envelope::volume, &in);
    EXPECT_EQ(c.volumeEnvelopeValue, 16);
    stepEnvelope(&c, Envelope::volume, &in);
    EXPECT_EQ(c.volumeEnvelopeValue, 0);
    EXPECT_EQ(c.volumeEnvelopeDone, 1);
}

TEST(Envelopes, SetEnvelopePosition) {
    Instrument in = loopedEnvelopeInstrument();
    struct {
        uint8_t position;
        int32_t value, point;
        uint8_t done;
    } cases[] = {{0, 64, 1, 0}, {5, 26, 2, 0}, {16, 34, 4, 0}, {40, 0, 8, 0}, {200, 0, 8, 1}};
    for (auto k : cases) {
        Channel c{};
        setEnvelopePosition(&c, &in, k.position);
        EXPECT_EQ(c.volumeEnvelopeValue, k.value) << int(k.position);
        EXPECT_EQ(c.volumeEnvelopePoint, k.point) << int(k.position);
        EXPECT_EQ(c.volumeEnvelopeDone, k.done) << int(k.position);
    }
}

TEST(Envelopes, AutoVibratoWaveformsAndSweep) {
    struct {
        uint8_t type;
        int32_t phase, value;
    } cases[] = {{0, 0, 0},     {0, 64, 63},   {0, 192, -63}, {1, 0, 64},   {1, 128, -64}, {2, 0, 0},
                 {2, 127, -64}, {2, 128, 64},  {2, 255, 0},   {3, 0, 0},    {3, 128, 64},  {3, 129, -64},
                 {3, 255, -1},  {4, 64, 0},    {255, 64, 0}};
    for (auto c : cases) EXPECT_EQ(autoVibratoWave(c.type, c.phase), c.value) << int(c.type) << " " << c.phase;
    Instrument in{};
    in.vibratoType = 1;
    in.vibratoDepth = 8;
    in.vibratoSweep = 4;
    in.vibratoRate = 200;
    Channel c{};
    std::vector<int32_t> offsets;
    for (int t = 0; t < 6; ++t) {
        c.periodOffset = 0;
        stepAutoVibrato(&c, &in);
        offsets.push_back(c.periodOffset);
        EXPECT_TRUE(c.updateFlags & updateFrequency);
    }
    // 64 x 8 / 64 = 8 at full depth, reached over four ticks; the phase wraps past 255.
    EXPECT_EQ(offsets, (std::vector<int32_t>{0, -2, -4, 6, 8, -8}));
}

TEST(VoiceUpdate, VolumePanAndFrequencyFormulas) {
    struct {
        int32_t volume, offset, envelope, fadeout, global, result;
    } volumes[] = {{64, 0, 64, 65536, 64, 127}, {32, 0, 64, 65536, 64, 63}, {64, -64, 64, 65536, 64, 0},
                   {64, 0, 0, 65536, 64, 0},    {64, 0, 64, 32768, 64, 63}, {64, 0, 64, 65536, 32, 63},
                   {200, 0, 64, 65536, 64, 127}, {-5, 0, 64, 65536, 64, 0}};
    for (auto v : volumes) {
        Channel c{};
        c.volume = v.volume;
        c.volumeOffset = v.offset;
        c.volumeEnvelopeValue = v.envelope;
        c.fadeoutVolume = v.fadeout;
        EXPECT_EQ(voiceVolumeFor(&c, v.global), v.result) << v.volume << " " << v.envelope << " " << v.fadeout;
    }
    struct {
        int32_t panning, envelope, pan;
    } pans[] = {{128, 32, 128}, {128, 0, 0},    {128, 64, 255}, {192, 64, 255}, {0, 64, 0},
                {100, 0, 4},    {255, 0, 255},  {300, 32, 255}, {-20, 32, 0},   {224, 48, 224 + 16}};
    for (auto p : pans) {
        Channel c{};
        c.panning = p.panning;
        c.panningEnvelopeValue = p.envelope;
        EXPECT_EQ(voicePanFor(&c), p.pan) << p.panning << " " << p.envelope;
    }
    Channel c{};
    c.period = 4608;
    EXPECT_EQ(voiceFrequencyFor(&c, true), 8363);
    c.period = 4608 - 768;
    EXPECT_EQ(voiceFrequencyFor(&c, true), 16726);
    c.period = -100000;
    EXPECT_EQ(voiceFrequencyFor(&c, true), 2147483647);
    c.period = 1712;
    EXPECT_EQ(voiceFrequencyFor(&c, false), 8362);
    c.periodOffset = -1712;
    EXPECT_EQ(voiceFrequencyFor(&c, false), 0);
}

// A one-channel song with one looped instrument; cells of pattern 0 by row.
xm::Song channelSong(std::vector<std::pair<int, Cell>> cells, uint16_t flags = 1) {
    SongBuilder b(1, 64, 1);
    b.song.flags = flags;
    xm::Sample smp = xm::squareSample(64, true);
    smp.volume = 48;
    smp.panning = 80;
    smp.relativeNote = 0;
    b.song.instruments.push_back(xm::simpleInstrument(smp));
    xm::Sample second = xm::squareSample(32, true);
    second.volume = 20;
    second.finetune = -16;
    b.song.instruments.push_back(xm::simpleInstrument(second));
    for (auto& [row, cell] : cells) b.set(0, row, 0, cell);
    return b.song;
}

struct Played {
    LoadedSong song;
    Module* m;
    Channel& c() { return m->channels[0]; }
};

Played play(const xm::Song& s) {
    Played p{loadSong(s), nullptr};
    p.m = p.song.module.get();
    if (p.m) playOffline(p.m);
    return p;
}

TEST(Rows, NoteWithInstrumentAndKeyOff) {
    Played p = play(channelSong({{0, {49, 1, 0x50, 0, 0}}, {1, {97, 0, 0, 0, 0}}}));
    ASSERT_NE(p.m, nullptr);
    ticks(p.m, 1);
    Channel& c = p.c();
    EXPECT_EQ(c.note, 48);
    EXPECT_EQ(c.instrument, 0);
    EXPECT_EQ(c.period, 4608);
    EXPECT_EQ(c.volume, 64) << "the volume column wins over the sample's volume";
    EXPECT_EQ(c.panning, 80);
    EXPECT_EQ(c.updateFlags & (updateStart | updateFrequency | updateVolume), updateStart | updateFrequency | updateVolume);
    EXPECT_EQ(voiceVolumeFor(&c, p.m->globalVolume), 127);
    ticks(p.m, 6);
    EXPECT_EQ(c.keyOff, 1);
    EXPECT_EQ(voiceVolumeFor(&c, p.m->globalVolume), 0) << "released without a volume envelope: silent at once";
}

TEST(Rows, NoteWithoutAnyInstrumentIsSilent) {
    Played p = play(channelSong({{0, {49, 0, 0, 0, 0}}}));
    ASSERT_NE(p.m, nullptr);
    ticks(p.m, 1);
    EXPECT_EQ(p.c().volume, 0);
    EXPECT_EQ(p.c().fadeoutVolume, 0);
    EXPECT_EQ(voiceVolumeFor(&p.c(), 64), 0);
}

TEST(Rows, TonePortamentoKeepsTheNoteAndSlidesToTheNewOne) {
    Played p = play(channelSong({{0, {49, 1, 0, 0, 0}}, {1, {51, 2, 0, 3, 0x10}}}));
    ASSERT_NE(p.m, nullptr);
    ticks(p.m, 6);
    ticks(p.m, 1);
    Channel& c = p.c();
    EXPECT_EQ(c.note, 48);
    EXPECT_EQ(c.instrument, 0);
    EXPECT_EQ(c.period, 4608);
    EXPECT_EQ(c.portaTarget, 4608 - 128) << "target from the new note with the old sample";
    EXPECT_FALSE(c.updateFlags & updateStart);
    ticks(p.m, 1);
    EXPECT_EQ(c.period, 4608 - 64);
    ticks(p.m, 4);
    EXPECT_EQ(c.period, 4608 - 128) << "stops at the target";
}

TEST(Rows, LinearAndAmigaNotePeriods) {
    Played linear = play(channelSong({{0, {49, 2, 0, 0, 0}}}));
    ticks(linear.m, 1);
    EXPECT_EQ(linear.c().notePeriod, 7680 - 64 * 48 + 8);
    Played amiga = play(channelSong({{0, {49, 1, 0, 0, 0}}}, 0));
    ticks(amiga.m, 1);
    EXPECT_EQ(amiga.c().notePeriod, 1712);
}

TEST(Rows, EffectsOnAChannel) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, Cell>> cells;
        int ticks;
        std::function<void(Module*, Channel&)> check;
    };
    std::vector<Case> cases = {
        {"arpeggio returns to the note every third tick", {{0, {49, 1, 0, 0, 0x47}}}, 4,
         [](Module*, Channel& c) { EXPECT_EQ(c.periodOffset, 0 + 0); }},
        {"arpeggio on tick 2 uses y", {{0, {49, 1, 0, 0, 0x47}}}, 3,
         [](Module*, Channel& c) { EXPECT_EQ(c.periodOffset, 64 * 7); }},
        {"portamento up stops at 56", {{0, {49, 1, 0, 1, 0xFF}}}, 6, [](Module*, Channel& c) { EXPECT_EQ(c.period, 56); }},
        {"set volume has no limit", {{0, {49, 1, 0, 12, 0x70}}}, 1,
         [](Module* m, Channel& c) {
             EXPECT_EQ(c.volume, 0x70);
             EXPECT_EQ(voiceVolumeFor(&c, m->globalVolume), 127);
         }},
        {"volume column panning slide has no limit", {{0, {49, 1, 0xEF, 8, 0xFF}}}, 6,
         [](Module*, Channel& c) {
             EXPECT_EQ(c.panning, 0xFF + 5 * 15);
             EXPECT_EQ(voicePanFor(&c), 255);
         }},
        {"sample offset beyond the loop stops the voice", {{0, {49, 1, 0, 9, 0x01}}}, 1,
         [](Module*, Channel& c) {
             EXPECT_TRUE(c.updateFlags & updateStop);
             EXPECT_FALSE(c.updateFlags & updateStart);
         }},
        {"note cut at tick 3", {{0, {49, 1, 0, 14, 0xC3}}}, 4, [](Module*, Channel& c) { EXPECT_EQ(c.volume, 0); }},
        {"note cut 0 never cuts", {{0, {49, 1, 0, 14, 0xC0}}}, 6, [](Module*, Channel& c) { EXPECT_EQ(c.volume, 48); }},
        {"note delay keeps the old note until its tick",
         {{0, {49, 1, 0, 0, 0}}, {1, {61, 2, 0x30, 14, 0xD2}}}, 8,
         [](Module*, Channel& c) {
             EXPECT_EQ(c.period, 4608) << "old pitch";
             EXPECT_EQ(c.volume, 48) << "old volume";
             EXPECT_FALSE(c.updateFlags & updateStart);
         }},
        {"note delay starts at its tick", {{0, {49, 1, 0, 0, 0}}, {1, {61, 2, 0x30, 14, 0xD2}}}, 9,
         [](Module*, Channel& c) {
             EXPECT_EQ(c.period, 7680 - 64 * 60 + 8);
             EXPECT_EQ(c.volume, 0x20);
             EXPECT_TRUE(c.updateFlags & updateStart);
         }},
        {"note delay beyond the row never starts", {{0, {49, 1, 0, 0, 0}}, {1, {61, 2, 0, 14, 0xD7}}}, 12,
         [](Module*, Channel& c) { EXPECT_EQ(c.period, 4608); }},
        {"multi retrigger 8y retriggers without a volume change", {{0, {49, 1, 0, 27, 0x82}}}, 3,
         [](Module*, Channel& c) {
             EXPECT_EQ(c.volume, 48);
             EXPECT_TRUE(c.updateFlags & updateStart);
             EXPECT_TRUE(c.updateFlags & updateVolume);
         }},
        {"multi retrigger 0y sets no volume flag", {{0, {49, 1, 0, 27, 0x02}}}, 3,
         [](Module*, Channel& c) {
             EXPECT_TRUE(c.updateFlags & updateStart);
             EXPECT_FALSE(c.updateFlags & updateVolume);
         }},
        {"global volume set and slid", {{0, {49, 1, 0, 16, 0x50}}, {1, {0, 0, 0, 17, 0x04}}}, 12,
         [](Module* m, Channel&) { EXPECT_EQ(m->globalVolume, 64 - 5 * 4); }},
        {"fine volume slide with memory", {{0, {49, 1, 0, 14, 0xB4}}, {1, {0, 0, 0, 14, 0xB0}}}, 7,
         [](Module*, Channel& c) { EXPECT_EQ(c.volume, 40); }},
        {"volume slide down every tick but the row tick", {{0, {49, 1, 0, 10, 0x03}}}, 6,
         [](Module*, Channel& c) { EXPECT_EQ(c.volume, 48 - 15); }},
        {"set finetune changes the sample", {{0, {49, 1, 0, 14, 0x55}}}, 1,
         [](Module* m, Channel&) { EXPECT_EQ(m->instruments[0].samples[0]->finetune, 5); }},
        {"key off effect with any parameter", {{0, {49, 1, 0, 20, 0x33}}}, 1,
         [](Module*, Channel& c) { EXPECT_EQ(c.keyOff, 1); }},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        Played p = play(channelSong(k.cells));
        ASSERT_NE(p.m, nullptr);
        ticks(p.m, k.ticks);
        k.check(p.m, p.c());
    }
}

}  // namespace

namespace {

// The offline render: exact length and the same bytes on every run.
TEST(Render, ExactLengthAndRepeatableBytes) {
    SongBuilder b(2, 8, 2);
    b.song.speed = 3;
    b.song.bpm = 150;  // 735 frames a tick
    xm::Sample smp = xm::squareSample(64, true);
    b.song.instruments.push_back(xm::simpleInstrument(smp));
    b.set(0, 0, 0, {49, 1, 0, 0, 0}).set(0, 4, 1, {61, 1, 0x30, 4, 0x48}).set(1, 2, 0, {97, 0, 0, 0, 0});
    b.effect(1, 5, 1, 15, 5);  // speed 5 for rows 5..7
    LoadedSong song = loadSong(b.song);
    ASSERT_NE(song.module, nullptr);
    std::vector<int16_t> first, second;
    PassResult a = renderOnePass(song.module.get(), PassOptions{}, first);
    PassResult c = renderOnePass(song.module.get(), PassOptions{}, second);
    const int64_t expected = (8 * 3 + 5 * 3 + 3 * 5) * 735;
    EXPECT_TRUE(a.complete);
    EXPECT_EQ(a.frames, expected);
    EXPECT_EQ(c.frames, expected);
    ASSERT_EQ(first.size(), static_cast<size_t>(expected) * 2);
    EXPECT_EQ(first, second);
    int peak = 0;
    for (int16_t v : first) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_GT(peak, 0) << "the notes sound";
}

TEST(Render, TimeLimitCutsThePass) {
    LoadedSong song = loadSong(SongBuilder(1).song);
    ASSERT_NE(song.module, nullptr);
    PassOptions options;
    options.secondsLimit = 0.5;
    PassResult pass = timeOnePass(song.module.get(), options);
    EXPECT_FALSE(pass.complete);
    EXPECT_EQ(pass.frames, 22050);
    std::vector<int16_t> frames;
    pass = renderOnePass(song.module.get(), options, frames);
    EXPECT_FALSE(pass.complete);
    EXPECT_EQ(pass.frames, 22050);
    EXPECT_EQ(frames.size(), 22050u * 2);
}

}  // namespace

#include "audio/sound.h"
#include "virtual_audio.h"

namespace {

// Channels find their voice in the table as it is now: a song set playing
// before the device opens (or across a reopen, which builds new voices)
// still drives voice i of channel i.
TEST(VoiceUpdate, ChannelsFollowTheVoiceTableAcrossDeviceOpens) {
    xm::Song s = channelSong({{0, {49, 1, 0x50, 0, 0}}, {1, {49, 1, 0x50, 0, 0}}});
    LoadedSong song = loadSong(s);
    ASSERT_NE(song.module, nullptr);
    virtualAudioSetAvailable(true);
    virtualAudioSetThreaded(false);
    modulePlay(song.module.get());
    uint32_t bytes = 0;
    for (int open = 0; open < 2; ++open) {
        ASSERT_TRUE(soundOpen(44100));
        ASSERT_NE(voiceTable, nullptr);
        for (int i = 0; i < 12; ++i) {
            bytes += static_cast<uint32_t>(blockLength) * 4;
            mixingPass(bytes);
        }
        EXPECT_EQ(song.module->channels[0].voice, &voiceTable[0]);
        EXPECT_NE(voiceTable[0].sample, nullptr) << "open " << open;
        EXPECT_EQ(voiceTable[0].volume, 127) << "open " << open;
        if (open == 0) modulePlay(song.module.get());  // start again for the second device
    }
    moduleStop(song.module.get());
    soundClose();
}

}  // namespace
