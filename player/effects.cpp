#include "player/effects.h"

#include <cmath>

#include "audio/mixer.h"
#include "player/envelopes.h"
#include "player/sequencer.h"

namespace {

constexpr uint8_t clearFrequencyAndStart = static_cast<uint8_t>(~(updateFrequency | updateStart));
constexpr uint8_t clearLowFour = static_cast<uint8_t>(~(updateFrequency | updateVolume | updatePanning | updateStart));

void volumeDown(Channel* c, int32_t amount) {
    c->volume -= amount;
    if (c->volume < 0) c->volume = 0;
    c->updateFlags |= updateVolume;
}

void volumeUp(Channel* c, int32_t amount) {
    c->volume += amount;
    if (c->volume > 64) c->volume = 64;
    c->updateFlags |= updateVolume;
}

// The volume column's panning slides: no limits (the voice takes 0..255).
void panBy(Channel* c, int32_t delta) {
    c->panning += delta;
    c->updateFlags |= updatePanning;
}

void volumeSlide(Channel* c) {
    const uint8_t m = c->volumeSlideMemory;
    if (m >> 4) {
        volumeUp(c, m >> 4);
    } else {
        volumeDown(c, m & 15);
    }
}

void periodStep(Channel* c, int32_t delta) {
    c->period += delta;
    c->updateFlags |= updateFrequency;
}

void extendedRow(CellContext& x) {
    Channel* c = x.channel;
    Module* m = x.module;
    const uint8_t y = x.cell->parameter & 15;
    switch (x.cell->parameter >> 4) {
    case 1: c->period -= 4 * y; break;
    case 2: c->period += 4 * y; break;
    case 4: c->waveformControl = static_cast<uint8_t>((c->waveformControl & 0xF0) | y); break;
    case 5:
        // The shared stand-in must stay all zero.
        if (x.sample != &silentSample) x.sample->finetune = static_cast<int8_t>(y);
        break;
    case 6:
        if (y == 0) {
            c->patternLoopRow = m->row;
        } else {
            c->patternLoopCount = c->patternLoopCount == 0 ? y : c->patternLoopCount - 1;
            if (c->patternLoopCount != 0 && m->nextRow == -1) m->nextRow = c->patternLoopRow;
        }
        break;
    case 8:
        c->panning = 16 * y;
        c->updateFlags |= updatePanning;
        break;
    case 10:
        if (y) c->fineVolumeSlideMemory = y;
        volumeUp(c, c->fineVolumeSlideMemory);
        break;
    case 11:
        if (y) c->fineVolumeSlideMemory = y;
        volumeDown(c, c->fineVolumeSlideMemory);
        break;
    case 13:
        c->volume = x.savedVolume;
        c->period = x.savedPeriod;
        c->panning = x.savedPanning;
        c->updateFlags &= clearLowFour;
        break;
    case 14: m->patternDelayTicks = m->speed * y; break;
    default: break;
    }
}

void extendedTick(CellContext& x) {
    Channel* c = x.channel;
    const int32_t tick = x.module->tick;
    const uint8_t y = x.cell->parameter & 15;
    switch (x.cell->parameter >> 4) {
    case 9:
        if (y != 0 && tick % y == 0) c->updateFlags |= updateStart | updateVolume | updateFrequency;
        break;
    case 12:
        if (tick == y) {
            c->volume = 0;
            c->updateFlags |= updateVolume;
        }
        break;
    case 13:
        if (tick == y) {
            startInstrument(c, x.sample);
            c->updateFlags |= updateFrequency;
            c->period = c->notePeriod;
            if (x.cell->volume) applyVolumeColumn(c, x.cell->volume);
            c->updateFlags |= updateStart;
        } else {
            c->updateFlags &= clearLowFour;
        }
        break;
    default: break;
    }
}

}  // namespace

