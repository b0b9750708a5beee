// Process services of the in-memory platform: real sleeping (the mixing
// thread paces itself with it), messages recorded and written to stderr,
// and an exit that tests can watch.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/platform.h"
#include "virtual_display.h"

VirtualProcess virtualProcess;

void platformExitProcess(int code) {
    if (virtualProcess.exitHook != nullptr) {
        virtualProcess.exitHook(code);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

void platformShowMessage(const char* text, const char* caption) {
    std::string line = caption != nullptr ? caption : "";
    line += ": ";
    line += text != nullptr ? text : "";
    virtualProcess.messages.push_back(line);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void platformSleep(uint32_t milliseconds) {
    virtualProcess.sleeps.fetch_add(1, std::memory_order_relaxed);
    virtualProcess.lastSleepMilliseconds.store(milliseconds, std::memory_order_relaxed);
    if (!virtualProcess.realSleep.load(std::memory_order_relaxed)) {
        return;
    }
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}
