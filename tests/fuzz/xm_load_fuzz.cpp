// libFuzzer target: the XM loader over arbitrary bytes, then a few hundred
// ticks of the sequencer over whatever it accepted.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/mixer.h"
#include "player/loader.h"
#include "player/sequencer.h"
#include "render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    Module* module = loadSongBytes(bytes);
    if (!module) return 0;
    mixingRate = 44100;
    modulePlay(module);
    for (int i = 0; i < 600; ++i) moduleTick(module);
    moduleFree(module);
    return 0;
}