void stepTonePortamento(Channel* c) {
    const int32_t step = 4 * c->portaSpeed;
    if (c->period < c->portaTarget) {
        c->period += step;
        if (c->period > c->portaTarget) c->period = c->portaTarget;
    } else if (c->period > c->portaTarget) {
        c->period -= step;
        if (c->period < c->portaTarget) c->period = c->portaTarget;
    }
    c->updateFlags |= updateFrequency;
}

int32_t vibratoMagnitude(uint8_t waveform, int8_t phase) {
    switch (waveform & 3) {
    case 1:
        if (phase >= 0) return 8 * phase;
        return 255 - (((8 * phase) % 256 + 256) % 256);
    case 2:
    case 3: return 255;
    default: return static_cast<int32_t>(std::fabs(std::sin(phase * 2 * 0.049087375)) * 256);
    }
}

void computeVibrato(Channel* c) {
    const int32_t m = vibratoMagnitude(c->waveformControl, c->vibratoPhase);
    int32_t offset = ((c->vibratoDepth * m) >> 5) & ~3;
    if (c->vibratoPhase >= 0) offset = -offset;
    c->periodOffset = offset;
    c->updateFlags |= updateFrequency;
}

void advanceVibratoPhase(Channel* c) {
    int32_t phase = static_cast<int8_t>(static_cast<uint8_t>(c->vibratoPhase + c->vibratoSpeed));
    if (phase > 31) phase -= 64;
    c->vibratoPhase = static_cast<int8_t>(phase);
}

void stepTremor(Channel* c) {
    if (c->tremorCounter >= c->tremorOnTicks) c->volumeOffset = -c->volume;
    c->tremorCounter = static_cast<uint8_t>(c->tremorCounter + 1);
    if (c->tremorCounter >= c->tremorOnTicks + c->tremorOffTicks) c->tremorCounter = 0;
    c->updateFlags |= updateVolume;
}

bool retrigVolume(int32_t& volume, uint8_t change) {
    switch (change) {
    case 0: return false;
    case 1: volume -= 1; break;
    case 2: volume -= 2; break;
    case 3: volume -= 4; break;
    case 4: volume -= 8; break;
    case 5: volume -= 16; break;
    case 6: volume = volume * 2 / 3; break;
    case 7: volume >>= 1; break;
    case 9: volume += 1; break;
    case 10: volume += 2; break;
    case 11: volume += 4; break;
    case 12: volume += 8; break;
    case 13: volume += 16; break;
    case 14: volume = volume * 3 / 2; break;
    case 15: volume *= 2; break;
    default: break;  // 8: no change
    }
    if (volume < 0) volume = 0;
    if (volume > 64) volume = 64;
    return true;
}

void setEnvelopePosition(Channel* c, const Instrument* instrument, uint8_t p) {
    const int32_t n = instrument->volumePointCount > maxEnvelopePoints ? maxEnvelopePoints : instrument->volumePointCount;
    if (n == 0) return;
    const EnvelopePoint* points = instrument->volumeEnvelope;
    // Searching on past the second-last point ends the same way as stopping
    // there, and would read beyond the points in use.
    int32_t i = 0;
    while (i < n - 1 && !(p <= points[i + 1].x)) ++i;
    c->volumeEnvelopePoint = i;
    if (i >= n - 1) {
        c->volumeEnvelopeValue = points[n - 1].y;
        c->volumeEnvelopeDone = 1;
        return;
    }
    const EnvelopePoint& a = points[i];
    const EnvelopePoint& b = points[i + 1];
    const int32_t dx = b.x - a.x;
    c->volumeEnvelopeDone = 0;
    c->volumeEnvelopeTick = p;
    c->volumeEnvelopeStep = dx == 0 ? 0 : static_cast<int32_t>(static_cast<int64_t>(b.y - a.y) * 65536 / dx);
    c->volumeEnvelopeFixed =
        static_cast<int32_t>(a.y * 65536 + static_cast<int64_t>(p - a.x) * c->volumeEnvelopeStep);
    c->volumeEnvelopePoint = i + 1;
    c->volumeEnvelopeValue = c->volumeEnvelopeFixed >> 16;
}

