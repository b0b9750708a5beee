// The full-screen display on Windows: a borderless popup window that owns an
// exclusive 640x480 DirectDraw mode with a flip chain. DirectDraw is loaded
// at run time, so the program starts (and fails cleanly) where it is missing.
#include "display/display.h"
#include "display/display_platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <ddraw.h>
#include <mmsystem.h>

#include <cstdint>

namespace {

using DirectDrawCreateFunction = HRESULT(WINAPI*)(GUID* driver, IDirectDraw** directDraw, IUnknown* outer);

HWND window = nullptr;
HMODULE library = nullptr;
IDirectDraw* directDraw = nullptr;
IDirectDrawSurface* primarySurface = nullptr;
IDirectDrawSurface* backSurface = nullptr;

// Frame pacing for flips that do not wait for a vertical blank (emulated or
// virtual displays flip at once): no more than 60 frames per second, since
// every animation of the show steps once per frame.
constexpr int64_t framesPerSecondLimit = 60;
int64_t counterFrequency = 0;
int64_t nextFrameTime = 0;
bool timerResolutionRaised = false;

int64_t counterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void paceFrame() {
    if (counterFrequency <= 0) {
        return;
    }
    const int64_t period = counterFrequency / framesPerSecondLimit;
    int64_t now = counterNow();
    if (nextFrameTime == 0 || now - nextFrameTime > period) {
        // First frame, or far behind (a slow frame, a real vertical blank
        // wait): start the schedule afresh rather than rushing to catch up.
        nextFrameTime = now + period;
        return;
    }
    if (now < nextFrameTime) {
        const int64_t milliseconds = (nextFrameTime - now) * 1000 / counterFrequency;
        if (milliseconds > 0) {
            Sleep(static_cast<DWORD>(milliseconds));
        }
    }
    nextFrameTime += period;
}

// Every message of the window goes through the core's window logic; what it
// leaves alone gets the system's default handling.
LRESULT CALLBACK lumenWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (windowProcedure(message, static_cast<uintptr_t>(wParam)) == WindowResult::handled) {
        return 0;
    }
    return DefWindowProcA(handle, message, wParam, lParam);
}

bool createPrimarySurface(DWORD flags, DWORD capabilities, DWORD backBufferCount) {
    DDSURFACEDESC description{};
    description.dwSize = sizeof(description);
    description.dwFlags = flags;
    description.dwBackBufferCount = backBufferCount;
    description.ddsCaps.dwCaps = capabilities;
    return SUCCEEDED(directDraw->CreateSurface(&description, &primarySurface, nullptr));
}

}  // namespace

bool displayPlatformOpen(const char* windowName, int32_t width, int32_t height, PixelLayout* layout) {
    library = LoadLibraryA("ddraw.dll");
    if (library == nullptr) {
        return false;
    }
    FARPROC entry = GetProcAddress(library, "DirectDrawCreate");
    if (entry == nullptr) {
        return false;
    }
    // Through void(*)(), the one function pointer type every other converts to
    // and from without a mismatch warning.
    auto directDrawCreate = reinterpret_cast<DirectDrawCreateFunction>(reinterpret_cast<void (*)()>(entry));
    if (FAILED(directDrawCreate(nullptr, &directDraw, nullptr))) {
        directDraw = nullptr;
        return false;
    }

    WNDCLASSA windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = lumenWindowProc;
    windowClass.lpszClassName = windowName;
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, windowName, windowName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    // Shown, although the exclusive mode then sizes it to the screen: a hidden
    // window gets no keyboard input (no Escape), and where the flip chain is
    // presented through the window (as under Wine) nothing would be seen.
    if (window != nullptr) {
        ShowWindow(window, SW_SHOW);
    }

    if (FAILED(directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN))) {
        return false;
    }
    const DWORD modeWidth = static_cast<DWORD>(width);
    const DWORD modeHeight = static_cast<DWORD>(height);
    if (FAILED(directDraw->SetDisplayMode(modeWidth, modeHeight, 32)) &&
        FAILED(directDraw->SetDisplayMode(modeWidth, modeHeight, 24)) &&
        FAILED(directDraw->SetDisplayMode(modeWidth, modeHeight, 16))) {
        return false;
    }

    const DWORD flipChain = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
    if (!createPrimarySurface(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, flipChain, 2) &&
        !createPrimarySurface(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, flipChain, 1) &&
        !createPrimarySurface(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY, 0)) {
        primarySurface = nullptr;
        return false;
    }

    // A primary surface without a flip chain has no back buffer: the opening
    // fails here, with the mode already switched.
    DDSCAPS backCapabilities{};
    backCapabilities.dwCaps = DDSCAPS_BACKBUFFER;
    if (FAILED(primarySurface->GetAttachedSurface(&backCapabilities, &backSurface))) {
        backSurface = nullptr;
        return false;
    }

    DDPIXELFORMAT format{};
    format.dwSize = sizeof(format);
    if (FAILED(primarySurface->GetPixelFormat(&format)) || (format.dwFlags & DDPF_RGB) == 0) {
        return false;
    }
    layout->bitCount = format.dwRGBBitCount;
    layout->redMask = format.dwRBitMask;
    layout->greenMask = format.dwGBitMask;
    layout->blueMask = format.dwBBitMask;

    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency)) {
        counterFrequency = frequency.QuadPart;
    }
    // Millisecond sleeps for the pacing instead of the default scheduler tick.
    timerResolutionRaised = timeBeginPeriod(1) == TIMERR_NOERROR;
    return true;
}

void displayPlatformPumpMessages() {
    MSG message;
    while (window != nullptr && PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void displayPlatformRestore() {
    if (primarySurface != nullptr) {
        primarySurface->Restore();
    }
}

bool displayPlatformLock(uint8_t** firstPixel, int32_t* pitch) {
    if (backSurface == nullptr) {
        return false;
    }
    DDSURFACEDESC description{};
    description.dwSize = sizeof(description);
    if (FAILED(backSurface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr))) {
        return false;
    }
    *firstPixel = static_cast<uint8_t*>(description.lpSurface);
    *pitch = description.lPitch;
    return true;
}

void displayPlatformUnlock(uint8_t* firstPixel) {
    if (backSurface != nullptr) {
        backSurface->Unlock(firstPixel);
    }
}

void displayPlatformFlip() {
    if (primarySurface != nullptr) {
        primarySurface->Flip(nullptr, DDFLIP_WAIT);
        paceFrame();
    }
}

void displayPlatformHideCursor() {
    SetCursor(nullptr);
}

void displayPlatformClose() {
    if (timerResolutionRaised) {
        timeEndPeriod(1);
        timerResolutionRaised = false;
    }
    if (primarySurface != nullptr) {
        // The back buffer belongs to the flip chain and goes with it.
        primarySurface->Release();
        primarySurface = nullptr;
        backSurface = nullptr;
    }
    if (directDraw != nullptr) {
        directDraw->RestoreDisplayMode();
        directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
        directDraw->Release();
        directDraw = nullptr;
    }
    if (window != nullptr) {
        HWND closing = window;
        window = nullptr;
        DestroyWindow(closing);
    }
    if (library != nullptr) {
        FreeLibrary(library);
        library = nullptr;
    }
}
