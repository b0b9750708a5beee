#include "audio/mixer.h"

#include <cmath>

#include "core/list.h"
#include "player/module.h"

Voice* voiceTable = nullptr;
Voice voiceList = {&voiceList, &voiceList, 0, 0, 0, 0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f, 0.0f, 0};

// The show's settings until a device opens with others.
int32_t mixingRate = 44100;
int32_t rampLength = 128;
float rampLengthReciprocal = 1.0f / 128.0f;

namespace {

// The gain of one step of a volume byte: 1/255 as a 32-bit float.
constexpr float gainUnit = 1.0f / 255.0f;
constexpr float weightUnit = 1.0f / 2147483648.0f;  // 2^-31

// A run never mixes more frames than this. The run length is worked out in
// 8.24 fixed point, which can leave the last frame of a run up to
// (run length) x 2^-24 frames past the boundary; bounding the run keeps that
// well under one frame, inside the padding behind the loop tail.
constexpr int32_t longestRun = 1 << 20;

uint8_t clampByte(float value) {
    const float rounded = std::nearbyint(value);
    if (!(rounded > 0.0f)) return 0;
    if (rounded >= 255.0f) return 255;
    return static_cast<uint8_t>(rounded);
}

inline float interpolate(const int16_t* data, uint64_t position) {
    const uint32_t i = static_cast<uint32_t>(position >> 32);
    const float w = static_cast<float>(static_cast<uint32_t>(position) >> 1) * weightUnit;
    const float a = data[i];
    const float b = data[i + 1];
    return a + (b - a) * w;
}

template <bool Backward>
inline uint64_t advance(uint64_t position, uint64_t step) {
    return Backward ? position - step : position + step;
}

// Mixes `frames` frames at fixed gains, two frames per pass.
template <bool Backward>
uint64_t mixSteady(float* out, const int16_t* data, uint64_t position, uint64_t step, int32_t frames,
                   float left, float right) {
    int32_t pairs = frames >> 1;
    while (pairs-- > 0) {
        const float s0 = interpolate(data, position);
        position = advance<Backward>(position, step);
        const float s1 = interpolate(data, position);
        position = advance<Backward>(position, step);
        out[0] += s0 * left;
        out[1] += s0 * right;
        out[2] += s1 * left;
        out[3] += s1 * right;
        out += 4;
    }
    if (frames & 1) {
        const float s = interpolate(data, position);
        position = advance<Backward>(position, step);
        out[0] += s * left;
        out[1] += s * right;
    }
    return position;
}

// Mixes `frames` frames while the gains move by the ramp's steps; the first
// frame sounds at the start gains. The gains reached are handed back.
template <bool Backward>
uint64_t mixRamp(float* out, const int16_t* data, uint64_t position, uint64_t step, int32_t frames,
                 float& left, float& right, float stepLeft, float stepRight) {
    float l = left;
    float r = right;
    for (int32_t n = 0; n < frames; ++n) {
        const float s = interpolate(data, position);
        position = advance<Backward>(position, step);
        out[0] += s * l;
        out[1] += s * r;
        out += 2;
        l += stepLeft;
        r += stepRight;
    }
    left = l;
    right = r;
    return position;
}

void silence(Voice& voice) {
    voice.sample = nullptr;
    voice.position = 0;
    voice.positionFraction = 0;
}

// Plans a new ramp unless the running one still heads for the voice's bytes.
void planRamp(Voice& voice) {
    if (voice.rampFramesLeft > 0 && voice.leftVolume == voice.rampTargetLeft &&
        voice.rightVolume == voice.rampTargetRight) {
        return;
    }
    voice.rampTargetLeft = voice.leftVolume;
    voice.rampTargetRight = voice.rightVolume;
    const int32_t diffLeft = voice.leftVolume - voice.currentLeft;
    const int32_t diffRight = voice.rightVolume - voice.currentRight;
    const float reciprocal = rampLength > 0 ? rampLengthReciprocal : 1.0f;
    voice.rampStepLeft = static_cast<float>(diffLeft) * gainUnit * reciprocal;
    voice.rampStepRight = static_cast<float>(diffRight) * gainUnit * reciprocal;
    voice.rampFramesLeft = (diffLeft != 0 || diffRight != 0) ? (rampLength > 0 ? rampLength : 1) : 0;
}

void mixVoice(Voice& voice, float* out, int32_t frames) {
    while (frames > 0 && voice.sample) {
        const Sample& sample = *voice.sample;
        const uint64_t loopStart = sample.loopStart;
        const uint64_t playEnd = loopStart + sample.loopLength;
        // Only ever read inside the sample and its padding: a sample without
        // data, or whose loop runs past its length, is not played.
        if (!sample.data || playEnd == 0 || playEnd > sample.length || sample.length > 0x7FFFFFFFu) {
            silence(voice);
            return;
        }
        const bool forwardLoop = (sample.loopType & 2) != 0 && sample.loopLength > 0;
        const bool pingPong = !forwardLoop && (sample.loopType & 4) != 0 && sample.loopLength > 0;
        if (voice.direction == 2 && !pingPong) voice.direction = 1;
        const bool backward = voice.direction == 2;

        // A step below 2^-24 frame is zero to the 8.24 run arithmetic: the
        // voice holds its place and adds nothing until it gets a frequency.
        // Steps are kept below 256 frames, where the 8.24 step cannot wrap
        // (voiceSetFrequency gives at most 16).
        const uint32_t stepWhole = voice.stepWhole < 256 ? voice.stepWhole : 255;
        const uint32_t stepFraction = voice.stepWhole < 256 ? voice.stepFraction : 0xFFFFFFFFu;
        const uint32_t step824 = (stepWhole << 24) + (stepFraction >> 8);
        if (step824 == 0) return;

        uint64_t position = (static_cast<uint64_t>(voice.position) << 32) | voice.positionFraction;
        const uint64_t step = (static_cast<uint64_t>(stepWhole) << 32) | stepFraction;

        // 1. How far to the boundary. A position already at or past it is at
        // it (distance 0), never a wrapped, huge distance.
        uint64_t distance;
        if (!backward) {
            const uint64_t boundary = playEnd << 32;
            distance = position < boundary ? boundary - position : 0;
        } else {
            const uint64_t boundary = loopStart << 32;
            distance = position > boundary ? position - boundary : 0;
        }
        int32_t run = frames < longestRun ? frames : longestRun;
        bool reachesBoundary = false;
        if ((distance >> 32) < (1u << 24)) {
            // The distance is rounded up to the 8.24 grid, so that the run
            // reaches the boundary rather than stopping a hair short of it.
            const uint64_t d = (distance + 255) >> 8;
            uint64_t q = d / step824 + (d % step824 != 0 ? 1 : 0);
            if (q <= static_cast<uint64_t>(run)) {
                // The 8.24 step drops up to 255 units of 2^-32 frame, so q can
                // come out one frame long: its last frame would be read at or
                // past the boundary (before frame 0, at a loop from frame 0).
                // Such a run is cut to the frames that truly lie before it.
                if (q > 0 && (q - 1) * step >= distance) q = (distance + step - 1) / step;
                run = static_cast<int32_t>(q);
                reachesBoundary = true;
            }
        }

        // 2. and 3. The volume ramp, which may cut the run.
        planRamp(voice);
        const bool ramping = voice.rampFramesLeft > 0;
        if (ramping && run > voice.rampFramesLeft) {
            run = voice.rampFramesLeft;
            reachesBoundary = false;
        }

        // 4. The frames.
        if (run > 0) {
            if (ramping) {
                float left = static_cast<float>(voice.currentLeft) * gainUnit;
                float right = static_cast<float>(voice.currentRight) * gainUnit;
                position = backward ? mixRamp<true>(out, sample.data, position, step, run, left, right,
                                                    voice.rampStepLeft, voice.rampStepRight)
                                    : mixRamp<false>(out, sample.data, position, step, run, left, right,
                                                     voice.rampStepLeft, voice.rampStepRight);
                // 5. The bytes reached stay within 0..255, and a finished
                // ramp lands exactly on its targets.
                voice.rampFramesLeft -= run;
                if (voice.rampFramesLeft > 0) {
                    voice.currentLeft = clampByte(left * 255.0f);
                    voice.currentRight = clampByte(right * 255.0f);
                } else {
                    voice.rampFramesLeft = 0;
                    voice.currentLeft = voice.rampTargetLeft;
                    voice.currentRight = voice.rampTargetRight;
                }
            } else {
                const float left = static_cast<float>(voice.leftVolume) * gainUnit;
                const float right = static_cast<float>(voice.rightVolume) * gainUnit;
                position = backward ? mixSteady<true>(out, sample.data, position, step, run, left, right)
                                    : mixSteady<false>(out, sample.data, position, step, run, left, right);
            }
            out += 2 * run;
            frames -= run;
        }
        // A run cut short by the ramp or by the frames asked for can still
        // end a hair past the boundary, as the 8.24 run length is not exact;
        // the loop then decides as if the run had ended there, before a
        // backward position can wrap below frame 0.
        if (!reachesBoundary && static_cast<uint64_t>(run) * step >= distance) reachesBoundary = true;

        // 6. The loop decides at the boundary.
        if (reachesBoundary) {
            const uint64_t start = loopStart << 32;
            const uint64_t end = playEnd << 32;
            if (forwardLoop) {
                const uint64_t length = static_cast<uint64_t>(sample.loopLength) << 32;
                do {
                    position -= length;
                } while (position >= end);
            } else if (pingPong) {
                // Mirrored about the boundary met, one fraction unit short of
                // it, and again about the other one until inside the loop.
                // Signed, so that an overshoot past either end stays ordered.
                const int64_t s = static_cast<int64_t>(start);
                const int64_t e = static_cast<int64_t>(end);
                int64_t p = static_cast<int64_t>(position);
                bool atEnd = !backward;
                for (;;) {
                    if (atEnd) {
                        p = 2 * e - p - 1;
                        voice.direction = 2;
                        if ((p >> 32) >= static_cast<int64_t>(loopStart)) break;
                    } else {
                        p = 2 * s - p - 1;
                        voice.direction = 1;
                        if ((p >> 32) < static_cast<int64_t>(playEnd)) break;
                    }
                    atEnd = !atEnd;
                }
                // Landing one fraction unit before frame 0 would read before
                // the sample; it starts at frame 0 instead.
                if (p < 0) p = 0;
                position = static_cast<uint64_t>(p);
            } else {
                silence(voice);
                return;
            }
        }
        voice.position = static_cast<uint32_t>(position >> 32);
        voice.positionFraction = static_cast<uint32_t>(position);
        if (!reachesBoundary && run == 0) return;
    }
}

}  // namespace

