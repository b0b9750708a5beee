// Renders the model and the particle cloud as the show draws them, into PNG
// pictures for looking at: lumen_scene_pictures <model.3ds> <output folder>
#include <cstdio>
#include <string>

#include "core/frame_buffer.h"
#include "png_writer.h"
#include "raster/blit.h"
#include "raster/pixel_ops.h"
#include "scene3d/mesh.h"
#include "scene3d/particles.h"

namespace {

FrameBuffer frame;
GlowSprite glow;
ParticleField field;

struct ModelView {
    const char* file;
    float seconds;
    float distance;
    float centreX;
};

bool save(const std::string& path) {
    if (!writeFramePng(path.c_str(), frame.pixels, frameWidth, frameHeight)) {
        std::fprintf(stderr, "lumen_scene_pictures: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lumen_scene_pictures <model.3ds> <output folder>\n");
        return 2;
    }
    const std::string folder = argv[2];
    unpackGlowSprite(glow.pixels);
    field.scatter();

    MeshSet set;
    if (!set.loadMesh(argv[1])) {
        std::fprintf(stderr, "lumen_scene_pictures: cannot open %s\n", argv[1]);
        return 1;
    }
    set.addMaterial(10, 100, 200, 128, FilledGlow);
    Mesh& mesh = *set.meshes[0];
    mesh.assignMaterial(&set.materials[0]);

    // Angles and sizes as the show's 3D stage sets them.
    const ModelView views[] = {
        {"model-1.png", 2.0f, 20.0f, 320.0f},
        {"model-2.png", 7.5f, 18.0f, 320.0f},
        {"model-3.png", 13.0f, 20.0f, 106.0f},
        {"model-4.png", 21.0f, 18.0f, 106.0f},
    };
    for (const ModelView& view : views) {
        clearFrame(frame.pixels, 0, 0, 0);
        mesh.centreX = view.centreX;
        mesh.centreY = 240.0f;
        mesh.distance = view.distance;
        const float t = view.seconds;
        mesh.rotate(static_cast<float>(t * 0.6666666666666666), t * 0.33333334f, t * 0.5f);
        set.render(frame.pixels, glow.pixels, 130, 17);
        if (!save(folder + "/" + view.file)) {
            return 1;
        }
    }

    clearFrame(frame.pixels, 0, 0, 0);
    const float t = 40.0f;
    field.rotate(t * 0.5f, t, t * 0.33333334f);
    field.draw(frame.pixels, glow.pixels, 0, frameHeight);
    return save(folder + "/particles.png") ? 0 : 1;
}
