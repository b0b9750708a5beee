// The display on SDL2: a desktop-wide full-screen window showing a 640x480
// picture scaled up with whole pixels kept sharp and the aspect kept, fed
// from a streaming texture that serves as the back buffer.
#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "display/display.h"
#include "display/display_platform.h"
#include "sdl_display.h"

const uint32_t sdlTextureFormats[sdlTextureFormatCount] = {
    SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_ABGR8888,
    SDL_PIXELFORMAT_BGR24,  SDL_PIXELFORMAT_RGB24,    SDL_PIXELFORMAT_RGB565, SDL_PIXELFORMAT_BGR565,
    SDL_PIXELFORMAT_RGB555, SDL_PIXELFORMAT_BGR555,
};

bool sdlPixelLayout(uint32_t format, PixelLayout* layout) {
    int bits = 0;
    Uint32 red = 0, green = 0, blue = 0, alpha = 0;
    if (SDL_PixelFormatEnumToMasks(format, &bits, &red, &green, &blue, &alpha) == SDL_FALSE || red == 0 ||
        green == 0 || blue == 0) {
        return false;
    }
    layout->bitCount = static_cast<uint32_t>(SDL_BYTESPERPIXEL(format)) * 8;
    layout->redMask = red;
    layout->greenMask = green;
    layout->blueMask = blue;
    return true;
}

namespace {

struct SdlDisplay {
    bool videoStarted;
    SDL_Window* window;
    SDL_Renderer* renderer;
    SDL_Texture* texture;
    bool locked;
    bool focusSeen;        // a real focus event arrived: it decides from now on
    bool activationSent;   // activation was reported at least once
    double pacePeriod;     // seconds between flips when the display outruns 60 Hz; 0 = vsync alone
    uint64_t nextFlip;     // performance counter time of the earliest next flip
};

SdlDisplay sdl;

// Drivers that open a "display" nobody can see. The show refuses them unless
// asked for one on purpose (tests that run without an X server).
bool offscreenAllowed() {
    const char* allow = std::getenv("LUMEN_ALLOW_OFFSCREEN");
    return allow != nullptr && std::strcmp(allow, "1") == 0;
}

bool invisibleDriver(const char* driver) {
    if (driver == nullptr) {
        return true;
    }
    const bool invisible = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
    return invisible && !offscreenAllowed();
}

// Tries the 32-bit layouts, then 24, then 16, among the formats the renderer
// takes without converting; falls back to 32-bit red high, which every
// renderer accepts (converting it itself if need be).
Uint32 chooseTextureFormat(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) == 0) {
        for (Uint32 candidate : sdlTextureFormats) {
            for (Uint32 i = 0; i < info.num_texture_formats; ++i) {
                if (info.texture_formats[i] == candidate) {
                    return candidate;
                }
            }
        }
    }
    return SDL_PIXELFORMAT_RGB888;
}

void reportActivation(uintptr_t active) {
    sdl.activationSent = true;
    windowProcedure(windowMessageActivateApp, active);
}

// Windows virtual-key codes for the keys that have one by the same rule
// (letters, digits, space); everything else gets a code that is not Escape.
uintptr_t virtualKey(SDL_Keycode key) {
    if (key == SDLK_ESCAPE) {
        return virtualKeyEscape;
    }
    if (key >= SDLK_a && key <= SDLK_z) {
        return static_cast<uintptr_t>(key - SDLK_a + 'A');
    }
    if ((key >= SDLK_0 && key <= SDLK_9) || key == SDLK_SPACE) {
        return static_cast<uintptr_t>(key);
    }
    return 0xFF;
}

void handleWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            sdl.focusSeen = true;
            reportActivation(1);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            sdl.focusSeen = true;
            reportActivation(0);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            reportActivation(0);
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
            // Without a window manager no focus event ever comes: a window
            // that is on screen then counts as active.
            if (!sdl.focusSeen || (SDL_GetWindowFlags(sdl.window) & SDL_WINDOW_INPUT_FOCUS) != 0) {
                reportActivation(1);
            }
            break;
        case SDL_WINDOWEVENT_ENTER:
            windowProcedure(windowMessageSetCursor, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            windowProcedure(windowMessageClose, 0);
            break;
        default:
            break;
    }
}

double secondsPerCount() {
    return 1.0 / static_cast<double>(SDL_GetPerformanceFrequency());
}

// The show steps once per frame and was timed for 60 frames a second. Where
// the display refreshes faster (or its rate is unknown), flips are held to at
// most one per sixtieth of a second.
void paceFlip() {
    if (sdl.pacePeriod <= 0.0) {
        return;
    }
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    const uint64_t period = static_cast<uint64_t>(sdl.pacePeriod * static_cast<double>(frequency));
    uint64_t now = SDL_GetPerformanceCounter();
    if (sdl.nextFlip != 0 && now < sdl.nextFlip) {
        // Sleep in whole milliseconds, then wait out the rest.
        const double remaining = static_cast<double>(sdl.nextFlip - now) * secondsPerCount();
        const auto wholeMilliseconds = static_cast<Uint32>(remaining * 1000.0);
        if (wholeMilliseconds > 1) {
            SDL_Delay(wholeMilliseconds - 1);
        }
        while ((now = SDL_GetPerformanceCounter()) < sdl.nextFlip) {
        }
    }
    // Keep the cadence; after a long stall start afresh instead of catching up.
    if (sdl.nextFlip == 0 || now > sdl.nextFlip + period) {
        sdl.nextFlip = now + period;
    } else {
        sdl.nextFlip += period;
    }
}

