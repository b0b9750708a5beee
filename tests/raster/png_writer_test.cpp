#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "png_writer.h"

namespace {

std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

TEST(PngWriter, FrameRoundTrips) {
    const int width = 37, height = 5;  // an odd width checks the row length
    std::vector<uint32_t> pixels(width * height);
    for (int i = 0; i < width * height; ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFFu;
    pixels[0] = 0xFF123456u;  // the unused top byte is not written
    const std::string path = tempPath("lumen_png_round_trip.png");
    ASSERT_TRUE(writeFramePng(path.c_str(), pixels.data(), width, height));
    std::vector<uint32_t> back;
    int w = 0, h = 0;
    ASSERT_TRUE(readFramePng(path.c_str(), back, w, h));
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    pixels[0] &= 0xFFFFFFu;
    EXPECT_EQ(back, pixels);
    std::remove(path.c_str());
}

TEST(PngWriter, GreyRoundTrips) {
    const unsigned char grey[] = {0, 1, 127, 128, 254, 255};
    const std::string path = tempPath("lumen_png_grey.png");
    ASSERT_TRUE(writeGreyPng(path.c_str(), grey, 3, 2));
    std::vector<uint32_t> back;
    int w = 0, h = 0;
    ASSERT_TRUE(readFramePng(path.c_str(), back, w, h));
    ASSERT_EQ(back.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(back[i], grey[i] * 0x010101u);
    std::remove(path.c_str());
}

TEST(PngWriter, RefusesBadArgumentsAndFiles) {
    const uint32_t pixel = 0;
    const std::string path = tempPath("lumen_png_refused.png");
    EXPECT_FALSE(writeFramePng(path.c_str(), &pixel, 0, 1));
    EXPECT_FALSE(writeFramePng(path.c_str(), &pixel, 1, -1));
    EXPECT_FALSE(writeFramePng(path.c_str(), nullptr, 1, 1));
    EXPECT_FALSE(writeFramePng(nullptr, &pixel, 1, 1));
    EXPECT_FALSE(writeFramePng("/nonexistent-folder/x.png", &pixel, 1, 1));

    std::vector<uint32_t> back;
    int w = 0, h = 0;
    EXPECT_FALSE(readFramePng("/nonexistent-folder/x.png", back, w, h));
    std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\n but not really";
    EXPECT_FALSE(readFramePng(path.c_str(), back, w, h));
    std::remove(path.c_str());
}

}  // namespace
