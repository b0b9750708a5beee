// songgen: writes the show's song, assets/song.xm, from the composition in
// this folder. Usage: songgen <output.xm>
#include <cstdio>
#include <vector>

#include "composition.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: songgen <output.xm>\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = writeXm(composeSong());
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::fprintf(stderr, "songgen: cannot write %s\n", argv[1]);
        return 1;
    }
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), f);
    const bool closed = std::fclose(f) == 0;
    if (written != bytes.size() || !closed) {
        std::fprintf(stderr, "songgen: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[1], bytes.size());
    return 0;
}
