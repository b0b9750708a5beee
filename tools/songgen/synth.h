#pragma once
#include "xm_writer.h"

// The song's instruments, synthesised from scratch. Each function returns a
// complete instrument: its sample (with tuning and loop) and its envelopes.
XmInstrument makeKick();
XmInstrument makeStab();
XmInstrument makeSnare();
XmInstrument makeHat();
XmInstrument makeBass();
XmInstrument makePad();
XmInstrument makeLead();
XmInstrument makeBell();
XmInstrument makeNoise();
XmInstrument makeRiser();
XmInstrument makeTom();
XmInstrument makeEmpty(const char* name);
