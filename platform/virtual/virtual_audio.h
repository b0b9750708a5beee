#pragma once
#include <cstdint>

// Controls of the in-memory wave output, for tests and offline tools. Nothing
// plays: the caller moves the byte counter that the mixing thread reads.

// When false, waveOutputOpen fails as if there were no sound device.
// Initially true.
void virtualAudioSetAvailable(bool available);

// When true, mixThreadStart runs the mixing thread on a real std::thread;
// when false (initially), it starts nothing and returns false, and the caller
// drives mixingPass itself.
void virtualAudioSetThreaded(bool threaded);

// Sets or moves the counter of bytes played (32 bits, wrapping like a real
// device's). Each move also counts the blocks the device played stale.
void virtualAudioSetBytesPlayed(uint32_t bytes);
void virtualAudioAdvance(uint32_t bytes);

bool virtualAudioIsOpen();
int32_t virtualAudioRate();
// How many times waveOutputOpen has been called, successful or not.
uint32_t virtualAudioOpenCalls();
// The buffer handed to waveOutputPlayLoop and its size in bytes; null and 0
// when nothing plays.
const int16_t* virtualAudioRing();
uint32_t virtualAudioRingBytes();
// Blocks played again before they were refilled, since the last open.
uint32_t virtualAudioUnderruns();
