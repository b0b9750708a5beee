#pragma once
#include "core/frame_buffer.h"

// The program-wide picture, all black at start.
extern FrameBuffer frameBuffer;

// The show's three steps, run by the entry: before the display opens, right
// after it has opened, and once per pass of the frame loop.
void prepareShow();
void startShow();
void drawShowFrame();
