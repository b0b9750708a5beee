#pragma once
#include <cstdint>

struct Voice;

// The playback state of one track of a playing Module. Created zero-filled by
// modulePlay, one per channel, and freed by moduleStop.
struct Channel {
    uint8_t note;          // last note given to the channel, 0..95
    uint8_t updateFlags;   // what updateVoice pushes this tick (bits below)
    Voice* voice;          // voice i of the voice table for channel i
    int32_t voiceIndex;
    int32_t period;
    int32_t volume;        // 0..64
    int32_t panning;       // 0..255, 128 centre
    int32_t volumeOffset;  // this tick only (tremor)
    int32_t periodOffset;  // this tick only (arpeggio, vibrato, auto-vibrato)
    int32_t volumeEnvelopeTick;
    int32_t volumeEnvelopePoint;
    int32_t volumeEnvelopeFixed;  // 16.16
    int32_t volumeEnvelopeValue;  // 0..64
    int32_t volumeEnvelopeStep;   // 16.16 per tick
    uint8_t volumeEnvelopeDone;
    int32_t panningEnvelopeTick;
    int32_t panningEnvelopePoint;
    int32_t panningEnvelopeFixed;
    int32_t panningEnvelopeValue;  // 0..64, 32 centre
    int32_t panningEnvelopeStep;
    uint8_t panningEnvelopeDone;
    int32_t fadeoutVolume;  // 65536 at instrument start, lowered after key off
    int32_t autoVibratoPhase;
    int32_t autoVibratoTicks;
    uint8_t keyOff;
    uint8_t instrument;  // instrument number minus one
    uint8_t realNote;    // note plus the sample's relative note, wrapping
    int32_t notePeriod;
    int32_t sampleOffsetMemory;
    uint8_t portaDownMemory;
    uint8_t portaUpMemory;
    uint8_t extraFinePortaDownMemory;
    uint8_t extraFinePortaUpMemory;
    uint8_t volumeSlideMemory;
    uint8_t panningSlideMemory;
    uint8_t retrigVolumeChange;
    uint8_t retrigInterval;
    int32_t portaTarget;
    uint8_t portaSpeed;
    int8_t vibratoPhase;  // -32..31
    uint8_t vibratoSpeed;
    uint8_t vibratoDepth;
    uint8_t tremorCounter;
    uint8_t tremorOnTicks;
    uint8_t tremorOffTicks;
    int32_t patternLoopRow;
    int32_t patternLoopCount;
    uint8_t waveformControl;  // vibrato waveform in bits 0-1; low nibble >= 4 keeps the phase
    uint8_t fineVolumeSlideMemory;
};

// Bits of Channel::updateFlags.
constexpr uint8_t updateFrequency = 1;
constexpr uint8_t updateVolume = 2;
constexpr uint8_t updatePanning = 4;
constexpr uint8_t updateStart = 8;
constexpr uint8_t updateStop = 32;
