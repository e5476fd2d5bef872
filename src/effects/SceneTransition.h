#pragma once

#include <memory>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/FrameBlocks.h"
#include "render3d/ImageView.h"
#include "render3d/SceneMesh.h"
#include "render3d/TransitionScene.h"

namespace effects {

// The registry's one scene and the transition that holds it. A Begin takes
// the scene over; a transition that has lost it (another slot began
// meanwhile) draws no pieces and leaves the scene to its new holder, since
// the scene is then set up for another output.
struct SharedScene {
    render3d::TransitionScene scene;
    const void* holder = nullptr;  // the transition that began last, until its End
};

// What the 3D transitions share. At Begin a transition resamples its
// pictures into 512 x 512 textures, opens the registry's scene on the
// output and adds its pieces; every Frame paints the background, re-poses
// each piece and has the scene draw them; End closes the scene and frees
// the textures.
//
// The scene is the registry's and serves one transition at a time; the
// textures are this object's and outlive every object of the scene that
// shows them (End closes the scene before it frees them, and a Begin that
// takes the scene over empties it).
class SceneTransition : public PictureEffect {
  public:
    static constexpr int TEXTURE_SIZE = 512;

    explicit SceneTransition(SharedScene& shared) : shared_(shared) {}

    // Closes the scene if this transition holds it, even after a Begin that
    // failed part-way, and frees the textures and the pieces.
    int end(const PictureFrameBlock& block) override;

  protected:
    enum class Pictures { FromAndTo, FromOnly, ToOnly };

    // Ends a previous use and takes the scene, then makes the textures the
    // transition shows and opens the scene on block.out. False, with nothing kept and no scene
    // opened, when there are no pictures or no memory for the textures; a
    // scene that cannot open only leaves the transition without pieces.
    bool beginScene(const PictureFrameBlock& block, Pictures pictures);

    // Room for `count` pieces, numbered 0 upward by the transition. False
    // when memory is short (the transition then has no pieces).
    bool preparePieces(int count);
    // Adds piece `index` to the scene. A null mesh, or one the scene
    // refuses, leaves the piece out: its poses then do nothing.
    void addPiece(int index, const render3d::MeshDesc* mesh);

    // Whether a frame may pose and draw: Begin made the textures, this
    // transition still holds the scene and the frame has the size Begin
    // saw. Points the scene at this frame's output.
    bool readyFor(const PictureFrameBlock& block);

    // Re-poses piece `index` from the identity; translate and rotate
    // multiply on the right (the factor added last acts first).
    void resetPose(int index);
    void translate(int index, float x, float y, float z);
    void rotate(int index, float angle, float x, float y, float z);

    // Transforms, sorts and draws every piece into the output.
    void drawScene();

    render3d::TransitionScene& scene() { return shared_.scene; }
    render3d::ConstImageView fromTexture() const { return view(fromTexture_); }
    render3d::ConstImageView toTexture() const { return view(toTexture_); }
    // Width / height of the pictures Begin saw.
    float aspect() const { return aspect_; }

  private:
    static render3d::ConstImageView view(const std::vector<Pixel>& texture);
    // The scene's number of a piece; 0, which the scene ignores, for none.
    int objectOf(int index) const;

    SharedScene& shared_;
    std::vector<Pixel> fromTexture_;  // empty when not made
    std::vector<Pixel> toTexture_;
    bool hasTextures_ = false;
    std::vector<int> objects_;  // scene object number of each piece, 0: none
    Pixel* out_ = nullptr;      // where the scene draws
    int width_ = 0;
    int height_ = 0;
    float aspect_ = 1.0f;
};

// The pi the 3D transitions have always turned by.
inline constexpr float SCENE_PI = 3.1415927f;

inline float clampUnit(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

// c: elapsed / duration in single precision.
inline float sceneProgress(const PictureFrameBlock& block) {
    return static_cast<float>(block.elapsed) / static_cast<float>(block.duration);
}

// The grey every box is made in before its faces are textured.
inline std::unique_ptr<render3d::MeshDesc> makeGreyBox(float z0, float z1, float y0, float y1,
                                                       float x0, float x1) {
    return render3d::makeBox(z0, z1, y0, y1, x0, x1, 120, 120, 120);
}

}  // namespace effects