void mixerSetRate(int32_t rate) {
    if (rate < 1) return;
    mixingRate = rate;
    rampLength = static_cast<int32_t>(static_cast<int64_t>(rate) * 128 / 44100);
    if (rampLength < 1) rampLength = 1;
    rampLengthReciprocal = static_cast<float>(1.0 / rampLength);
}

int32_t voiceStart(int32_t index, const Sample* sample) {
    if (!voiceTable || !sample || index < 0 || index >= voiceCount) return -1;
    Voice& voice = voiceTable[index];
    voice.sample = sample;
    const uint64_t playEnd = static_cast<uint64_t>(sample->loopStart) + sample->loopLength;
    const uint32_t offset = voice.startOffset >= playEnd ? 0 : voice.startOffset;
    voice.position = offset;
    voice.positionFraction = 0;
    voice.startOffset = 0;
    voice.direction = 1;
    return voice.index;
}

void voiceStop(int32_t index) {
    if (!voiceTable || index < 0 || index >= voiceCount) return;
    silence(voiceTable[index]);
}

void voiceSetFrequency(Voice* voice, int32_t hz) {
    if (!voice || mixingRate < 1) return;
    if (hz < 100) hz = 100;
    if (hz > 705600) hz = 705600;
    const uint64_t rate = static_cast<uint64_t>(mixingRate);
    const uint64_t frequency = static_cast<uint64_t>(hz);
    voice->stepWhole = static_cast<uint32_t>(frequency / rate);
    voice->stepFraction = static_cast<uint32_t>(((frequency % rate) << 32) / rate);
}

