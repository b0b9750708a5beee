#pragma once

#include "player/module.h"

struct Stream;

// Loads a song through the registered stream functions; null when the stream
// cannot be opened or the song is refused.
Module* moduleLoad(const char* streamName, SampleReader sampleReader);
bool readXm(Module* module, Stream* stream);
bool moduleFree(Module* module);
void sampleFree(Sample* sample);

// Why the last moduleLoad returned null, in a sentence for the user; empty
// after a successful load.
const char* moduleLoadError();
