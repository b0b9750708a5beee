// Process services on Windows: ending the process, the one message box, and
// sleeping.
#include "core/platform.h"

#include "audio/sound.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

void platformExitProcess(int code) {
    // The mixing thread runs at time-critical priority and spends much of its
    // life inside the wave driver's calls. ExitProcess would end it wherever
    // it stands and then let the driver close its device on the way out,
    // which can bring the process down with a crash instead of the exit
    // code. So the thread finishes its block and the device is closed first
    // (nothing is open when the sound device never opened).
    soundClose();
    ExitProcess(static_cast<UINT>(code));
}

void platformShowMessage(const char* text, const char* caption) {
    // Written first, so that a log or a test sees the message even while the
    // box is still waiting for its OK.
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    MessageBoxA(nullptr, text, caption, MB_OK);
}

void platformSleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}
