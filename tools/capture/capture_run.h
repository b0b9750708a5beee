#pragma once
#include <cstdint>
#include <vector>

// Plays the show offline on the virtual display and the virtual sound device,
// one video frame at a time, exactly as the program would show and play it at
// a fixed frame rate: before each frame the device's byte counter moves on by
// one frame's worth of audio and the mixing thread's passes run in step.

constexpr int32_t captureSampleRate = 44100;

struct CaptureRun {
    int32_t fps = 60;
    uint64_t frameIndex = 0;      // the frame the next step draws
    uint64_t framesPlayed = 0;    // audio frames the device has played so far
    bool finished = false;        // the song has ended and the music is stopped
};

// Prepares the show with the model at `modelPath`, opens the virtual display
// and starts the music on the virtual device, with the mixing thread left to
// captureStep. Returns false (with a reason in `error`) when the display
// cannot be opened.
bool captureBegin(CaptureRun& run, int32_t fps, const char* modelPath, const char** error);

// Moves the device to the time of frame run.frameIndex, appending the 16-bit
// stereo frames it plays on the way to `played` (if given), then draws and
// presents that frame. Returns false, drawing nothing, once the show is over.
bool captureStep(CaptureRun& run, std::vector<int16_t>* played);

// Stops the music if it still plays and releases the display, so that
// another run can begin.
void captureEnd(CaptureRun& run);

// Seconds of show time at which frame `index` is drawn.
double captureFrameTime(const CaptureRun& run, uint64_t index);
