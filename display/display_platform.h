#pragma once
#include <cstdint>

// The display's platform edge. The logic of opening, presenting, closing and
// the window procedure lives in display/display.cpp and calls only these.
// Implemented by the SDL2, Win32 and virtual platform libraries.

// The pixel layout the display reports; choosePixelConverter decides from it.
struct PixelLayout {
    uint32_t bitCount;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
};

// Opens the window named `windowName` and a full-screen width x height mode,
// trying 32, then 24, then 16 bits per pixel, with a back buffer that can be
// locked. On success fills `layout` and returns true; on failure returns false
// and leaves in place whatever it had done (closeDisplay releases it).
bool displayPlatformOpen(const char* windowName, int32_t width, int32_t height, PixelLayout* layout);

// Takes every pending message of the window and hands each to
// windowProcedure (display/display.h) on this thread.
void displayPlatformPumpMessages();

// Brings back surfaces lost to another program; failure is ignored.
void displayPlatformRestore();

// Locks the whole back buffer, waiting while it is busy. On success sets the
// address of its first pixel and its row pitch in bytes.
bool displayPlatformLock(uint8_t** firstPixel, int32_t* pitch);

// Hands the written pixels back; `firstPixel` is what the lock returned.
void displayPlatformUnlock(uint8_t* firstPixel);

// Makes the back buffer visible, waiting until the flip can be done.
void displayPlatformFlip();

// Hides the mouse cursor over the window.
void displayPlatformHideCursor();

// Releases what displayPlatformOpen made, in the order: surfaces, the display
// object (restoring the desktop mode), the window, the library. Safe to call
// with nothing open and a second time.
void displayPlatformClose();
