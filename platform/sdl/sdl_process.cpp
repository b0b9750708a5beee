// Process services on SDL2: sleeping, the one message box, ending the process.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/platform.h"

void platformExitProcess(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    // The mixing thread may still be running: end everything at once, without
    // static destructors pulling state from under it.
    std::_Exit(code);
}

void platformShowMessage(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    // A box only where a desktop can show it; without one the line above is
    // the whole message.
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0')) {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, nullptr);
    }
}

void platformSleep(uint32_t milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        SDL_Delay(milliseconds);
    }
}
