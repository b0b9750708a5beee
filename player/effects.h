#pragma once
#include <cstdint>

#include "player/channel.h"
#include "player/module.h"

// What the row and tick actions of a cell see.
struct CellContext {
    Module* module;
    Channel* channel;
    const PatternCell* cell;
    Sample* sample;
    const Instrument* instrument;
    // Row tick only: volume, period and panning before the row changed them
    // (the note delay puts them back), and the row's position-jump mark.
    int32_t savedVolume;
    int32_t savedPeriod;
    int32_t savedPanning;
    bool* positionJump;
};

void applyVolumeColumn(Channel* channel, uint8_t volume);
void volumeColumnTick(Channel* channel, uint8_t volume);
void effectRow(CellContext& context);
void effectTick(CellContext& context);

void stepTonePortamento(Channel* channel);
void computeVibrato(Channel* channel);
void advanceVibratoPhase(Channel* channel);
void stepTremor(Channel* channel);
// The magnitude 0..255 of the vibrato waveform at the channel's phase.
int32_t vibratoMagnitude(uint8_t waveform, int8_t phase);
// The retrigger volume change `change` (0..15) applied to `volume`; false
// when the change leaves the volume alone without a volume update (0).
bool retrigVolume(int32_t& volume, uint8_t change);
void setEnvelopePosition(Channel* channel, const Instrument* instrument, uint8_t tick);
