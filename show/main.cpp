#include "core/frame_buffer.h"
#include "display/display.h"
#include "show/show.h"

// The program: prepare the show, open the display, start the music, then draw
// and present frames for as long as the process lives. The process ends from
// the window procedure (Escape, closing the window) or from the show itself.
int main() {
    prepareShow();
    if (!openDisplay("quorbel::lumen", frameWidth, frameHeight)) {
        return 1;
    }
    startShow();
    for (;;) {
        drawShowFrame();
        presentFrame(frameBuffer.pixels);
    }
}
