#include "display/display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "core/frame_buffer.h"
#include "virtual_display.h"

namespace {

// Reports, as the process ends, whether the display had been released.
void reportOnExit(int code) {
    std::fprintf(stderr, "exit %d after %d close(s), display %s\n", code, virtualDisplay.closes,
                 displaySession.open ? "open" : "released");
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        displaySession = DisplaySession{};
        virtualDisplayReset();
        virtualProcess.realSleep = false;
        virtualProcess.sleeps = 0;
        virtualProcess.lastSleepMilliseconds = 99;
        virtualProcess.exitHook = reportOnExit;
        frame.resize(framePixelCount);
        for (int32_t i = 0; i < framePixelCount; ++i) {
            const uint32_t n = static_cast<uint32_t>(i);
            frame[i] = (n * 2654435761u) & 0x00FFFFFF;
        }
    }

    bool open() { return openDisplay("quorbel::lumen", frameWidth, frameHeight); }

    std::vector<uint32_t> frame;
};

TEST_F(DisplayTest, OpensWithTheNameAndSizeAskedFor) {
    ASSERT_TRUE(open());
    EXPECT_EQ(virtualDisplay.windowName, "quorbel::lumen");
    EXPECT_EQ(virtualDisplay.width, 640);
    EXPECT_EQ(virtualDisplay.height, 480);
    EXPECT_EQ(displaySession.active, 0) << "inactive until the window says otherwise";
}

TEST_F(DisplayTest, OpeningFailsWhenThePlatformFailsOrTheLayoutIsUnknown) {
    const PixelLayout unknown[] = {
        {15, 0x7C00, 0x3E0, 0x1F},
        {8, 0, 0, 0},
        {16, 0x7E0, 0xF800, 0x1F},
    };
    for (const PixelLayout& layout : unknown) {
        SetUp();
        virtualDisplay.layout = layout;
        EXPECT_FALSE(open()) << layout.bitCount << " bits";
        EXPECT_FALSE(displaySession.open);
    }
    SetUp();
    virtualDisplay.openFails = true;
    EXPECT_FALSE(open());
    EXPECT_EQ(virtualDisplay.closes, 0) << "a failed opening leaves what it did in place";
}

// Every layout, on a surface whose rows are longer than the picture's: each
// row holds the converted pixels and the bytes past them stay as they were.
TEST_F(DisplayTest, PresentsInEveryLayoutAndLeavesThePitchPaddingAlone) {
    for (const PixelConverterEntry& entry : pixelConverterTable) {
        SCOPED_TRACE(entry.name);
        SetUp();
        virtualDisplay.layout = {entry.bitCount, entry.redMask, entry.greenMask, entry.blueMask};
        const int32_t rowBytes = frameWidth * static_cast<int32_t>(entry.bytesPerPixel);
        virtualDisplay.pitch = rowBytes + 37;
        ASSERT_TRUE(open());

        EXPECT_EQ(presentFrame(frame.data()), 1);
        ASSERT_EQ(virtualDisplay.flips, 1);
        EXPECT_EQ(virtualDisplay.unlocks, 1);
        EXPECT_EQ(virtualProcess.lastSleepMilliseconds, 0u);

        std::vector<uint8_t> expectedRow(rowBytes);
        const std::vector<uint8_t>& shown = virtualDisplay.frontBuffer;
        for (int32_t y = 0; y < frameHeight; ++y) {
            entry.converter(frame.data() + y * frameWidth, expectedRow.data(), frameWidth);
            const uint8_t* row = shown.data() + static_cast<size_t>(y) * virtualDisplay.pitch;
            ASSERT_TRUE(std::equal(expectedRow.begin(), expectedRow.end(), row)) << "row " << y;
            for (int32_t x = rowBytes; x < virtualDisplay.pitch; ++x) {
                ASSERT_EQ(row[x], 0xCD) << "row " << y << " byte " << x;
            }
        }
    }
}

