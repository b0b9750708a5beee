#include "player/envelopes.h"

#include <cmath>
#include <cstdlib>

#include "audio/mixer.h"

void startInstrument(Channel* channel, const Sample* sample) {
    channel->volume = sample->volume;
    channel->panning = sample->panning;
    channel->volumeEnvelopeValue = 64;
    channel->volumeEnvelopePoint = 0;
    channel->volumeEnvelopeTick = 0;
    channel->volumeEnvelopeStep = 0;
    channel->volumeEnvelopeDone = 0;
    channel->panningEnvelopeValue = 32;
    channel->panningEnvelopePoint = 0;
    channel->panningEnvelopeTick = 0;
    channel->panningEnvelopeStep = 0;
    channel->panningEnvelopeDone = 0;
    channel->keyOff = 0;
    channel->fadeoutVolume = 65536;
    channel->autoVibratoTicks = 0;
    channel->autoVibratoPhase = 0;
    channel->tremorCounter = 0;
    if ((channel->waveformControl & 0x0F) < 4) channel->vibratoPhase = 0;
    channel->updateFlags |= updateVolume | updatePanning;
}

namespace {
// One envelope's state in a channel and its settings in an instrument.
struct EnvelopeView {
    int32_t& tick;
    int32_t& point;
    int32_t& fixed;
    int32_t& value;
    int32_t& step;
    uint8_t& done;
    const EnvelopePoint* points;
    uint8_t count;
    uint8_t flags;
    uint8_t sustain;
    uint8_t loopStart;
    uint8_t loopEnd;
    uint8_t flag;
};

EnvelopeView viewOf(Channel* c, Envelope which, const Instrument* in) {
    if (which == Envelope::volume) {
        return {c->volumeEnvelopeTick, c->volumeEnvelopePoint, c->volumeEnvelopeFixed, c->volumeEnvelopeValue,
                c->volumeEnvelopeStep, c->volumeEnvelopeDone, in->volumeEnvelope, in->volumePointCount,
                in->volumeEnvelopeFlags, in->volumeSustainPoint, in->volumeLoopStart, in->volumeLoopEnd,
                updateVolume};
    }
    return {c->panningEnvelopeTick, c->panningEnvelopePoint, c->panningEnvelopeFixed, c->panningEnvelopeValue,
            c->panningEnvelopeStep, c->panningEnvelopeDone, in->panningEnvelope, in->panningPointCount,
            in->panningEnvelopeFlags, in->panningSustainPoint, in->panningLoopStart, in->panningLoopEnd,
            updatePanning};
}
}  // namespace

void stepEnvelope(Channel* channel, Envelope which, const Instrument* instrument) {
    EnvelopeView e = viewOf(channel, which, instrument);
    const int32_t n = e.count > maxEnvelopePoints ? maxEnvelopePoints : e.count;
    if (e.point < 0) e.point = 0;
    if (e.point >= n) {
        e.value = e.fixed >> 16;
        e.tick += 1;
    } else if (e.tick != e.points[e.point].x) {
        // Points whose ticks do not rise are never met again: the value then
        // drifts, and wraps rather than overflows (the voice takes 0..64).
        e.fixed = static_cast<int32_t>(static_cast<uint32_t>(e.fixed) + static_cast<uint32_t>(e.step));
        e.value = e.fixed >> 16;
        e.tick += 1;
    } else {
        if ((e.flags & 4) && e.point == e.loopEnd && e.loopStart < n) {
            e.point = e.loopStart;
            e.tick = e.points[e.point].x;
        }
        if (e.point == n - 1) {
            e.value = e.points[e.point].y;
            e.done = 1;
        } else if ((e.flags & 2) && e.point == e.sustain && !channel->keyOff) {
            e.value = e.points[e.point].y;
        } else {
            const EnvelopePoint& a = e.points[e.point];
            const EnvelopePoint& b = e.points[e.point + 1];
            const int32_t dx = b.x - a.x;
            e.step = dx == 0 ? 0 : static_cast<int32_t>((static_cast<int64_t>(b.y - a.y) * 65536) / dx);
            e.fixed = a.y * 65536;
            e.point += 1;
            e.value = e.fixed >> 16;
            e.tick += 1;
        }
    }
    channel->updateFlags |= e.flag;
}

