#include "player/sequencer.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "core/list.h"
#include "player/effects.h"
#include "player/envelopes.h"

// Constant-initialized, so it is linked to itself before any code runs; the
// other fields start at zero.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
Module playingModules = {.next = &playingModules, .prev = &playingModules};
#pragma GCC diagnostic pop

namespace {

void stopLocked(Module* module) {
    listRemove(module);
    module->playing.store(0, std::memory_order_relaxed);
    if (module->channels) {
        for (int32_t i = 0; i < module->channelCount; ++i) voiceStop(i);
        std::free(module->channels);
        module->channels = nullptr;
    }
}

// The instrument and sample that a channel's instrument and note select.
void lookup(const Module* module, const Channel& channel, const Instrument*& instrument, Sample*& sample) {
    if (channel.instrument < module->instrumentCount) {
        instrument = &module->instruments[channel.instrument];
        const uint8_t slot = instrument->sampleForNote[channel.note % 96];
        sample = slot < maxSamplesPerInstrument ? instrument->samples[slot] : &silentSample;
    } else {
        instrument = &silentInstrument;
        sample = &silentSample;
    }
}

int32_t rowCountOf(const Pattern* pattern) { return pattern ? pattern->rowCount : 64; }

// The cells of the row being played, or null when its pattern has none.
const PatternCell* currentRowCells(const Module* module) {
    const Pattern* pattern = currentPattern(module);
    if (!pattern || !pattern->cells || !module->channels) return nullptr;
    const int32_t row = module->row.load(std::memory_order_relaxed);
    return pattern->cells + static_cast<int64_t>(row) * module->channelCount;
}

void stepEnvelopes(Channel* c, const Instrument* instrument) {
    if ((instrument->volumeEnvelopeFlags & 1) && !c->volumeEnvelopeDone) stepEnvelope(c, Envelope::volume, instrument);
    if ((instrument->panningEnvelopeFlags & 1) && !c->panningEnvelopeDone) stepEnvelope(c, Envelope::panning, instrument);
}

void stepFadeout(Channel* c, const Instrument* instrument) {
    if (!c->keyOff) return;
    c->fadeoutVolume -= instrument->fadeout;
    if (c->fadeoutVolume < 0) c->fadeoutVolume = 0;
    c->updateFlags |= updateVolume;
}

}  // namespace

const Pattern* currentPattern(const Module* module) {
    const int32_t order = module->orderPosition.load(std::memory_order_relaxed);
    if (order < 0 || order > 255 || !module->patterns) return nullptr;
    const int32_t index = module->orderTable[order];
    return index < module->patternCount ? &module->patterns[index] : nullptr;
}

bool modulePlay(Module* module) {
    if (!module) return false;
    std::lock_guard<std::mutex> lock(mixLock);
    stopLocked(module);
    module->globalVolume = module->initialGlobalVolume;
    module->nextOrder = -1;
    module->nextRow = -1;
    module->playSeconds.store(0.0f, std::memory_order_relaxed);
    module->speed = module->defaultSpeed;
    module->row.store(0, std::memory_order_relaxed);
    module->orderPosition.store(0, std::memory_order_relaxed);
    module->samplesToNextTick = 0;
    module->tick = 0;
    module->patternDelayTicks = 0;
    moduleSetBpm(module, module->defaultBpm);
    if (module->channelCount > 0) {
        module->channels = static_cast<Channel*>(std::calloc(module->channelCount, sizeof(Channel)));
        if (!module->channels) return false;
        for (int32_t i = 0; i < module->channelCount; ++i) {
            module->channels[i].voice = voiceTable ? &voiceTable[i] : nullptr;
            module->channels[i].voiceIndex = i;
        }
    }
    listInsertTail(module, &playingModules);
    module->playing.store(1, std::memory_order_relaxed);
    return true;
}

bool moduleStop(Module* module) {
    if (!module) return false;
    std::lock_guard<std::mutex> lock(mixLock);
    stopLocked(module);
    return true;
}

void moduleSetBpm(Module* module, int32_t bpm) {
    module->bpm = bpm;
    // A tempo of 0 or less has no tick length; it ticks as the slowest tempo.
    const double beats = bpm < 1 ? 1.0 : bpm;
    const double frames =
        (static_cast<double>(1000.0f) / (beats * static_cast<double>(0.4f))) * mixingRate * static_cast<double>(0.001f);
    int32_t samples = frames < 2147483647.0 ? static_cast<int32_t>(frames) : 2147483647;
    // The mixing thread needs at least one frame per tick to finish a block.
    module->samplesPerTick = samples < 1 ? 1 : samples;
}

