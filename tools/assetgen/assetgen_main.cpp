// Writes the show's font, logo and glow into an asset folder and, when a
// second folder is given, PNG previews of them there.
#include <cstdio>
#include <string>
#include <vector>

#include "assetgen.h"
#include "png_writer.h"

namespace {

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Enlarges a grey or RGB image by a whole factor onto a frame of pixels.
std::vector<uint32_t> enlarge(const std::vector<unsigned char>& bytes, int width, int height, int channels,
                              int factor) {
    std::vector<uint32_t> out(static_cast<size_t>(width * factor) * static_cast<size_t>(height * factor));
    for (int y = 0; y < height * factor; ++y) {
        for (int x = 0; x < width * factor; ++x) {
            const size_t i = (static_cast<size_t>(y / factor) * width + static_cast<size_t>(x / factor)) * channels;
            const uint32_t r = bytes[i];
            const uint32_t g = channels == 3 ? bytes[i + 1] : r;
            const uint32_t b = channels == 3 ? bytes[i + 2] : r;
            out[static_cast<size_t>(y) * width * factor + static_cast<size_t>(x)] = (r << 16) | (g << 8) | b;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: assetgen <asset folder> [<preview folder>]\n");
        return 2;
    }
    const std::string assets = argv[1];
    const std::vector<unsigned char> font = makeFontStrip();
    const std::vector<unsigned char> logo = makeLogoImage();
    const std::vector<unsigned char> glow = makeGlowSource();
    if (!writeFile(assets + "/font.grey", font) || !writeFile(assets + "/logo.grey", logo) ||
        !writeFile(assets + "/glow.rgb", glow)) {
        std::fprintf(stderr, "assetgen: cannot write into %s\n", assets.c_str());
        return 1;
    }
    if (argc == 3) {
        const std::string docs = argv[2];
        const auto fontPicture = enlarge(font, 480, 16, 1, 2);
        const auto logoPicture = enlarge(logo, 282, 91, 1, 1);
        const auto glowPicture = enlarge(glow, 64, 64, 3, 4);
        if (!writeFramePng((docs + "/font.png").c_str(), fontPicture.data(), 960, 32) ||
            !writeFramePng((docs + "/logo.png").c_str(), logoPicture.data(), 282, 91) ||
            !writeFramePng((docs + "/glow.png").c_str(), glowPicture.data(), 256, 256)) {
            std::fprintf(stderr, "assetgen: cannot write previews into %s\n", docs.c_str());
            return 1;
        }
    }
    return 0;
}