int32_t autoVibratoWave(uint8_t type, int32_t a) {
    switch (type) {
    case 0:
        return static_cast<int32_t>(64.0 * std::sin(2.0 * a * static_cast<double>(0.01227184375f)));
    case 1:
        return a < 128 ? 64 : -64;
    case 2:
        return (128 - ((a + 128) % 256)) >> 1;
    case 3:
        return (128 - ((384 - a) % 256)) >> 1;
    default:
        // Types beyond the four waveforms have no shape: no modulation.
        return 0;
    }
}

void stepAutoVibrato(Channel* channel, const Instrument* instrument) {
    int32_t d = autoVibratoWave(instrument->vibratoType, channel->autoVibratoPhase) * instrument->vibratoDepth;
    if (instrument->vibratoSweep != 0) d = channel->autoVibratoTicks * d / instrument->vibratoSweep;
    channel->periodOffset += d >> 6;
    channel->autoVibratoTicks += 1;
    if (channel->autoVibratoTicks > instrument->vibratoSweep) channel->autoVibratoTicks = instrument->vibratoSweep;
    channel->autoVibratoPhase += instrument->vibratoRate;
    if (channel->autoVibratoPhase > 255) channel->autoVibratoPhase -= 256;
    channel->updateFlags |= updateFrequency;
}

namespace {
int32_t clampTo(int32_t value, int32_t low, int32_t high) { return value < low ? low : value > high ? high : value; }
}  // namespace

// The effects keep volume and panning as the pattern made them (set volume
// and the volume-column panning slides have no limits); the voice is given
// them within 0..64 and 0..255, like the other slides, so that an odd file
// cannot wrap the voice's volume bytes.
int32_t voiceVolumeFor(const Channel* channel, int32_t globalVolume) {
    const double volume = clampTo(channel->volume + channel->volumeOffset, 0, 64);
    const double envelope = clampTo(channel->volumeEnvelopeValue, 0, 64);
    const double fadeout = clampTo(channel->fadeoutVolume, 0, 65536);
    const double global = clampTo(globalVolume, 0, 64);
    return static_cast<int32_t>(volume * envelope * fadeout * global * static_cast<double>(255.0f / 34359738368.0f));
}

// A pan of 256 (envelope far right at a few pannings) would wrap to the far
// left in the voice's 8-bit split; it is given as 255.
int32_t voicePanFor(const Channel* channel) {
    const int32_t panning = clampTo(channel->panning, 0, 255);
    const int32_t envelope = clampTo(channel->panningEnvelopeValue, 0, 64);
    const int32_t pan = panning + ((128 - std::abs(panning - 128)) / 32) * (envelope - 32);
    return clampTo(pan, 0, 255);
}

int32_t voiceFrequencyFor(const Channel* channel, bool linear) {
    if (linear) {
        const double k = static_cast<double>(static_cast<float>(1.0 / 768.0));
        const double exponent = ((4608.0 - channel->period) + channel->periodOffset) * k;
        double hz = 8363.0 * std::pow(2.0, exponent);
        // Far outside the audible range; keep the conversion defined.
        if (!(hz < 2147483647.0)) hz = 2147483647.0;
        return static_cast<int32_t>(hz);
    }
    const int64_t period = static_cast<int64_t>(channel->period) + channel->periodOffset;
    if (period == 0) return 0;
    return static_cast<int32_t>(14317056 / period);
}

Voice* channelVoice(const Channel* channel) {
    return voiceTable ? &voiceTable[channel->voiceIndex & (voiceCount - 1)] : nullptr;
}

void updateVoice(Channel* channel, const Sample* sample, const Module* module) {
    if (static_cast<int64_t>(channel->period) + channel->periodOffset == 0) {
        channel->updateFlags &= static_cast<uint8_t>(~updateFrequency);
    }
    Voice* voice = channelVoice(channel);
    channel->voice = voice;
    if (!voice) return;
    const uint8_t flags = channel->updateFlags;
    if (flags & updateStart) {
        const int32_t index = voiceStart(voice->index, sample);
        if (index != -1) {
            channel->voiceIndex = index;
            voice = &voiceTable[index];
            channel->voice = voice;
        }
    }
    if (flags & updateVolume) voiceSetVolume(voice, voiceVolumeFor(channel, module->globalVolume));
    if (flags & updatePanning) voiceSetPan(voice, voicePanFor(channel));
    if (flags & updateFrequency) voiceSetFrequency(voice, voiceFrequencyFor(channel, module->flags & 1));
    if (flags & updateStop) {
        voiceStop(channel->voiceIndex);
        voice->startOffset = 0;
    }
}
