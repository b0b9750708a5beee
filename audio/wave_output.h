#pragma once
#include <cstdint>

// The sound device's platform edge: what the ring and the mixing thread of
// audio/sound.cpp need and nothing more. Implemented by the SDL2, Win32
// (waveOut) and virtual platform libraries.

// Opens the default output for 16-bit signed stereo PCM at `rate` frames per
// second. Returns false when there is no such device or the format is refused.
bool waveOutputOpen(int32_t rate);

// Starts playing `bytes` bytes at `ring` from the start, over and over without
// end, until waveOutputClose. The buffer stays the caller's and must live
// until then.
void waveOutputPlayLoop(const void* ring, uint32_t bytes);

// Bytes played since the device was opened, 32 bits wide: wraps after 2^32.
uint32_t waveOutputBytesPlayed();

// Stops playback, gives the buffer back and closes the device. Safe to call
// when nothing is open.
void waveOutputClose();

// The mixing thread: starts `entry` on a new thread at the highest priority
// the platform allows. Returns false when no thread could be started.
bool mixThreadStart(void (*entry)());

// Releases the platform's handle of a thread that has finished running.
void mixThreadRelease();