void applyVolumeColumn(Channel* c, uint8_t v) {
    const uint8_t y = v & 15;
    if (v >= 0x10 && v <= 0x50) {
        c->volume = v - 16;
        c->updateFlags |= updateVolume;
        return;
    }
    switch (v >> 4) {
    case 0x6:
    case 0x8: volumeDown(c, y); break;
    case 0x7:
    case 0x9: volumeUp(c, y); break;
    case 0xA: c->vibratoSpeed = y; break;
    case 0xB: c->vibratoDepth = y; break;
    case 0xC:
        c->panning = 16 * y;
        c->updateFlags |= updatePanning;
        break;
    case 0xD: panBy(c, -y); break;
    case 0xE: panBy(c, y); break;
    case 0xF:
        if (y) c->portaSpeed = static_cast<uint8_t>(16 * y);
        c->portaTarget = c->notePeriod;
        c->updateFlags &= static_cast<uint8_t>(~updateStart);
        break;
    default: break;
    }
}

void volumeColumnTick(Channel* c, uint8_t v) {
    const uint8_t y = v & 15;
    switch (v >> 4) {
    case 0x6: volumeDown(c, y); break;
    case 0x7: volumeUp(c, y); break;
    case 0xB:
        c->vibratoDepth = y;
        computeVibrato(c);
        advanceVibratoPhase(c);
        break;
    case 0xD: panBy(c, -y); break;
    case 0xE: panBy(c, y); break;
    case 0xF: stepTonePortamento(c); break;
    default: break;
    }
}

void effectRow(CellContext& x) {
    Channel* c = x.channel;
    Module* m = x.module;
    const uint8_t p = x.cell->parameter;
    const uint8_t hi = p >> 4;
    const uint8_t lo = p & 15;
    switch (x.cell->effect) {
    case 1:
        if (p) c->portaUpMemory = p;
        break;
    case 2:
        if (p) c->portaDownMemory = p;
        break;
    case 3:
        if (p) c->portaSpeed = p;
        c->portaTarget = c->notePeriod;
        c->updateFlags &= clearFrequencyAndStart;
        break;
    case 4:
        if (hi) c->vibratoSpeed = hi;
        if (lo) c->vibratoDepth = lo;
        computeVibrato(c);
        break;
    case 5:
        c->portaTarget = c->notePeriod;
        if (p) c->volumeSlideMemory = p;
        c->updateFlags &= clearFrequencyAndStart;
        break;
    case 6:
        if (p) c->volumeSlideMemory = p;
        computeVibrato(c);
        break;
    case 8:
        c->panning = p;
        c->updateFlags |= updatePanning;
        break;
    case 9: {
        if (p) c->sampleOffsetMemory = p;
        const uint32_t offset = static_cast<uint32_t>(c->sampleOffsetMemory) * 256u;
        if (offset < x.sample->loopStart + x.sample->loopLength) {
            if (Voice* voice = channelVoice(c)) voice->startOffset = offset;
        } else {
            c->updateFlags &= static_cast<uint8_t>(~updateStart);
            c->updateFlags |= updateStop;
        }
        break;
    }
    case 10:
        if (p) c->volumeSlideMemory = p;
        break;
    case 11:
        m->nextRow = 0;
        m->nextOrder = p >= m->songLength ? 0 : p;
        *x.positionJump = true;
        break;
    case 12:
        c->volume = p;
        c->updateFlags |= updateVolume;
        break;
    case 13:
        m->nextRow = 10 * hi + lo;
        if (m->nextRow > 63) m->nextRow = 0;
        if (!*x.positionJump) m->nextOrder = m->orderPosition + 1;
        if (m->nextOrder >= m->songLength) m->nextOrder = 0;
        break;
    case 14: extendedRow(x); break;
    case 15:
        if (p < 32) {
            m->speed = p;
        } else {
            moduleSetBpm(m, p);
        }
        break;
    case 16:
        m->globalVolume = p > 64 ? 64 : p;
        c->updateFlags |= updateVolume;
        break;
    case 17:
        if (p) m->globalVolumeSlideMemory = p;
        break;
    case 21:
        if (x.instrument->volumeEnvelopeFlags & 1) setEnvelopePosition(c, x.instrument, p);
        break;
    case 25:
        if (p) {
            c->panningSlideMemory = p;
            c->updateFlags |= updatePanning;
        }
        break;
    case 27:
        if (p) {
            c->retrigVolumeChange = hi;
            c->retrigInterval = lo;
        }
        break;
    case 29:
        if (p) {
            c->tremorOnTicks = static_cast<uint8_t>(hi + 1);
            c->tremorOffTicks = static_cast<uint8_t>(lo + 1);
        }
        stepTremor(c);
        break;
    case 33:
        if (hi == 1) {
            if (lo) c->extraFinePortaUpMemory = lo;
            c->period -= c->extraFinePortaUpMemory;
        } else if (hi == 2) {
            if (lo) c->extraFinePortaDownMemory = lo;
            c->period += c->extraFinePortaDownMemory;
        }
        break;
    default: break;
    }
}

