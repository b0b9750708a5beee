#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "audio/memory_file.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "core/list.h"
#include "player/loader.h"
#include "player/module.h"
#include "player/sequencer.h"
#include "virtual_audio.h"

namespace {

// Songs are loaded, started, stopped and freed on this thread while the
// mixing thread ticks and mixes them and a stand-in device moves the byte
// counter, as fast as ten times real time. Under ThreadSanitizer this must
// run without a report.
TEST(MixingThread, SongsComeAndGoWhileTheThreadMixes) {
    setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, memoryFileSeek, memoryFileTell);
    virtualAudioSetAvailable(true);
    virtualAudioSetThreaded(true);
    soundSetBufferLength(100);
    ASSERT_TRUE(soundOpen(44100));

    std::atomic<bool> done{false};
    std::thread device([&] {
        while (!done.load()) {
            virtualAudioAdvance(441 * 4);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    float heard = 0.0f;
    for (int round = 0; round < 12; ++round) {
        std::vector<Module*> songs;
        for (int k = 0; k < 1 + round % 3; ++k) {
            Module* song = moduleLoad(nullptr, nullptr);
            ASSERT_NE(song, nullptr);
            EXPECT_TRUE(modulePlay(song));
            songs.push_back(song);
        }
        // What the show reads each frame, without any lock.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
        int32_t order = 0, row = 0;
        while (std::chrono::steady_clock::now() < until) {
            for (Module* song : songs) {
                order += song->orderPosition.load(std::memory_order_relaxed);
                row += song->row.load(std::memory_order_relaxed);
                heard += song->playSeconds.load(std::memory_order_relaxed);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_GE(order + row, 0);
        if (round % 2 == 0) moduleStop(songs.front());
        // Starting a song that is playing starts it again.
        if (round % 4 == 1) modulePlay(songs.back());
        for (Module* song : songs) EXPECT_TRUE(moduleFree(song));
        EXPECT_TRUE(listEmpty(&playingModules));
    }
    EXPECT_GT(heard, 0.0f) << "the thread advanced the songs";

    done = true;
    device.join();
    soundClose();
    EXPECT_EQ(threadFinished.load(), 1);
    virtualAudioSetThreaded(false);
}

}  // namespace
