// Process services on Windows: ending the process, the one message box, and
// sleeping.
#include "core/platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

void platformExitProcess(int code) {
    // ExitProcess ends every thread, the mixing thread included, without
    // running static destructors that thread may still depend on.
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
