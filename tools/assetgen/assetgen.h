#pragma once
#include <vector>

// The show's images, drawn from our own geometry. Each call gives the same
// bytes on every run and every machine: only +, -, *, / and sqrt are used.
std::vector<unsigned char> makeFontStrip();     // 480 x 16 grey, 40 glyphs of 12 x 16
std::vector<unsigned char> makeLogoImage();     // 282 x 91 grey, 0 transparent
std::vector<unsigned char> makeGlowSource();    // 64 x 64 pixels of red, green, blue