bool hasValue(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

// Starts SDL's video on a driver that can reach a desktop. Unless a driver
// was named in SDL_VIDEODRIVER, only the desktops the environment names are
// tried, so that a machine without any fails quietly instead of SDL probing
// (and printing about) every driver it knows.
bool startVideo() {
    if (hasValue("SDL_VIDEODRIVER")) {
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    const char* candidates[3] = {};
    int count = 0;
    if (hasValue("DISPLAY")) {
        candidates[count++] = "x11";
    }
    if (hasValue("WAYLAND_DISPLAY")) {
        candidates[count++] = "wayland";
    }
    if (offscreenAllowed()) {
        candidates[count++] = "offscreen";
    }
    for (int i = 0; i < count; ++i) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, candidates[i]);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool displayPlatformOpen(const char* windowName, int32_t width, int32_t height, PixelLayout* layout) {
    if (!startVideo()) {
        return false;
    }
    sdl.videoStarted = true;
    if (invisibleDriver(SDL_GetCurrentVideoDriver())) {
        return false;
    }

    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    sdl.window = SDL_CreateWindow(windowName, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                  SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (sdl.window == nullptr) {
        return false;
    }
    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (sdl.renderer == nullptr) {
        sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_PRESENTVSYNC);
    }
    if (sdl.renderer == nullptr) {
        sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
    }
    if (sdl.renderer == nullptr) {
        return false;
    }
    if (SDL_RenderSetLogicalSize(sdl.renderer, width, height) != 0) {
        return false;
    }

    const Uint32 format = chooseTextureFormat(sdl.renderer);
    sdl.texture = SDL_CreateTexture(sdl.renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (sdl.texture == nullptr || !sdlPixelLayout(format, layout)) {
        return false;
    }
    // An alpha channel, where the format has one, is not ours: the top byte
    // of every pixel is 0 and must not make the picture transparent.
    SDL_SetTextureBlendMode(sdl.texture, SDL_BLENDMODE_NONE);

    // The flip waits for the display's refresh. On a display faster than
    // 60 Hz it also waits for the next sixtieth of a second; where the rate
    // is unknown (Xvfb reports none) or vsync is not to be had, the timer
    // alone sets the pace, since a vsync of unknown rate would beat against it.
    SDL_RendererInfo info;
    const bool vsync = SDL_GetRendererInfo(sdl.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    SDL_DisplayMode mode;
    const int displayIndex = SDL_GetWindowDisplayIndex(sdl.window);
    const int refresh =
        (displayIndex >= 0 && SDL_GetCurrentDisplayMode(displayIndex, &mode) == 0) ? mode.refresh_rate : 0;
    if (refresh == 0 && vsync) {
        SDL_RenderSetVSync(sdl.renderer, 0);
    }
    sdl.pacePeriod = (!vsync || refresh == 0 || refresh > 61) ? 1.0 / 60.0 : 0.0;
    sdl.nextFlip = 0;

    SDL_ShowCursor(SDL_DISABLE);
    // Start on black rather than whatever the window held.
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderPresent(sdl.renderer);

    // Activation comes with the window's first events (see the pump).
    sdl.focusSeen = false;
    sdl.activationSent = false;
    return true;
}

void displayPlatformPumpMessages() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
            case SDL_QUIT:
                windowProcedure(windowMessageClose, 0);
                break;
            case SDL_KEYDOWN:
                windowProcedure(windowMessageKeyDown, virtualKey(event.key.keysym.sym));
                break;
            case SDL_WINDOWEVENT:
                handleWindowEvent(event.window);
                break;
            default:
                break;
        }
    }
    // No event at all about the window's state yet: a window that is shown
    // and not minimised is taken as active.
    if (!sdl.activationSent && sdl.window != nullptr) {
        const Uint32 flags = SDL_GetWindowFlags(sdl.window);
        if ((flags & SDL_WINDOW_SHOWN) != 0 && (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == 0) {
            reportActivation(1);
        }
    }
}

void displayPlatformRestore() {
    // SDL keeps its textures across focus changes and mode switches itself.
}

bool displayPlatformLock(uint8_t** firstPixel, int32_t* pitch) {
    if (sdl.texture == nullptr || sdl.locked) {
        return false;
    }
    void* pixels = nullptr;
    int rowPitch = 0;
    if (SDL_LockTexture(sdl.texture, nullptr, &pixels, &rowPitch) != 0) {
        return false;
    }
    sdl.locked = true;
    *firstPixel = static_cast<uint8_t*>(pixels);
    *pitch = rowPitch;
    return true;
}

void displayPlatformUnlock(uint8_t* /*firstPixel*/) {
    if (sdl.locked) {
        SDL_UnlockTexture(sdl.texture);
        sdl.locked = false;
    }
}

void displayPlatformFlip() {
    if (sdl.renderer == nullptr || sdl.texture == nullptr) {
        return;
    }
    SDL_RenderClear(sdl.renderer);
    SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, nullptr);
    paceFlip();
    SDL_RenderPresent(sdl.renderer);
}

void displayPlatformHideCursor() {
    SDL_ShowCursor(SDL_DISABLE);
}

void displayPlatformClose() {
    if (sdl.texture != nullptr) {
        if (sdl.locked) {
            SDL_UnlockTexture(sdl.texture);
            sdl.locked = false;
        }
        SDL_DestroyTexture(sdl.texture);
        sdl.texture = nullptr;
    }
    if (sdl.renderer != nullptr) {
        SDL_DestroyRenderer(sdl.renderer);
        sdl.renderer = nullptr;
    }
    if (sdl.window != nullptr) {
        SDL_DestroyWindow(sdl.window);
        sdl.window = nullptr;
    }
    if (sdl.videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        sdl.videoStarted = false;
    }
    sdl.focusSeen = false;
    sdl.activationSent = false;
}
