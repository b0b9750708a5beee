#pragma once

// The song stored inside the program (assets/song.xm).
extern const unsigned char embeddedSong[];
extern const unsigned int embeddedSongSize;
