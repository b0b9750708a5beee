// The show's one outside input: a model file that cannot be opened is the
// only failure the user is told about.
#include "core/platform.h"
#include "scene3d/mesh.h"

void loadModelOrExit(MeshSet& set, const char* path) {
    if (!set.loadMesh(path)) {
        platformShowMessage("cannot open 3ds-file", "multimedia error");
        platformExitProcess(1);
    }
}
