// lumen-capture: plays the whole show offline, deterministically, and writes
// its frames as PNG pictures, what the sound device plays as a WAV file and a
// contact sheet of one frame per second.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "audio/music_player.h"
#include "capture_run.h"
#include "contact_sheet.h"
#include "png_writer.h"
#include "show/show.h"
#include "virtual_audio.h"
#include "wav_writer.h"

namespace {

constexpr const char* usage =
    "usage: lumen-capture [options]\n"
    "Plays the show from its start, offline and at a fixed frame rate, with the\n"
    "model file spikigbox.3ds read from the working directory, exactly as the\n"
    "program would show and play it.\n"
    "\n"
    "  --fps N              frames per second (default 60)\n"
    "  --from SECONDS       first moment written (default 0)\n"
    "  --to SECONDS         moment at which writing and playing stop\n"
    "                       (default: the end of the show)\n"
    "  --frames-dir DIR     write each frame as DIR/frame-NNNNNN.png\n"
    "  --wav FILE           write what the sound device plays as 16-bit stereo WAV\n"
    "  --contact-sheet FILE write one frame per second as a grid of small pictures\n"
    "  --help               show this text\n"
    "\n"
    "The frames, the sound and the contact sheet cover the moments from --from up\n"
    "to --to; the show is always played from its start, since it steps per frame.\n";

struct Options {
    int32_t fps = 60;
    double from = 0;
    double to = -1;  // below 0: to the end of the show
    std::string framesDir;
    std::string wavPath;
    std::string contactSheetPath;
};

bool parseNumber(const char* text, double* value) {
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text, &end);
    if (end == text || *end != 0 || errno != 0 || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

// Returns 0 to go on, otherwise the exit code (after printing what went wrong).
int parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        }
        const bool known = name == "--fps" || name == "--from" || name == "--to" || name == "--frames-dir" ||
                           name == "--wav" || name == "--contact-sheet";
        if (!known) {
            std::fprintf(stderr, "lumen-capture: unknown option %s (see --help)\n", name.c_str());
            return 2;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "lumen-capture: %s wants a value (see --help)\n", name.c_str());
            return 2;
        }
        const char* value = argv[++i];
        double number = 0;
        if (name == "--fps") {
            if (!parseNumber(value, &number) || number < 1 || number > 1000 || number != std::floor(number)) {
                std::fprintf(stderr, "lumen-capture: --fps wants a whole number from 1 to 1000, not \"%s\"\n", value);
                return 2;
            }
            options.fps = static_cast<int32_t>(number);
        } else if (name == "--from" || name == "--to") {
            if (!parseNumber(value, &number) || number < 0 || number > 86400) {
                std::fprintf(stderr, "lumen-capture: %s wants seconds from 0 on, not \"%s\"\n", name.c_str(), value);
                return 2;
            }
            (name == "--from" ? options.from : options.to) = number;
        } else if (name == "--frames-dir") {
            options.framesDir = value;
        } else if (name == "--wav") {
            options.wavPath = value;
        } else {
            options.contactSheetPath = value;
        }
    }
    if (options.to >= 0 && options.to <= options.from) {
        std::fprintf(stderr, "lumen-capture: --to must lie after --from\n");
        return 2;
    }
    return 0;
}

