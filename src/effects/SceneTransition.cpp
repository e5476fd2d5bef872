#include "effects/SceneTransition.h"

#include <new>

#include "render3d/Resample.h"

namespace effects {

namespace {

constexpr std::size_t TEXTURE_PIXELS =
    std::size_t{SceneTransition::TEXTURE_SIZE} * SceneTransition::TEXTURE_SIZE;

bool makeTexture(std::vector<Pixel>& texture, const Pixel* picture, int width, int height) {
    try {
        texture.assign(TEXTURE_PIXELS, 0);
    } catch (const std::bad_alloc&) {
        texture = {};
        return false;
    }
    render3d::resampleImage(
        {texture.data(), SceneTransition::TEXTURE_SIZE, SceneTransition::TEXTURE_SIZE},
        {picture, width, height});
    return true;
}

}  // namespace

render3d::ConstImageView SceneTransition::view(const std::vector<Pixel>& texture) {
    if (texture.empty()) {
        return {};
    }
    return {texture.data(), TEXTURE_SIZE, TEXTURE_SIZE};
}

bool SceneTransition::beginScene(const PictureFrameBlock& block, Pictures pictures) {
    end(block);
    shared_.holder = this;
    if (!hasPictures(block)) {
        return false;
    }
    const bool from = pictures != Pictures::ToOnly;
    const bool to = pictures != Pictures::FromOnly;
    if ((from && !makeTexture(fromTexture_, block.from, block.width, block.height)) ||
        (to && !makeTexture(toTexture_, block.to, block.width, block.height))) {
        fromTexture_ = {};
        toTexture_ = {};
        return false;
    }
    hasTextures_ = true;
    out_ = block.out;
    width_ = block.width;
    height_ = block.height;
    aspect_ = static_cast<float>(block.width) / static_cast<float>(block.height);
    shared_.scene.open({block.out, block.width, block.height});
    return true;
}

bool SceneTransition::preparePieces(int count) {
    try {
        objects_.assign(static_cast<std::size_t>(count), 0);
    } catch (const std::bad_alloc&) {
        objects_ = {};
        return false;
    }
    return true;
}

void SceneTransition::addPiece(int index, const render3d::MeshDesc* mesh) {
    if (mesh != nullptr && index >= 0 && index < static_cast<int>(objects_.size())) {
        objects_[static_cast<std::size_t>(index)] = shared_.scene.addMesh(*mesh);
    }
}

int SceneTransition::objectOf(int index) const {
    if (index < 0 || index >= static_cast<int>(objects_.size())) {
        return 0;
    }
    return objects_[static_cast<std::size_t>(index)];
}

bool SceneTransition::readyFor(const PictureFrameBlock& block) {
    if (!hasTextures_ || shared_.holder != this || block.width != width_ ||
        block.height != height_) {
        return false;
    }
    // The scene was opened on Begin's output; a caller may hand each frame
    // another buffer of the same size.
    render3d::GraphicsApi* context = shared_.scene.context();
    if (block.out != out_ && context != nullptr) {
        context->setOutputBuffer(block.out);
        out_ = block.out;
    }
    return true;
}

void SceneTransition::resetPose(int index) {
    shared_.scene.resetTransform(objectOf(index));
}

void SceneTransition::translate(int index, float x, float y, float z) {
    shared_.scene.translate(objectOf(index), x, y, z);
}

void SceneTransition::rotate(int index, float angle, float x, float y, float z) {
    shared_.scene.rotate(objectOf(index), angle, x, y, z);
}

void SceneTransition::drawScene() {
    shared_.scene.renderFrame();
}

int SceneTransition::end(const PictureFrameBlock&) {
    if (shared_.holder == this) {
        shared_.scene.close();
        shared_.holder = nullptr;
    }
    fromTexture_ = {};
    toTexture_ = {};
    hasTextures_ = false;
    objects_ = {};
    out_ = nullptr;
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
