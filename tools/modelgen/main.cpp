// Writes the show's model file: lumen_modelgen <output.3ds>
#include <cstdio>

#include "spikigbox_model.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumen_modelgen <output.3ds>\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = buildSpikigbox();
    FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "lumen_modelgen: cannot write %s\n", argv[1]);
        return 1;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "lumen_modelgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