void drawProgress(double seconds, double toSeconds) {
    // The song has ten scheduled order positions of 64 rows each.
    double fraction = 0;
    if (toSeconds > 0) {
        fraction = seconds / toSeconds;
    } else {
        fraction = (musicPlayer.getOrder() * 64 + musicPlayer.getRow()) / 640.0;
    }
    fraction = fraction < 0 ? 0 : fraction > 1 ? 1 : fraction;
    constexpr int width = 40;
    char bar[width + 1];
    const int filled = static_cast<int>(fraction * width);
    for (int i = 0; i < width; ++i) bar[i] = i < filled ? '#' : '.';
    bar[width] = 0;
    std::fprintf(stderr, "\r[%s] %6.1f s  order %2d row %2d", bar, seconds, musicPlayer.getOrder(),
                 musicPlayer.getRow());
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int code = parseOptions(argc, argv, options); code != 0) return code;

    if (FILE* model = std::fopen("spikigbox.3ds", "rb")) {
        std::fclose(model);
    } else {
        std::fprintf(stderr, "lumen-capture: spikigbox.3ds is not in the working directory\n");
        return 1;
    }
    if (!options.framesDir.empty() && mkdir(options.framesDir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "lumen-capture: cannot make %s: %s\n", options.framesDir.c_str(), std::strerror(errno));
        return 1;
    }
    WavWriter wav;
    if (!options.wavPath.empty() && !wavOpen(wav, options.wavPath.c_str(), captureSampleRate)) {
        std::fprintf(stderr, "lumen-capture: cannot write %s\n", options.wavPath.c_str());
        return 1;
    }

    CaptureRun run;
    const char* error = nullptr;
    if (!captureBegin(run, options.fps, "spikigbox.3ds", &error)) {
        std::fprintf(stderr, "lumen-capture: %s\n", error);
        return 1;
    }

    const bool progress = isatty(STDERR_FILENO) != 0;
    ContactSheet sheet;
    std::vector<int16_t> played;
    uint64_t framesWritten = 0;
    int exitCode = 0;
    // The sound written is exactly what the device plays from --from up to --to.
    const auto fromFrame = static_cast<uint64_t>(options.from * captureSampleRate);
    const uint64_t toFrame = options.to >= 0 ? static_cast<uint64_t>(options.to * captureSampleRate) : UINT64_MAX;
    for (;;) {
        const uint64_t index = run.frameIndex;
        const double seconds = captureFrameTime(run, index);
        // The first frame at or after --to is still played, for the sound
        // leading up to it, but not written.
        const bool past = options.to >= 0 && seconds >= options.to;
        const uint64_t firstPlayed = run.framesPlayed;
        played.clear();
        const bool drawn = captureStep(run, &played);
        if (wav.file != nullptr) {
            const uint64_t count = played.size() / 2;
            const uint64_t begin = std::clamp(fromFrame, firstPlayed, firstPlayed + count) - firstPlayed;
            const uint64_t end = std::clamp(toFrame, firstPlayed, firstPlayed + count) - firstPlayed;
            if (end > begin) wavAppend(wav, played.data() + begin * 2, (end - begin) * 2);
        }
        if (!drawn || past) break;
        if (seconds < options.from) continue;

        if (!options.framesDir.empty()) {
            char path[4096];
            std::snprintf(path, sizeof path, "%s/frame-%06llu.png", options.framesDir.c_str(),
                          static_cast<unsigned long long>(index));
            if (!writeFramePng(path, frameBuffer.pixels, 640, 480)) {
                std::fprintf(stderr, "%slumen-capture: cannot write %s\n", progress ? "\n" : "", path);
                exitCode = 1;
                break;
            }
            ++framesWritten;
        }
        if (!options.contactSheetPath.empty() && index % static_cast<uint64_t>(run.fps) == 0) {
            char label[32];
            std::snprintf(label, sizeof label, "%llu", static_cast<unsigned long long>(index / run.fps));
            contactSheetAdd(sheet, frameBuffer.pixels, label);
        }
        if (progress && index % static_cast<uint64_t>((run.fps + 3) / 4) == 0) drawProgress(seconds, options.to);
    }
    if (progress) std::fputs("\n", stderr);

    if (wav.file != nullptr && !wavClose(wav)) {
        std::fprintf(stderr, "lumen-capture: writing %s failed\n", options.wavPath.c_str());
        exitCode = 1;
    }
    if (!options.contactSheetPath.empty()) {
        const std::vector<uint32_t> picture = contactSheetCompose(sheet);
        if (!writeFramePng(options.contactSheetPath.c_str(), picture.data(), sheet.width(), sheet.height())) {
            std::fprintf(stderr, "lumen-capture: cannot write %s\n", options.contactSheetPath.c_str());
            exitCode = 1;
        }
    }
    std::printf("%llu frames played at %d per second (%.2f s)%s; %llu written; %u sound blocks played stale\n",
                static_cast<unsigned long long>(run.frameIndex), run.fps,
                captureFrameTime(run, run.frameIndex), run.finished ? ", the show ended" : "",
                static_cast<unsigned long long>(framesWritten), virtualAudioUnderruns());
    return exitCode;
}
