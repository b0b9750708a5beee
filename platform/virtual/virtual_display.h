#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "display/display_platform.h"

// Controls and records of the in-memory display, for tests and offline tools.
// Everything here is touched by the main thread only.
struct VirtualWindowMessage {
    uint32_t message;
    uintptr_t wParam;
};

struct VirtualDisplay {
    // Set by the test before openDisplay / presentFrame.
    bool openFails = false;                            // displayPlatformOpen reports false
    PixelLayout layout = {32, 0xFF0000, 0xFF00, 0xFF};  // what the display reports
    int32_t pitch = 0;                                 // row pitch in bytes; 0 = width x bytes per pixel
    int32_t failingLocks = 0;                          // this many next locks fail
    bool activateOnOpen = true;                        // queue activation as a real window would
    std::deque<VirtualWindowMessage> queuedMessages;   // handed to windowProcedure by the next pump

    // What the display holds and what was done to it.
    bool open = false;
    std::string windowName;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> backBuffer;   // pitch x height bytes, filled with 0xCD at opening
    std::vector<uint8_t> frontBuffer;  // the back buffer as of the last flip
    bool locked = false;
    int32_t opens = 0;
    int32_t pumps = 0;
    int32_t restores = 0;
    int32_t locks = 0;
    int32_t unlocks = 0;
    int32_t flips = 0;
    int32_t cursorHides = 0;
    int32_t closes = 0;
};

extern VirtualDisplay virtualDisplay;

// Puts the virtual display back to a fresh state (layout 32-bit red high).
void virtualDisplayReset();

// Queues a window message for the next displayPlatformPumpMessages.
void virtualDisplayQueueMessage(uint32_t message, uintptr_t wParam);

// Records of the process services.
struct VirtualProcess {
    std::atomic<uint32_t> sleeps{0};              // platformSleep calls
    std::atomic<uint32_t> lastSleepMilliseconds{0};
    std::atomic<bool> realSleep{true};            // false: platformSleep returns at once
    std::vector<std::string> messages;            // "caption: text" of each platformShowMessage
    void (*exitHook)(int code) = nullptr;         // called by platformExitProcess before it ends the process
};

extern VirtualProcess virtualProcess;