TEST_F(DisplayTest, InactiveFramesPumpMessagesButTouchNoSurface) {
    virtualDisplay.activateOnOpen = false;
    ASSERT_TRUE(open());

    EXPECT_EQ(presentFrame(frame.data()), 1);
    EXPECT_EQ(presentFrame(frame.data()), 1);
    EXPECT_EQ(virtualDisplay.pumps, 2);
    EXPECT_EQ(virtualDisplay.restores + virtualDisplay.locks + virtualDisplay.flips, 0);
    EXPECT_EQ(virtualProcess.lastSleepMilliseconds, 1u);
    EXPECT_EQ(virtualDisplay.frontBuffer[0], 0xCD);

    // Activation arrives through the pump and takes effect in the same frame;
    // going to the background stops drawing again.
    virtualDisplayQueueMessage(windowMessageActivateApp, 1);
    EXPECT_EQ(presentFrame(frame.data()), 1);
    EXPECT_EQ(virtualDisplay.flips, 1);
    virtualDisplayQueueMessage(windowMessageActivateApp, 0);
    EXPECT_EQ(presentFrame(frame.data()), 1);
    EXPECT_EQ(virtualDisplay.flips, 1);
    EXPECT_EQ(virtualDisplay.pumps, 4);
}

TEST_F(DisplayTest, AFailedLockLosesOneFrameAndTheNextTriesAgain) {
    ASSERT_TRUE(open());
    virtualDisplay.failingLocks = 1;

    EXPECT_EQ(presentFrame(frame.data()), 0);
    EXPECT_EQ(virtualDisplay.unlocks + virtualDisplay.flips, 0);
    EXPECT_EQ(virtualProcess.sleeps, 0u) << "no sleep after a failed lock";

    EXPECT_EQ(presentFrame(frame.data()), 1);
    EXPECT_EQ(virtualDisplay.restores, 2) << "every active frame restores first";
    EXPECT_EQ(virtualDisplay.flips, 1);
}

TEST_F(DisplayTest, APitchShorterThanARowIsRefusedWithoutWriting) {
    virtualDisplay.pitch = frameWidth * 4 - 4;
    ASSERT_TRUE(open());
    EXPECT_EQ(presentFrame(frame.data()), 0);
    EXPECT_EQ(virtualDisplay.unlocks, 1) << "what was locked is handed back";
    EXPECT_EQ(virtualDisplay.flips, 0);
    for (uint8_t b : virtualDisplay.backBuffer) {
        ASSERT_EQ(b, 0xCD);
    }
}

TEST_F(DisplayTest, NothingIsDrawnWithoutAnOpenDisplay) {
    virtualDisplayQueueMessage(windowMessageActivateApp, 1);
    EXPECT_EQ(presentFrame(frame.data()), 0);
    EXPECT_EQ(virtualDisplay.locks + virtualDisplay.flips, 0);
}

TEST_F(DisplayTest, WindowMessagesOtherThanQuitting) {
    ASSERT_TRUE(open());
    EXPECT_EQ(windowProcedure(windowMessageSetCursor, 0), WindowResult::handled);
    EXPECT_EQ(virtualDisplay.cursorHides, 1);

    // Keys other than Escape are handled by doing nothing at all.
    for (uintptr_t key : {uintptr_t{0}, uintptr_t{26}, uintptr_t{28}, uintptr_t{'A'}, uintptr_t{0x0D},
                          uintptr_t{0x20}, uintptr_t{0xFF}, uintptr_t{0x1B00}}) {
        EXPECT_EQ(windowProcedure(windowMessageKeyDown, key), WindowResult::handled) << key;
    }
    EXPECT_TRUE(displaySession.open);
    EXPECT_EQ(virtualDisplay.closes, 0);

    // Anything else is the platform's to handle.
    for (uint32_t message : {0x0u, 0x2u, 0x101u, 0x200u}) {
        EXPECT_EQ(windowProcedure(message, 0), WindowResult::defaultHandling) << message;
    }
}

using DisplayDeathTest = DisplayTest;

TEST_F(DisplayDeathTest, EscapeAndClosingReleaseTheDisplayAndExitWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(open());
    const char* released = "exit 0 after 1 close\\(s\\), display released";

    EXPECT_EXIT(windowProcedure(windowMessageKeyDown, virtualKeyEscape), ::testing::ExitedWithCode(0), released);
    // Only the low byte names the key.
    EXPECT_EXIT(windowProcedure(windowMessageKeyDown, 0x1001B), ::testing::ExitedWithCode(0), released);
    EXPECT_EXIT(windowProcedure(windowMessageClose, 0), ::testing::ExitedWithCode(0), released);

    // Seen while the program is in the background, during a frame.
    virtualDisplayQueueMessage(windowMessageActivateApp, 0);
    virtualDisplayQueueMessage(windowMessageKeyDown, virtualKeyEscape);
    EXPECT_EXIT(presentFrame(frame.data()), ::testing::ExitedWithCode(0), released);
}

}  // namespace
