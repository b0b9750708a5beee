#pragma once
#include <cstdint>

#include "player/channel.h"
#include "player/module.h"

// The per-channel steps that follow from the instrument, and the push of a
// channel's state to its mixer voice.

enum class Envelope { volume, panning };

struct Voice;

void startInstrument(Channel* channel, const Sample* sample);
void stepEnvelope(Channel* channel, Envelope which, const Instrument* instrument);
void stepAutoVibrato(Channel* channel, const Instrument* instrument);
// The auto-vibrato waveform value -64..64 of `type` at phase 0..255.
int32_t autoVibratoWave(uint8_t type, int32_t phase);
void updateVoice(Channel* channel, const Sample* sample, const Module* module);

// The channel's voice in the current table, or null while there is none. It
// is looked up each time: the table is rebuilt when the sound device opens
// again, and a channel must not keep a reference into a released one.
Voice* channelVoice(const Channel* channel);

// What updateVoice gives the voice, as pure functions of the channel's state.
int32_t voiceVolumeFor(const Channel* channel, int32_t globalVolume);
int32_t voicePanFor(const Channel* channel);
int32_t voiceFrequencyFor(const Channel* channel, bool linear);
