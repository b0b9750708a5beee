#pragma once
#include <cstdint>

struct Sample;

// One of the 256 mixer voices. Channel i of a playing Module drives voice i.
struct Voice {
    Voice* next;
    Voice* prev;
    int32_t index;
    int32_t volume;          // last value given to voiceSetVolume
    int32_t pan;             // last value given to voiceSetPan, 0 left .. 255 right
    uint32_t startOffset;    // frame at which the next voiceStart begins
    const Sample* sample;    // null: silent
    uint8_t leftVolume;
    uint8_t rightVolume;
    uint32_t position;       // whole part of the 32.32 read position
    uint32_t positionFraction;
    uint32_t stepFraction;
    uint32_t stepWhole;
    int32_t direction;       // 1 forward, 2 backward (inside a ping-pong loop)
    uint8_t rampTargetLeft;
    uint8_t rampTargetRight;
    uint8_t currentLeft;
    uint8_t currentRight;
    float rampStepLeft;
    float rampStepRight;
    int32_t rampFramesLeft;
};

constexpr int32_t voiceCount = 256;

// The table and its list; the table is null while the device is closed.
extern Voice* voiceTable;
extern Voice voiceList;

// Mixer settings fixed when the device opens.
extern int32_t mixingRate;
extern int32_t rampLength;
extern float rampLengthReciprocal;

int32_t voiceStart(int32_t index, const Sample* sample);
void voiceStop(int32_t index);
void voiceSetFrequency(Voice* voice, int32_t hz);
void voiceSetVolume(Voice* voice, int32_t volume);
void voiceSetPan(Voice* voice, int32_t pan);

// Adds `frames` frames of every voice of the list to the accumulation frames
// (two floats per frame, left then right) at `destination`.
void mixVoices(float* destination, Voice* list, int32_t frames);

// Rounds (ties to even), clips and stores 2 * frames values as int16.
void convertBlock(int16_t* destination, const float* source, int32_t frames);

// Sets mixingRate, rampLength (at least 1) and its reciprocal for `rate`
// frames per second; the device does this when it opens. Rates below 1 are
// ignored.
void mixerSetRate(int32_t rate);

// Makes the 256 voices new and silent and links them into voiceList in index
// order (the storage is static: a voice keeps its address from one open of
// the device to the next). voicesRelease empties the list and sets
// voiceTable to null.
bool voicesCreate();
void voicesRelease();
