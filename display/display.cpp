#include "display/display.h"

#include "core/platform.h"
#include "display/display_platform.h"

DisplaySession displaySession;

bool openDisplay(const char* windowName, int32_t width, int32_t height) {
    displaySession.width = width;
    displaySession.height = height;
    if (width <= 0 || height <= 0) {
        return false;
    }

    PixelLayout layout{};
    if (!displayPlatformOpen(windowName, width, height, &layout)) {
        return false;
    }
    const PixelConverter converter =
        choosePixelConverter(layout.bitCount, layout.redMask, layout.greenMask, layout.blueMask);
    if (converter == nullptr) {
        return false;
    }
    displaySession.converter = converter;
    displaySession.bytesPerPixel = static_cast<int32_t>(layout.bitCount / 8);
    displaySession.open = true;
    return true;
}

int32_t presentFrame(const uint32_t* pixels) {
    displayPlatformPumpMessages();

    if (displaySession.active == 0) {
        platformSleep(1);
        return 1;
    }
    // Nothing to draw into before a successful opening.
    if (!displaySession.open) {
        return 0;
    }

    displayPlatformRestore();

    uint8_t* firstPixel = nullptr;
    int32_t pitch = 0;
    if (!displayPlatformLock(&firstPixel, &pitch)) {
        return 0;
    }

    const int32_t width = displaySession.width;
    const int32_t rowBytes = width * displaySession.bytesPerPixel;
    // A pitch shorter than one converted row would make the rows overlap and
    // the last one run past the surface: refuse the frame instead.
    if (firstPixel == nullptr || pitch < rowBytes) {
        displayPlatformUnlock(firstPixel);
        return 0;
    }

    const PixelConverter converter = displaySession.converter;
    const uint32_t* source = pixels;
    uint8_t* destination = firstPixel;
    for (int32_t y = 0; y < displaySession.height; ++y) {
        converter(source, destination, width);
        source += width;
        destination += pitch;
    }

    displayPlatformUnlock(firstPixel);
    displayPlatformFlip();
    platformSleep(0);
    return 1;
}

void closeDisplay() {
    displayPlatformClose();
    displaySession.open = false;
    displaySession.active = 0;
    displaySession.converter = nullptr;
}

WindowResult windowProcedure(uint32_t message, uintptr_t wParam) {
    switch (message) {
        case windowMessageActivateApp:
            displaySession.active = static_cast<int32_t>(wParam);
            return WindowResult::handled;
        case windowMessageSetCursor:
            displayPlatformHideCursor();
            return WindowResult::handled;
        case windowMessageKeyDown:
            if ((wParam & 0xFF) == virtualKeyEscape) {
                closeDisplay();
                platformExitProcess(0);
            }
            return WindowResult::handled;
        case windowMessageClose:
            closeDisplay();
            platformExitProcess(0);
        default:
            return WindowResult::defaultHandling;
    }
}
