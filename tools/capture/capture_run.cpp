#include "capture_run.h"

#include <algorithm>
#include <cstdlib>

#include "audio/music_player.h"
#include "audio/sound.h"
#include "display/display.h"
#include "show/show.h"
#include "virtual_audio.h"

namespace {

// The mixing thread looks at the device every 2 ms; the device is moved on in
// pieces no longer than that, so the song's position seen by each frame is
// the one the thread would have reached by then.
constexpr uint64_t threadPollFrames = captureSampleRate * 2 / 1000;

bool showEnded = false;

void noteShowEnd() {
    // The program would release the display and end here; the capture keeps
    // running its own loop and closes the display itself.
    showEnded = true;
    closeDisplay();
}

// Appends the frames the device plays between two cursor positions, read from
// the ring as it stands (each block was mixed a few blocks earlier).
void collectPlayed(uint64_t from, uint64_t to, std::vector<int16_t>* played) {
    if (played == nullptr || outputRing == nullptr || ringFrames <= 0) return;
    const uint64_t ring = static_cast<uint64_t>(ringFrames);
    for (uint64_t frame = from; frame < to; ++frame) {
        const uint64_t slot = frame % ring;
        played->push_back(outputRing[slot * 2]);
        played->push_back(outputRing[slot * 2 + 1]);
    }
}

// The device plays on to `target` frames; the thread refills behind it.
void advanceDevice(CaptureRun& run, uint64_t target, std::vector<int16_t>* played) {
    while (run.framesPlayed < target) {
        const uint64_t next = std::min(target, run.framesPlayed + threadPollFrames);
        collectPlayed(run.framesPlayed, next, played);
        run.framesPlayed = next;
        const auto bytes = static_cast<uint32_t>(next * 4);  // the device's 32-bit counter
        virtualAudioSetBytesPlayed(bytes);
        if (outputRing != nullptr) {
            while (mixingPass(bytes)) {
            }
        }
    }
}

}  // namespace

double captureFrameTime(const CaptureRun& run, uint64_t index) {
    return static_cast<double>(index) / run.fps;
}

bool captureBegin(CaptureRun& run, int32_t fps, const char* modelPath, const char** error) {
    run = CaptureRun{};
    run.fps = fps;
    showEnded = false;
    // The capture runs the thread's passes itself, in step with the frames.
    virtualAudioSetThreaded(false);
    if (musicPlayer.module != nullptr) musicPlayer.stop();
    // The program never seeds the generator that scatters the particles; a
    // generator never seeded runs as after srand(1), so every run in one
    // process scatters them as the program does.
    std::srand(1);
    prepareShowWithModel(modelPath);
    rewindShow();
    setShowEndHandler(noteShowEnd);
    if (!openDisplay("quorbel::lumen", 640, 480)) {
        if (error != nullptr) *error = "the virtual display cannot be opened";
        return false;
    }
    startShow();
    return true;
}

void captureEnd(CaptureRun& run) {
    if (!run.finished && musicPlayer.module != nullptr) musicPlayer.stop();
    run.finished = true;
    closeDisplay();
    setShowEndHandler(nullptr);
}

bool captureStep(CaptureRun& run, std::vector<int16_t>* played) {
    if (run.finished) return false;
    // Exact over any length: frame k is shown at k / fps seconds.
    const uint64_t target = run.frameIndex * captureSampleRate / static_cast<uint64_t>(run.fps);
    advanceDevice(run, target, played);
    drawShowFrame();
    if (showEnded || showFinished()) {
        run.finished = true;
        return false;
    }
    presentFrame(frameBuffer.pixels);
    ++run.frameIndex;
    return true;
}