namespace {
void splitVolume(Voice* voice) {
    const int64_t volume = voice->volume;
    const int64_t pan = voice->pan;
    voice->leftVolume = static_cast<uint8_t>(((255 - pan) * volume / 255) & 0xFF);
    voice->rightVolume = static_cast<uint8_t>((pan * volume / 255) & 0xFF);
}
}  // namespace

void voiceSetVolume(Voice* voice, int32_t volume) {
    if (!voice) return;
    voice->volume = volume;
    splitVolume(voice);
}

void voiceSetPan(Voice* voice, int32_t pan) {
    if (!voice) return;
    voice->pan = pan;
    splitVolume(voice);
}

void mixVoices(float* destination, Voice* list, int32_t frames) {
    if (frames < 1 || !destination || !list) return;
    for (Voice* voice = list->next; voice != list; voice = voice->next) {
        mixVoice(*voice, destination, frames);
    }
}

void convertBlock(int16_t* destination, const float* source, int32_t frames) {
    if (frames < 1 || !destination || !source) return;
    // Adding and taking away 1.5 x 2^23 leaves a float in -32768..32767
    // rounded to the nearest integer, ties to even (the default rounding
    // mode), without a call into the maths library.
    constexpr float roundingShift = 12582912.0f;
    const int32_t values = 2 * frames;
    for (int32_t i = 0; i < values; ++i) {
        float v = source[i];
        // Clipping before rounding gives the same result as after it, and
        // keeps the conversion to an integer in range.
        v = v > 32767.0f ? 32767.0f : v;
        v = v < -32768.0f ? -32768.0f : v;
        if (v != v) v = 0.0f;
        const float rounded = (v + roundingShift) - roundingShift;
        destination[i] = static_cast<int16_t>(static_cast<int32_t>(rounded));
    }
}

namespace {
// The voices live in static storage: a Channel keeps the address of its
// voice, and a device closed and opened again must not leave that address
// dangling. Closing only unhooks the table.
Voice voiceStorage[voiceCount];
}  // namespace

bool voicesCreate() {
    listInit(&voiceList);
    for (int32_t k = 0; k < voiceCount; ++k) {
        voiceStorage[k] = Voice{};
        voiceStorage[k].index = k;
        listInsertTail(&voiceStorage[k], &voiceList);
    }
    voiceTable = voiceStorage;
    return true;
}

void voicesRelease() {
    listInit(&voiceList);
    voiceTable = nullptr;
}