void processRow(Module* module) {
    module->nextOrder = -1;
    module->nextRow = -1;
    bool positionJump = false;
    const PatternCell* cells = currentRowCells(module);
    if (!cells) return;
    for (int32_t ch = 0; ch < module->channelCount; ++ch) {
        const PatternCell& cell = cells[ch];
        Channel* c = &module->channels[ch];
        const bool portamento = cell.effect == 3 || cell.effect == 5;
        const bool hasNote = cell.note != 0 && cell.note != 255;
        if (cell.instrument != 0 && !portamento) c->instrument = static_cast<uint8_t>(cell.instrument - 1);
        if (hasNote && !portamento) c->note = static_cast<uint8_t>(cell.note - 1);
        const Instrument* instrument;
        Sample* sample;
        lookup(module, *c, instrument, sample);
        CellContext context{module, c, &cell, sample, instrument, c->volume, c->period, c->panning, &positionJump};
        c->volumeOffset = 0;
        c->updateFlags = 0;
        if (hasNote) {
            c->realNote = static_cast<uint8_t>(cell.note - 1 + sample->relativeNote);
            if (module->flags & 1) {
                c->notePeriod = 7680 - 64 * c->realNote - sample->finetune / 2;
            } else {
                c->notePeriod = amigaPeriod(c->realNote, sample->finetune);
            }
            if (!portamento) c->period = c->notePeriod;
            c->updateFlags = updateStart;
        }
        c->periodOffset = 0;
        c->updateFlags |= updateFrequency | updateVolume;
        if (cell.instrument != 0) startInstrument(c, sample);
        if (cell.volume != 0) applyVolumeColumn(c, cell.volume);
        if (cell.note == 255 || cell.effect == 20) c->keyOff = 1;
        if (instrument->volumeEnvelopeFlags & 1) {
            if (!c->volumeEnvelopeDone) stepEnvelope(c, Envelope::volume, instrument);
        } else if (c->keyOff) {
            c->volumeEnvelopeValue = 0;
        }
        if ((instrument->panningEnvelopeFlags & 1) && !c->panningEnvelopeDone) {
            stepEnvelope(c, Envelope::panning, instrument);
        }
        stepFadeout(c, instrument);
        effectRow(context);
        stepAutoVibrato(c, instrument);
        updateVoice(c, sample, module);
    }
}

void processTick(Module* module) {
    const PatternCell* cells = currentRowCells(module);
    if (!cells) return;
    for (int32_t ch = 0; ch < module->channelCount; ++ch) {
        const PatternCell& cell = cells[ch];
        Channel* c = &module->channels[ch];
        const Instrument* instrument;
        Sample* sample;
        lookup(module, *c, instrument, sample);
        CellContext context{module, c, &cell, sample, instrument, 0, 0, 0, nullptr};
        c->volumeOffset = 0;
        c->periodOffset = 0;
        c->updateFlags = 0;
        stepEnvelopes(c, instrument);
        stepFadeout(c, instrument);
        volumeColumnTick(c, cell.volume);
        effectTick(context);
        stepAutoVibrato(c, instrument);
        updateVoice(c, sample, module);
    }
}

void moduleTick(Module* module) {
    if (module->tick == 0) {
        if (module->nextOrder >= 0) module->orderPosition.store(module->nextOrder, std::memory_order_relaxed);
        if (module->nextRow >= 0) {
            // A break may name a row the new pattern does not have: start it
            // from its first row.
            int32_t row = module->nextRow;
            if (row >= rowCountOf(currentPattern(module))) row = 0;
            module->row.store(row, std::memory_order_relaxed);
        }
        processRow(module);
        if (module->nextRow == -1) {
            const int32_t order = module->orderPosition.load(std::memory_order_relaxed);
            module->nextRow = module->row.load(std::memory_order_relaxed) + 1;
            if (module->nextRow >= rowCountOf(currentPattern(module))) {
                module->nextOrder = order + 1;
                if (module->nextOrder >= module->songLength) module->nextOrder = module->restartPosition;
                module->nextRow = 0;
            }
        }
    } else {
        processTick(module);
    }
    module->tick += 1;
    if (module->tick >= module->speed + module->patternDelayTicks) {
        module->patternDelayTicks = 0;
        module->tick = 0;
    }
}

int32_t moduleGetOrder(const Module* module) {
    return module ? module->orderPosition.load(std::memory_order_relaxed) : 0;
}

int32_t moduleGetRow(const Module* module) { return module ? module->row.load(std::memory_order_relaxed) : 0; }

int32_t moduleGetMilliseconds(const Module* module) {
    if (!module) return 0;
    return static_cast<int32_t>(module->playSeconds.load(std::memory_order_relaxed) * 1000.0f);
}

namespace {
int64_t amigaBase(int32_t k) { return static_cast<int64_t>(13.375 * std::pow(2.0, k / 12.0)); }
}  // namespace

int32_t amigaPeriod(int32_t n, int32_t f) {
    const int64_t p0 = amigaBase(132 - n);
    if (f < 0 && n != 0) return static_cast<int32_t>(p0 + (-f) * (p0 - amigaBase(133 - n)) / -128);
    return static_cast<int32_t>(p0 + f * (p0 - amigaBase(131 - n)) / -128);
}
