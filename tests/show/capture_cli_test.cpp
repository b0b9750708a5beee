// lumen-capture run as a user runs it: the files it writes for a time range,
// and its refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "png_writer.h"

namespace {

namespace fs = std::filesystem;

const fs::path modelPath = fs::path(LUMEN_SOURCE_DIR) / "assets" / "spikigbox.3ds";

// Runs the tool in `folder` and returns its exit code.
int runCapture(const fs::path& folder, const std::string& arguments) {
    const std::string command =
        "cd '" + folder.string() + "' && '" LUMEN_CAPTURE_PATH "' " + arguments + " >output.txt 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path freshFolder(const char* name) {
    const fs::path folder = fs::temp_directory_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

uint32_t littleEndian32(const std::vector<char>& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

TEST(CaptureTool, WritesTheFramesSoundAndContactSheetOfATimeRange) {
    if (!fs::exists(modelPath)) GTEST_SKIP() << "no model file at " << modelPath;
    const fs::path folder = freshFolder("lumen-capture-cli-test");
    fs::copy_file(modelPath, folder / "spikigbox.3ds");
    ASSERT_EQ(runCapture(folder, "--fps 10 --from 0.5 --to 1.5 --frames-dir frames --wav show.wav "
                                 "--contact-sheet sheet.png"),
              0);

    // Frames 5 to 14 (0.5 s up to 1.5 s at 10 per second), and no others.
    int frameFiles = 0;
    for (const auto& entry : fs::directory_iterator(folder / "frames")) frameFiles += entry.is_regular_file();
    EXPECT_EQ(frameFiles, 10);
    std::vector<uint32_t> frame;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(readFramePng((folder / "frames" / "frame-000005.png").c_str(), frame, width, height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_TRUE(fs::exists(folder / "frames" / "frame-000014.png"));

    // Exactly one second of 16-bit stereo at 44100 Hz.
    std::ifstream wavFile(folder / "show.wav", std::ios::binary);
    const std::vector<char> wav((std::istreambuf_iterator<char>(wavFile)), std::istreambuf_iterator<char>());
    ASSERT_EQ(wav.size(), 44u + 44100u * 4);
    EXPECT_EQ(std::string(wav.data(), 4), "RIFF");
    EXPECT_EQ(std::string(wav.data() + 8, 8), "WAVEfmt ");
    EXPECT_EQ(littleEndian32(wav, 4), wav.size() - 8);
    EXPECT_EQ(littleEndian32(wav, 24), 44100u);
    EXPECT_EQ(littleEndian32(wav, 40), 44100u * 4);

    // One cell, the frame at 1 s, averaged down by four; its label sits in
    // the top-left corner, so compare the cell's lower half.
    ASSERT_TRUE(readFramePng((folder / "frames" / "frame-000010.png").c_str(), frame, width, height));
    std::vector<uint32_t> sheet;
    ASSERT_TRUE(readFramePng((folder / "sheet.png").c_str(), sheet, width, height));
    ASSERT_EQ(height, 120 + 2 * 4);
    ASSERT_EQ(width, 160 + 2 * 4);
    for (int y = 60; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            uint32_t sums[3] = {0, 0, 0};
            for (int dy = 0; dy < 4; ++dy) {
                for (int dx = 0; dx < 4; ++dx) {
                    const uint32_t p = frame[(y * 4 + dy) * 640 + x * 4 + dx];
                    sums[0] += (p >> 16) & 0xFF, sums[1] += (p >> 8) & 0xFF, sums[2] += p & 0xFF;
                }
            }
            const uint32_t expected = (sums[0] / 16) << 16 | (sums[1] / 16) << 8 | sums[2] / 16;
            ASSERT_EQ(sheet[(y + 4) * width + x + 4], expected) << x << ", " << y;
        }
    }
}

TEST(CaptureTool, RefusesBadOptionsAndAMissingModel) {
    const fs::path folder = freshFolder("lumen-capture-cli-refusals");
    for (const char* arguments : {"--fps 0", "--fps 2.5", "--to", "--from 3 --to 2", "--speed 2", "--from x"}) {
        EXPECT_EQ(runCapture(folder, arguments), 2) << arguments;
    }
    EXPECT_EQ(runCapture(folder, "--to 1"), 1) << "no spikigbox.3ds in the working directory";
    EXPECT_EQ(runCapture(folder, "--help"), 0);
}

}  // namespace
