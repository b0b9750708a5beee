#pragma once
#include <cstdint>

// Measurements of the SDL2 wave output.

// Blocks of the ring that the device played again before the mixing thread
// had refilled them, since the output was last opened.
uint32_t sdlAudioUnderruns();

// The SDL audio driver in use ("pulseaudio", "alsa", ...; "dummy" when no
// sound device could be opened and the ring is consumed silently), or an
// empty string when the output is closed.
const char* sdlAudioDriver();
