#include <gtest/gtest.h>

#include "audio/music_player.h"
#include "audio/sound.h"
#include "player/module.h"
#include "virtual_audio.h"

namespace {

TEST(MusicPlayer, AnswersZeroWithoutAModule) {
    MusicPlayer player;
    EXPECT_EQ(player.getOrder(), 0);
    EXPECT_EQ(player.getRow(), 0);
    EXPECT_EQ(player.getSeconds(), 0.0f);
}

TEST(MusicPlayer, SecondsMoveInWholeMilliseconds) {
    MusicPlayer player;
    Module m{};
    player.module = &m;
    m.playSeconds = 1.2345f;
    EXPECT_NEAR(player.getSeconds(), 1.234f, 1e-6);
    m.playSeconds = 0.0009f;
    EXPECT_EQ(player.getSeconds(), 0.0f);
    m.orderPosition = 7;
    m.row = 33;
    EXPECT_EQ(player.getOrder(), 7);
    EXPECT_EQ(player.getRow(), 33);
    player.module = nullptr;
}

TEST(MusicPlayer, StartsPlaysAndStops) {
    virtualAudioSetAvailable(true);
    virtualAudioSetThreaded(false);
    MusicPlayer player;
    EXPECT_TRUE(player.start());
    ASSERT_NE(player.module, nullptr);
    EXPECT_EQ(player.getOrder(), 0);
    EXPECT_EQ(player.getRow(), 0);
    EXPECT_EQ(player.getSeconds(), 0.0f);
    // Drive the device through a second of play.
    uint32_t bytes = 0;
    for (int i = 0; i < 60; ++i) {
        bytes += static_cast<uint32_t>(blockLength) * 4;
        mixingPass(bytes);
    }
    EXPECT_GT(player.getSeconds(), 0.5f);
    player.stop();
    EXPECT_EQ(player.module, nullptr);
    EXPECT_EQ(player.getOrder(), 0);
    EXPECT_EQ(player.getSeconds(), 0.0f);
    player.stop();  // a second stop is harmless
}

TEST(MusicPlayer, WithoutASoundDeviceTheSongStandsStill) {
    virtualAudioSetAvailable(false);
    MusicPlayer player;
    EXPECT_TRUE(player.start());
    EXPECT_NE(player.module, nullptr) << "the song is loaded and marked playing";
    EXPECT_EQ(player.getOrder(), 0);
    EXPECT_EQ(player.getRow(), 0);
    EXPECT_EQ(player.getSeconds(), 0.0f);
    player.stop();
    virtualAudioSetAvailable(true);
}

}  // namespace
