// The SDL2 display edge: the layouts it reports, and opening and presenting
// on SDL's offscreen driver, which needs no X server.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/frame_buffer.h"
#include "display/display.h"
#include "sdl_display.h"

namespace {

TEST(SdlDisplay, EveryTriedFormatReportsALayoutWithAConverter) {
    struct Case {
        uint32_t format;
        PixelConverter expected;
    };
    const Case cases[] = {
        {SDL_PIXELFORMAT_RGB888, convertRgb32},   {SDL_PIXELFORMAT_ARGB8888, convertRgb32},
        {SDL_PIXELFORMAT_BGR888, convertBgr32},   {SDL_PIXELFORMAT_ABGR8888, convertBgr32},
        {SDL_PIXELFORMAT_BGR24, convertRgb24},    {SDL_PIXELFORMAT_RGB24, convertBgr24},
        {SDL_PIXELFORMAT_RGB565, convertRgb565},  {SDL_PIXELFORMAT_BGR565, convertBgr565},
        {SDL_PIXELFORMAT_RGB555, convertRgb555},  {SDL_PIXELFORMAT_BGR555, convertBgr555},
    };
    ASSERT_EQ(std::size(cases), static_cast<size_t>(sdlTextureFormatCount));
    for (int32_t i = 0; i < sdlTextureFormatCount; ++i) {
        SCOPED_TRACE(SDL_GetPixelFormatName(cases[i].format));
        EXPECT_EQ(sdlTextureFormats[i], cases[i].format) << "tried in this order";
        PixelLayout layout{};
        ASSERT_TRUE(sdlPixelLayout(cases[i].format, &layout));
        EXPECT_EQ(choosePixelConverter(layout.bitCount, layout.redMask, layout.greenMask, layout.blueMask),
                  cases[i].expected);
    }
    PixelLayout layout{};
    EXPECT_FALSE(sdlPixelLayout(SDL_PIXELFORMAT_INDEX8, &layout));
    EXPECT_FALSE(sdlPixelLayout(SDL_PIXELFORMAT_YV12, &layout));
}

TEST(SdlDisplay, RefusesAnInvisibleDriverUnlessAskedFor) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    unsetenv("LUMEN_ALLOW_OFFSCREEN");
    EXPECT_FALSE(openDisplay("quorbel::lumen", frameWidth, frameHeight));
    closeDisplay();

    setenv("LUMEN_ALLOW_OFFSCREEN", "1", 1);
    ASSERT_TRUE(openDisplay("quorbel::lumen", frameWidth, frameHeight));
    EXPECT_EQ(displaySession.bytesPerPixel, 4);

    // Frames are presented once the window counts as active, which comes
    // from the pump even where no focus event ever arrives.
    static FrameBuffer frame;
    int32_t presented = 0;
    for (int i = 0; i < 5; ++i) {
        presented += presentFrame(frame.pixels);
    }
    EXPECT_EQ(presented, 5);
    EXPECT_EQ(displaySession.active, 1);
    closeDisplay();
    EXPECT_FALSE(displaySession.open);
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("LUMEN_ALLOW_OFFSCREEN");
}

}  // namespace
