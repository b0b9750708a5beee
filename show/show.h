#pragma once
#include "core/frame_buffer.h"

// The program-wide picture, all black at start.
extern FrameBuffer frameBuffer;

// The show's three steps, run by the entry: before the display opens, right
// after it has opened, and once per pass of the frame loop.
void prepareShow();
void startShow();
void drawShowFrame();

// --- For the tools and tests that drive the show without the entry. ---

struct ShowState;
class MeshSet;
class ParticleField;
struct GlowSprite;

// The show's objects, set up by prepareShow.
extern ShowState showState;
extern ParticleField particleField;
extern GlowSprite glowSprite;
MeshSet* showMeshes();  // null before prepareShow

// prepareShow with the model read from `modelPath` instead of the working
// directory's "spikigbox.3ds".
void prepareShowWithModel(const char* modelPath);

// True once the song has left its last scheduled order position and the
// music has been stopped; drawShowFrame draws nothing more from then on.
bool showFinished();

// What happens once the music has been stopped at the song's end. By default
// the display is released (the desktop comes back) and the process ends with
// exit code 0. A handler that returns leaves the caller's loop running, with
// drawShowFrame doing nothing. Null restores the default.
using ShowEndHandler = void (*)();
void setShowEndHandler(ShowEndHandler handler);

// Puts the schedule back to its first frame: start values, model centred, not
// finished. The music is not touched.
void rewindShow();
