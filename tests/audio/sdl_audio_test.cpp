#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "audio/memory_file.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "audio/wave_output.h"
#include "sdl_audio.h"

namespace {

// Without a usable sound device the output falls back to a silent one that
// still consumes the ring in real time, and the mixing thread keeps filling it.
TEST(SdlAudio, WithoutADeviceTheRingIsStillConsumed) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, memoryFileSeek, memoryFileTell);
    soundSetBufferLength(100);
    ASSERT_TRUE(soundOpen(44100));
    EXPECT_EQ(std::string(sdlAudioDriver()), "dummy");
    const uint32_t twoRings = 2 * static_cast<uint32_t>(ringFrames) * 4;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waveOutputBytesPlayed() < twoRings && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GE(waveOutputBytesPlayed(), twoRings);
    soundClose();
    EXPECT_EQ(threadFinished.load(), 1);
    EXPECT_EQ(std::string(sdlAudioDriver()), "");
    EXPECT_EQ(sdlAudioUnderruns(), 0u);
}

}  // namespace
