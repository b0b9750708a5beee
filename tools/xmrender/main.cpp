// xmrender: plays an XM song once through lumen's own player and mixer,
// offline, and writes it as a 16-bit stereo WAV at 44100 Hz.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "player/loader.h"
#include "player/module.h"
#include "render.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: xmrender [--rows] [--seconds-limit S] song.xm [out.wav]\n"
                 "  Plays one pass of the song (until it comes back to a row already played)\n"
                 "  and writes it as 16-bit stereo at 44100 Hz.\n"
                 "  --rows             print one line per row: order, pattern, row, start frame\n"
                 "  --seconds-limit S  stop after S seconds of output at most (default 1800)\n");
}

void drawProgress(int64_t frames) {
    const int seconds = static_cast<int>(frames / renderRate);
    std::fprintf(stderr, "\rrendering %d:%02d ", seconds / 60, seconds % 60);
    const int ticks = (seconds / 5) % 40;
    std::fputc('[', stderr);
    for (int i = 0; i < 40; ++i) std::fputc(i <= ticks ? '#' : ' ', stderr);
    std::fputc(']', stderr);
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    bool rows = false;
    double limit = 1800.0;
    const char* input = nullptr;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0) {
            rows = true;
        } else if (std::strcmp(argv[i], "--seconds-limit") == 0 && i + 1 < argc) {
            limit = std::atof(argv[++i]);
            if (!(limit > 0)) {
                std::fprintf(stderr, "xmrender: the time limit must be above 0\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            usage();
            return 0;
        } else if (argv[i][0] == '-' && argv[i][1] != 0) {
            std::fprintf(stderr, "xmrender: unknown option %s\n", argv[i]);
            usage();
            return 2;
        } else if (!input) {
            input = argv[i];
        } else if (!output) {
            output = argv[i];
        } else {
            usage();
            return 2;
        }
    }
    if (!input) {
        usage();
        return 2;
    }

    std::vector<uint8_t> bytes;
    if (!readWholeFile(input, bytes)) {
        std::fprintf(stderr, "xmrender: cannot read %s\n", input);
        return 1;
    }
    Module* module = loadSongBytes(bytes);
    if (!module) {
        std::fprintf(stderr, "xmrender: cannot load %s: %s\n", input, moduleLoadError());
        return 1;
    }

    PassOptions options;
    options.secondsLimit = limit;
    if (rows) {
        std::printf("order pattern row frame\n");
        options.onRow = [](const RowStart& r) {
            std::printf("%d %d %d %lld\n", r.order, r.pattern, r.row, static_cast<long long>(r.frame));
        };
    }
    const bool progress = isatty(STDERR_FILENO) != 0;
    if (progress) options.onProgress = drawProgress;

    std::vector<int16_t> frames;
    PassResult result = renderOnePass(module, options, frames);
    moduleFree(module);
    if (progress) std::fprintf(stderr, "\n");

    const double seconds = static_cast<double>(result.frames) / renderRate;
    std::fprintf(rows ? stderr : stdout, "length: %lld frames (%d:%06.3f)%s\n", static_cast<long long>(result.frames),
                 static_cast<int>(seconds / 60), seconds - 60 * static_cast<int>(seconds / 60),
                 result.complete ? "" : " - cut at the time limit, the song did not come back to a played row");
    if (output && !writeWav(output, frames)) {
        std::fprintf(stderr, "xmrender: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
