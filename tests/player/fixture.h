#pragma once
// Helpers shared by the player's tests: load a written song, play it tick by
// tick without a sound device.
#include <memory>
#include <vector>

#include "audio/mixer.h"
#include "player/loader.h"
#include "player/sequencer.h"
#include "render.h"
#include "xm_writer.h"

struct ModuleDeleter {
    void operator()(Module* m) const { moduleFree(m); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

// The bytes stay alive as long as the fixture: the loader reads them once.
struct LoadedSong {
    std::vector<uint8_t> bytes;
    ModulePtr module;
};

inline LoadedSong loadSong(const xm::Song& song) {
    LoadedSong s;
    s.bytes = xm::write(song);
    s.module.reset(loadSongBytes(s.bytes));
    return s;
}

inline ModulePtr loadBytes(const std::vector<uint8_t>& bytes) { return ModulePtr(loadSongBytes(bytes)); }

// Plays without a device: ticks are counted at 44100 Hz, voices are absent.
inline void playOffline(Module* m) {
    mixingRate = 44100;
    modulePlay(m);
}

inline void ticks(Module* m, int n) {
    for (int i = 0; i < n; ++i) moduleTick(m);
}
