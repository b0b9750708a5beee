#pragma once
#include <cstdint>

struct Module;

// The show's view of the music: start the embedded song, stop it, and ask
// for its order position, row and play time.
class MusicPlayer {
public:
    bool start();
    void stop();
    int32_t getOrder() const;
    int32_t getRow() const;
    float getSeconds() const;

    Module* module = nullptr;
};

// The program's one music player.
extern MusicPlayer musicPlayer;
