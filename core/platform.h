#pragma once
#include <cstdint>

// Process-wide services of the platform edge. Each platform library (SDL2,
// Win32, virtual) defines these; exactly one is linked into a program.

// Ends the process at once with the given code, without running static
// destructors (another thread may still be mixing).
[[noreturn]] void platformExitProcess(int code);

// Shows a message with one OK button and no owner window, and also writes
// "caption: text" to standard error. Returns when the user has answered.
void platformShowMessage(const char* text, const char* caption);

// Yields the processor for about the given number of milliseconds (0 = yield).
void platformSleep(uint32_t milliseconds);
