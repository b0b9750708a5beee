#include "audio/music_player.h"

#include "audio/memory_file.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "player/loader.h"
#include "player/sequencer.h"

MusicPlayer musicPlayer;

bool MusicPlayer::start() {
    setStreamCallbacks(memoryFileOpen, memoryFileClose, memoryFileRead, memoryFileSeek, memoryFileTell);
    soundSetBufferLength(100);
    // Without a device the song is loaded but never advances: the show stays
    // in its first scene, silent.
    soundOpen(44100);
    module = moduleLoad(nullptr, nullptr);
    modulePlay(module);
    return true;
}

void MusicPlayer::stop() {
    moduleFree(module);
    soundClose();
    module = nullptr;
}

int32_t MusicPlayer::getOrder() const { return moduleGetOrder(module); }

int32_t MusicPlayer::getRow() const { return moduleGetRow(module); }

float MusicPlayer::getSeconds() const {
    return static_cast<float>(static_cast<uint32_t>(moduleGetMilliseconds(module))) * 0.001f;
}
