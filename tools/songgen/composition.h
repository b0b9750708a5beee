#pragma once
#include "xm_writer.h"

// The show's song: form, instruments and every pattern.
XmSong composeSong();
