#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A small writer for the Extended Module format: the song is described in
// these records and turned into the bytes of an .xm file (version 1.04).

struct XmCell {
    uint8_t note = 0;        // 0 none, 1..96, 97 key off
    uint8_t instrument = 0;  // 0 none, 1..128
    uint8_t volume = 0;      // volume-column byte
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells;  // channels * rows, row after row
};

struct XmEnvelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, value)
    bool on = false;
    bool sustain = false;
    bool loop = false;
    uint8_t sustainPoint = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
};

enum class XmLoop : uint8_t { none = 0, forward = 1, pingPong = 2 };

struct XmSample {
    std::string name;
    std::vector<int16_t> frames;  // full 16-bit values; 8-bit samples keep the high byte
    bool sixteenBit = false;
    XmLoop loop = XmLoop::none;
    uint32_t loopStart = 0;   // frames
    uint32_t loopLength = 0;  // frames
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;  // empty: an instrument with no samples
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    uint16_t fadeout = 0;
};

struct XmSong {
    std::string name;
    std::string tracker;
    int channels = 16;
    int speed = 6;
    int bpm = 125;
    bool linearFrequencies = true;
    int restartPosition = 0;
    std::vector<uint8_t> orders;
    int storedPatterns = 0;  // patterns written to the file (the order table may name more)
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// The file's bytes. Patterns beyond storedPatterns are left out of the file.
std::vector<uint8_t> writeXm(const XmSong& song);
