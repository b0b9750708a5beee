// The embedded song has the form the show is scripted against: order table,
// channels, speed and tempo, the missing pattern 8, the second instrument's
// envelope and a size that suits a small program.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "audio/embedded_song.h"

namespace {

// A reader of the XM layout written for this test, separate from the
// player's loader, that refuses to read past the end.
struct Bytes {
    const unsigned char* data;
    size_t size;
    size_t at = 0;
    bool overrun = false;

    unsigned u8() {
        if (at >= size) {
            overrun = true;
            return 0;
        }
        return data[at++];
    }
    unsigned u16() {
        const unsigned lo = u8();
        return lo | (u8() << 8);
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | (static_cast<uint32_t>(u16()) << 16);
    }
};

struct Cell {
    unsigned note, instrument, volume, effect, parameter;
};

struct Song {
    unsigned songLength, restart, channels, patterns, instruments, flags, speed, bpm;
    std::vector<unsigned> orders;
    std::vector<unsigned> rowCounts;
    std::vector<std::vector<Cell>> cells;
    std::vector<uint32_t> instrumentHeaderSizes;
    std::vector<unsigned> sampleCounts;
    std::vector<std::pair<unsigned, unsigned>> secondVolumeEnvelope;
    unsigned secondPointCount = 0, secondSustain = 0, secondLoopStart = 0, secondLoopEnd = 0, secondFlags = 0;
    size_t endOfSamples = 0;
    bool overrun = false;
};

Song parse(const unsigned char* data, size_t size) {
    Song s{};
    Bytes b{data, size};
    b.at = 60;
    const uint32_t headerSize = b.u32();
    s.songLength = b.u16();
    s.restart = b.u16();
    s.channels = b.u16();
    s.patterns = b.u16();
    s.instruments = b.u16();
    s.flags = b.u16();
    s.speed = b.u16();
    s.bpm = b.u16();
    for (unsigned i = 0; i < s.songLength && i < 256; ++i) s.orders.push_back(data[80 + i]);
    b.at = 60 + headerSize;
    for (unsigned p = 0; p < s.patterns && !b.overrun; ++p) {
        const uint32_t patternHeader = b.u32();
        b.u8();
        const unsigned rows = b.u16();
        const unsigned packedSize = b.u16();
        b.at += patternHeader - 9;
        const size_t start = b.at;
        std::vector<Cell> cells;
        for (unsigned c = 0; packedSize != 0 && c < rows * s.channels && !b.overrun; ++c) {
            unsigned f[5] = {0, 0, 0, 0, 0};
            const unsigned first = b.u8();
            if (first & 0x80) {
                for (int k = 0; k < 5; ++k)
                    if (first & (1u << k)) f[k] = b.u8();
            } else {
                f[0] = first;
                for (int k = 1; k < 5; ++k) f[k] = b.u8();
            }
            cells.push_back({f[0], f[1], f[2], f[3], f[4]});
        }
        EXPECT_EQ(b.at - start, packedSize) << "pattern " << p << ": packed size does not match its cells";
        s.rowCounts.push_back(rows);
        s.cells.push_back(cells);
    }
    for (unsigned i = 0; i < s.instruments && !b.overrun; ++i) {
        const size_t start = b.at;
        const uint32_t headerBytes = b.u32();
        b.at += 23;
        const unsigned samples = b.u16();
        s.instrumentHeaderSizes.push_back(headerBytes);
        s.sampleCounts.push_back(samples);
        if (samples == 0) {
            b.at = start + headerBytes;
            continue;
        }
        b.u32();
        b.at += 96;
        std::vector<std::pair<unsigned, unsigned>> points;
        for (int k = 0; k < 12; ++k) {
            const unsigned x = b.u16();
            points.push_back({x, b.u16()});
        }
        b.at += 48;
        const unsigned volumePoints = b.u8();
        b.u8();
        const unsigned sustain = b.u8();
        const unsigned loopStart = b.u8();
        const unsigned loopEnd = b.u8();
        b.at += 3;
        const unsigned flags = b.u8();
        if (i == 1) {
            points.resize(volumePoints < 12 ? volumePoints : 12);
            s.secondVolumeEnvelope = points;
            s.secondPointCount = volumePoints;
            s.secondSustain = sustain;
            s.secondLoopStart = loopStart;
            s.secondLoopEnd = loopEnd;
            s.secondFlags = flags;
        }
        b.at = start + headerBytes;
        uint64_t dataBytes = 0;
        for (unsigned k = 0; k < samples; ++k) {
            dataBytes += b.u32();
            b.at += 36;
        }
        b.at += dataBytes;
    }
    s.endOfSamples = b.at;
    s.overrun = b.overrun || b.at > size;
    return s;
}

class EmbeddedSong : public ::testing::Test {
protected:
    Song song = parse(embeddedSong, embeddedSongSize);
};

TEST_F(EmbeddedSong, HeaderMatchesTheShow) {
    ASSERT_GE(embeddedSongSize, 336u);
    EXPECT_EQ(std::memcmp(embeddedSong, "Extended Module: ", 17), 0);
    EXPECT_EQ(embeddedSong[58] | (embeddedSong[59] << 8), 0x0104);
    EXPECT_EQ(song.channels, 16u);
    EXPECT_EQ(song.speed, 8u);
    EXPECT_EQ(song.bpm, 125u);
    EXPECT_EQ(song.flags & 1u, 1u) << "linear frequency table";
    EXPECT_EQ(song.restart, 0u);
    EXPECT_EQ(song.orders, (std::vector<unsigned>{0, 0, 1, 1, 2, 3, 4, 7, 5, 6, 8}));
    EXPECT_LT(embeddedSongSize, 65536u);
}

TEST_F(EmbeddedSong, StoresPatternsZeroToSevenOfSixtyFourRowsAndLeavesOutEight) {
    EXPECT_EQ(song.patterns, 8u) << "the last order position names pattern 8, which the file must not hold";
    ASSERT_EQ(song.rowCounts.size(), 8u);
    for (unsigned p = 0; p < 8; ++p) {
        EXPECT_EQ(song.rowCounts[p], 64u) << "pattern " << p;
        EXPECT_EQ(song.cells[p].size(), 64u * 16u) << "pattern " << p;
    }
}

TEST_F(EmbeddedSong, KeepsItsTimingThroughout) {
    // The show counts rows at a fixed 8 x 882 frames: no speed or tempo
    // change, no jump, break, pattern loop or pattern delay anywhere.
    for (size_t p = 0; p < song.cells.size(); ++p)
        for (size_t i = 0; i < song.cells[p].size(); ++i) {
            const Cell& c = song.cells[p][i];
            const unsigned x = c.parameter >> 4;
            const bool changesTiming = c.effect == 15 || c.effect == 11 || c.effect == 13 ||
                                       (c.effect == 14 && (x == 6 || x == 14));
            EXPECT_FALSE(changesTiming) << "pattern " << p << " row " << i / 16 << " channel " << i % 16
                                        << " effect " << c.effect << " parameter " << c.parameter;
            EXPECT_TRUE(c.note <= 97) << "pattern " << p << " row " << i / 16;
            EXPECT_TRUE(c.instrument <= 14) << "pattern " << p << " row " << i / 16;
        }
}

TEST_F(EmbeddedSong, HasFourteenInstrumentsSomeEmpty) {
    ASSERT_EQ(song.instruments, 14u);
    ASSERT_EQ(song.sampleCounts.size(), 14u);
    int empty = 0;
    for (size_t i = 0; i < 14; ++i) {
        if (song.sampleCounts[i] == 0) {
            ++empty;
            EXPECT_EQ(song.instrumentHeaderSizes[i], 33u) << "instrument " << i + 1;
        }
    }
    EXPECT_GT(empty, 0);
    EXPECT_LT(empty, 14);
    EXPECT_FALSE(song.overrun);
    EXPECT_EQ(song.endOfSamples, embeddedSongSize) << "the last sample ends where the file ends";
}

TEST_F(EmbeddedSong, SecondInstrumentHasTheLoopedEchoEnvelope) {
    ASSERT_GE(song.sampleCounts.size(), 2u);
    ASSERT_GT(song.sampleCounts[1], 0u);
    const std::vector<std::pair<unsigned, unsigned>> expected = {{0, 64},  {3, 36},  {8, 11}, {15, 5},
                                                                 {16, 34}, {18, 16}, {21, 6}, {31, 5}};
    EXPECT_EQ(song.secondPointCount, 8u);
    EXPECT_EQ(song.secondVolumeEnvelope, expected);
    EXPECT_EQ(song.secondFlags, 1u | 4u) << "on and loop, no sustain";
    EXPECT_EQ(song.secondLoopStart, 3u);
    EXPECT_EQ(song.secondLoopEnd, 7u);
}

}  // namespace
