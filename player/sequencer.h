#pragma once
#include <cstdint>

#include "player/channel.h"
#include "player/module.h"

// The list of playing Modules, in the order play started; the mixing thread
// walks it. The head is linked to itself when empty.
extern Module playingModules;

bool modulePlay(Module* module);
bool moduleStop(Module* module);
void moduleSetBpm(Module* module, int32_t bpm);
void moduleTick(Module* module);
int32_t moduleGetOrder(const Module* module);
int32_t moduleGetRow(const Module* module);
int32_t moduleGetMilliseconds(const Module* module);
int32_t amigaPeriod(int32_t note, int32_t finetune);

// The two halves of moduleTick: the row tick and every other tick.
void processRow(Module* module);
void processTick(Module* module);

// The pattern that the order table names at the current order position, or
// null when there is none.
const Pattern* currentPattern(const Module* module);
