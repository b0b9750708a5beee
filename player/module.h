#pragma once
#include <atomic>
#include <cstdint>

// The song in memory, in the form the sequencer, the effects and the mixer
// use it. Records are plain and allocated zero-filled; a Module owns its
// patterns, instruments and samples.

struct Channel;
struct Module;

struct PatternCell {
    uint8_t note;        // 0 none, 1..96 note, 255 key off
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume-column byte
    uint8_t effect;
    uint8_t parameter;
};

struct Pattern {
    int32_t rowCount;
    PatternCell* cells;  // channelCount * rowCount, row after row
};

struct EnvelopePoint {
    uint16_t x;
    uint16_t y;
};

struct Sample {
    int16_t* data;       // length frames + room for 8 more; null when length is 0
    uint32_t length;
    uint32_t loopStart;
    uint32_t loopLength;
    uint8_t volume;
    int8_t finetune;
    int32_t panning;
    uint8_t bitsPerSample;
    uint8_t loopType;    // 1 none, 2 forward, 4 ping-pong
    int8_t relativeNote;
};

constexpr int32_t maxSamplesPerInstrument = 16;
constexpr int32_t maxEnvelopePoints = 12;

struct Instrument {
    int32_t sampleCount;
    Sample* samples[maxSamplesPerInstrument];
    uint8_t sampleForNote[96];
    EnvelopePoint volumeEnvelope[maxEnvelopePoints];
    EnvelopePoint panningEnvelope[maxEnvelopePoints];
    uint8_t volumePointCount;
    uint8_t panningPointCount;
    uint8_t volumeSustainPoint;
    uint8_t volumeLoopStart;
    uint8_t volumeLoopEnd;
    uint8_t panningSustainPoint;
    uint8_t panningLoopStart;
    uint8_t panningLoopEnd;
    uint8_t volumeEnvelopeFlags;
    uint8_t panningEnvelopeFlags;
    uint8_t vibratoType;
    uint8_t vibratoSweep;
    uint8_t vibratoDepth;
    uint8_t vibratoRate;
    uint16_t fadeout;
};

extern Sample silentSample;
extern Instrument silentInstrument;

// Supplies sample data in place of the stream: destination (zero-filled, room
// for length + 8 int16), size in bytes in the file, bits per sample (8 or 16),
// instrument index, sample index.
using SampleReader = void (*)(void* destination, uint32_t byteCount, uint8_t bitsPerSample,
                              int32_t instrumentIndex, int32_t sampleIndex);
using TickHandler = void (*)(Module*);

struct Module {
    Module* next;
    Module* prev;
    Pattern* patterns;
    Instrument* instruments;
    Channel* channels;
    int32_t samplesToNextTick;
    int32_t samplesPerTick;
    int16_t songLength;
    int16_t restartPosition;
    int16_t channelCount;
    int32_t usedPatternCount;
    int32_t patternCount;
    int16_t instrumentCount;
    uint16_t flags;
    int16_t defaultSpeed;
    int16_t defaultBpm;
    uint8_t orderTable[256];
    uint8_t initialGlobalVolume;
    int32_t globalVolume;
    uint8_t globalVolumeSlideMemory;
    std::atomic<uint8_t> playing;
    int32_t tick;
    int32_t speed;
    int32_t bpm;
    // Read by the main thread while the mixing thread advances them.
    std::atomic<int32_t> row;
    std::atomic<int32_t> orderPosition;
    int32_t patternDelayTicks;
    int32_t nextRow;
    int32_t nextOrder;
    std::atomic<float> playSeconds;
    TickHandler tickHandler;
    SampleReader sampleReader;
};
