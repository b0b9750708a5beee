#include "show/show.h"

#include "audio/music_player.h"
#include "core/platform.h"
#include "display/display.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "scene3d/mesh.h"
#include "scene3d/particles.h"
#include "show/schedule.h"

FrameBuffer frameBuffer;
ParticleField particleField;
GlowSprite glowSprite;
ShowState showState;

namespace {

constexpr const char* modelFileName = "spikigbox.3ds";
constexpr int32_t lastScheduledOrder = 9;

MeshSet* meshSet = nullptr;  // lives until the process ends
bool finished = false;

void endProcess() {
    closeDisplay();
    platformExitProcess(0);
}

ShowEndHandler endHandler = endProcess;

Mesh* model() {
    return meshSet != nullptr && meshSet->meshCount > 0 ? meshSet->meshes[0] : nullptr;
}

}  // namespace

MeshSet* showMeshes() {
    return meshSet;
}

void prepareShowWithModel(const char* modelPath) {
    clearFrame(frameBuffer.pixels, 0, 0, 0);
    particleField.scatter();
    // Built once by the program; a tool preparing the show again starts afresh.
    delete meshSet;
    meshSet = new MeshSet();
    // A missing file tells the user and ends here, before the display changes.
    loadModelOrExit(*meshSet, modelPath);
    unpackGlowSprite(glowSprite.pixels);
    meshSet->addMaterial(10, 100, 200, 128, FilledGlow);
    if (Mesh* first = model()) {
        first->centreX = 320.0f;
        first->centreY = 240.0f;
        first->assignMaterial(&meshSet->materials[0]);
    }
}

void prepareShow() {
    prepareShowWithModel(modelFileName);
}

void startShow() {
    musicPlayer.start();
}

void drawShowFrame() {
    // After the stop the player is neither stopped again nor asked anything:
    // it would answer order position 0 and the show would begin anew.
    if (finished || meshSet == nullptr) return;

    const int32_t order = musicPlayer.getOrder();
    if (order < 0 || order > lastScheduledOrder) {
        musicPlayer.stop();
        finished = true;
        endHandler();
        return;
    }

    Mesh* first = model();
    if (first != nullptr) first->distance = 20.0f;
    showState.playTime = musicPlayer.getSeconds();
    showState.currentRow = static_cast<uint8_t>(musicPlayer.getRow());
    clearFrame(frameBuffer.pixels, 0, 0, 0);

    // The mixing thread may move the song on between these two questions.
    const int32_t openingOrder = musicPlayer.getOrder();
    if (openingOrder >= 0 && openingOrder <= 5) {
        drawOpeningStage(showState, *meshSet, frameBuffer, glowSprite, particleField, musicPlayer);
    }
    const int32_t closingOrder = musicPlayer.getOrder();
    if (closingOrder >= 6 && closingOrder <= lastScheduledOrder) {
        drawClosingStage(showState, *meshSet, frameBuffer, glowSprite, particleField, musicPlayer);
    }
}

bool showFinished() {
    return finished;
}

void setShowEndHandler(ShowEndHandler handler) {
    endHandler = handler != nullptr ? handler : endProcess;
}

void rewindShow() {
    showState = ShowState{};
    finished = false;
    if (Mesh* first = model()) {
        first->centreX = 320.0f;
        first->centreY = 240.0f;
        first->distance = 20.0f;
    }
}