void effectTick(CellContext& x) {
    Channel* c = x.channel;
    Module* m = x.module;
    const uint8_t p = x.cell->parameter;
    switch (x.cell->effect) {
    case 0:
        if (p) {
            const int32_t phase = m->tick % 3;
            const int32_t semitones = phase == 1 ? p >> 4 : phase == 2 ? p & 15 : 0;
            if (semitones != 0) {
                if (m->flags & 1) {
                    c->periodOffset = 64 * semitones;
                } else {
                    c->periodOffset = amigaPeriod(c->realNote + semitones, x.sample->finetune) -
                                      amigaPeriod(c->realNote, x.sample->finetune);
                }
            }
            c->updateFlags |= updateFrequency;
        }
        break;
    case 1:
        c->period -= 4 * c->portaUpMemory;
        if (c->period < 56) c->period = 56;
        c->periodOffset = 0;
        c->updateFlags |= updateFrequency;
        break;
    case 2:
        periodStep(c, 4 * c->portaDownMemory);
        c->periodOffset = 0;
        break;
    case 3:
        c->periodOffset = 0;
        stepTonePortamento(c);
        break;
    case 4:
        computeVibrato(c);
        advanceVibratoPhase(c);
        break;
    case 5:
        c->periodOffset = 0;
        stepTonePortamento(c);
        volumeSlide(c);
        break;
    case 6:
        computeVibrato(c);
        advanceVibratoPhase(c);
        volumeSlide(c);
        break;
    case 10: volumeSlide(c); break;
    case 14: extendedTick(x); break;
    case 17: {
        const uint8_t s = m->globalVolumeSlideMemory;
        if (s >> 4) {
            m->globalVolume += s >> 4;
            if (m->globalVolume > 64) m->globalVolume = 64;
        } else {
            m->globalVolume -= s & 15;
            if (m->globalVolume < 0) m->globalVolume = 0;
        }
        break;
    }
    case 25: {
        const uint8_t s = c->panningSlideMemory;
        if (s >> 4) {
            c->panning += s >> 4;
            if (c->panning > 255) c->panning = 255;
        } else {
            c->panning -= s & 15;
            if (c->panning < 0) c->panning = 0;
        }
        c->updateFlags |= updatePanning;
        break;
    }
    case 27:
        if (c->retrigInterval != 0 && m->tick % c->retrigInterval == 0) {
            if (retrigVolume(c->volume, c->retrigVolumeChange)) c->updateFlags |= updateVolume;
            c->updateFlags |= updateStart;
        }
        break;
    case 29: stepTremor(c); break;
    default: break;
    }
}
