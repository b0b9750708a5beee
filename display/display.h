#pragma once
#include <cstdint>

#include "display/pixel_converter.h"

// The one full-screen display of the program. Opened once by the entry,
// written once per frame by presentFrame, released only by the window
// procedure right before the process ends.
struct DisplaySession {
    bool open;              // displayPlatformOpen succeeded and a converter was found
    int32_t width;          // size asked for at opening: presentFrame converts
    int32_t height;         //   height rows of width pixels
    int32_t active;         // last activation state reported (0 = in the background)
    int32_t bytesPerPixel;  // of the display's layout: 4, 3 or 2
    PixelConverter converter;
};

extern DisplaySession displaySession;

// Opens the window named `windowName` (also its title) and a full-screen
// width x height display, and picks the converter for its pixel layout.
// Returns false on any failure, leaving in place what was done so far.
bool openDisplay(const char* windowName, int32_t width, int32_t height);

// Handles pending window messages, then converts `pixels` (width x height,
// row after row) into the back buffer and flips. Returns 1 when the frame was
// shown or skipped because the program is in the background, 0 when the back
// buffer could not be locked (the frame is lost; the next call tries again).
int32_t presentFrame(const uint32_t* pixels);

// Releases the display and gives the desktop back. Safe to call twice.
void closeDisplay();

// Window messages, with the values the Win32 message loop uses, so that a
// Win32 window procedure can hand its messages on unchanged.
constexpr uint32_t windowMessageClose = 0x10;        // WM_CLOSE
constexpr uint32_t windowMessageActivateApp = 0x1C;  // WM_ACTIVATEAPP: wParam 0 = inactive
constexpr uint32_t windowMessageSetCursor = 0x20;    // WM_SETCURSOR
constexpr uint32_t windowMessageKeyDown = 0x100;     // WM_KEYDOWN: wParam = virtual key
constexpr uintptr_t virtualKeyEscape = 27;           // VK_ESCAPE

enum class WindowResult {
    handled,         // the message was dealt with; the result is 0
    defaultHandling  // the platform's default handling applies
};

// The window's logic, run on the main thread by displayPlatformPumpMessages.
// Escape and closing the window release the display and end the process with
// exit code 0; activation sets the active flag; other keys are ignored.
WindowResult windowProcedure(uint32_t message, uintptr_t wParam);
