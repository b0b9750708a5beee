// Plays the real songs of the outside test material, made by other people.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fixture.h"

namespace {

const std::string songDir = std::string(LUMEN_TESTDATA_DIR) + "/xm/";

bool haveSongs() { return std::filesystem::is_directory(songDir); }

struct SongCase {
    const char* file;
    int64_t frames;  // one pass; -1: must be refused
};

const SongCase songs[] = {
    {"milky_theday.xm", 7651264},
    {"milky_milky.xm", 5405184},
    {"libxmp_roadblas.xm", 5713596},
    {"deb-heroes_endscroll.xm", 6566912},
    {"libxmp_grass_near_the_house.xm", -1},
    {"deb-bomberclone_cerror_numero_2.xm", 5629120},
    {"deb-pekka_song02.xm", 6604416},
    {"mpttest_Tremor.xm", 330624},
    {"mpttest_EnvLoops.xm", 462840},
    {"mpttest_SetEnvPos.xm", 84672},
    {"mpttest_key_off.xm", 320166},
    {"libxmp_dontyou.xm", -1},
};

TEST(RealSongs, OnePassLengthsOrCleanRefusals) {
    if (!haveSongs()) GTEST_SKIP() << "no test songs at " << songDir;
    for (const SongCase& s : songs) {
        SCOPED_TRACE(s.file);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(readWholeFile((songDir + s.file).c_str(), bytes));
        ModulePtr m = loadBytes(bytes);
        if (s.frames < 0) {
            EXPECT_EQ(m, nullptr);
            EXPECT_GT(std::string(moduleLoadError()).size(), 0u);
            continue;
        }
        ASSERT_NE(m, nullptr) << moduleLoadError();
        PassResult pass = timeOnePass(m.get(), PassOptions{});
        EXPECT_TRUE(pass.complete);
        EXPECT_EQ(pass.frames, s.frames);
    }
}

TEST(RealSongs, PackedSamplesLoadSilencedAndPlay) {
    if (!haveSongs()) GTEST_SKIP() << "no test songs at " << songDir;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile((songDir + "libxmp_MRHPx-HBTN_LUCiFER.xm").c_str(), bytes));
    ModulePtr m = loadBytes(bytes);
    ASSERT_NE(m, nullptr) << moduleLoadError();
    PassOptions options;
    options.secondsLimit = 30;
    std::vector<int16_t> frames;
    PassResult pass = renderOnePass(m.get(), options, frames);
    EXPECT_GT(pass.frames, 0);
}

// The mixing path on a real song: the rendered pass has the timed length and
// sound in it.
TEST(RealSongs, RendersAPassOfTheTimedLength) {
    if (!haveSongs()) GTEST_SKIP() << "no test songs at " << songDir;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile((songDir + "mpttest_Tremor.xm").c_str(), bytes));
    ModulePtr m = loadBytes(bytes);
    ASSERT_NE(m, nullptr) << moduleLoadError();
    std::vector<int16_t> frames;
    PassResult pass = renderOnePass(m.get(), PassOptions{}, frames);
    EXPECT_EQ(pass.frames, 330624);
    EXPECT_EQ(frames.size(), 330624u * 2);
    int peak = 0;
    for (int16_t v : frames) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_GT(peak, 1000);
}

}  // namespace
