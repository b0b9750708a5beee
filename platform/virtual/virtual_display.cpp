// An in-memory display: its layout, pitch, lock failures, window messages
// and activation are set by tests, and its back buffer can be read.
#include "virtual_display.h"

#include <cstring>

#include "display/display.h"

VirtualDisplay virtualDisplay;

void virtualDisplayReset() {
    virtualDisplay = VirtualDisplay{};
}

void virtualDisplayQueueMessage(uint32_t message, uintptr_t wParam) {
    virtualDisplay.queuedMessages.push_back({message, wParam});
}

bool displayPlatformOpen(const char* windowName, int32_t width, int32_t height, PixelLayout* layout) {
    VirtualDisplay& d = virtualDisplay;
    ++d.opens;
    d.windowName = windowName != nullptr ? windowName : "";
    d.width = width;
    d.height = height;
    if (d.openFails) {
        return false;
    }
    const int32_t bytesPerPixel = static_cast<int32_t>(d.layout.bitCount + 7) / 8;
    if (d.pitch == 0) {
        d.pitch = width * bytesPerPixel;
    }
    const size_t size = static_cast<size_t>(d.pitch > 0 ? d.pitch : 0) * static_cast<size_t>(height);
    d.backBuffer.assign(size, 0xCD);
    d.frontBuffer.assign(size, 0xCD);
    d.open = true;
    *layout = d.layout;
    if (d.activateOnOpen) {
        virtualDisplayQueueMessage(windowMessageActivateApp, 1);
    }
    return true;
}

void displayPlatformPumpMessages() {
    VirtualDisplay& d = virtualDisplay;
    ++d.pumps;
    // A message may queue further ones or end the process; take them one by one.
    while (!d.queuedMessages.empty()) {
        const VirtualWindowMessage m = d.queuedMessages.front();
        d.queuedMessages.pop_front();
        windowProcedure(m.message, m.wParam);
    }
}

void displayPlatformRestore() {
    ++virtualDisplay.restores;
}

bool displayPlatformLock(uint8_t** firstPixel, int32_t* pitch) {
    VirtualDisplay& d = virtualDisplay;
    ++d.locks;
    if (!d.open || d.locked) {
        return false;
    }
    if (d.failingLocks > 0) {
        --d.failingLocks;
        return false;
    }
    d.locked = true;
    *firstPixel = d.backBuffer.data();
    *pitch = d.pitch;
    return true;
}

void displayPlatformUnlock(uint8_t* /*firstPixel*/) {
    ++virtualDisplay.unlocks;
    virtualDisplay.locked = false;
}

void displayPlatformFlip() {
    VirtualDisplay& d = virtualDisplay;
    ++d.flips;
    d.frontBuffer = d.backBuffer;
}

void displayPlatformHideCursor() {
    ++virtualDisplay.cursorHides;
}

void displayPlatformClose() {
    VirtualDisplay& d = virtualDisplay;
    ++d.closes;
    d.open = false;
    d.locked = false;
}
