#include "show/show.h"

#include <cstring>

FrameBuffer frameBuffer;

void prepareShow() {}

void startShow() {}

void drawShowFrame() {
    std::memset(frameBuffer.pixels, 0, sizeof frameBuffer.pixels);
}
