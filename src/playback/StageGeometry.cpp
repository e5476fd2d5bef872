#include "playback/StageGeometry.h"

namespace playback {

namespace {

struct StageSize {
    int width;
    int height;
};

StageSize chooseSize(int clientWidth, int clientHeight, int sizeMode) {
    switch (sizeMode) {
        case 0:
            return {640, 480};
        case 1:
            if (clientWidth >= 1280 && clientHeight >= 1024)
                return {1280, 1024};
            if (clientWidth >= 1024 && clientHeight >= 768)
                return {1024, 768};
            if (clientWidth >= 800 && clientHeight >= 600)
                return {800, 600};
            return {640, 480};
        case 2:
            return {1024, 768};
        default:
            return {1280, 1024};
    }
}

}  // namespace

StageRect computeStage(int clientWidth, int clientHeight, int sizeMode) {
    const StageSize size = chooseSize(clientWidth, clientHeight, sizeMode < 0 ? 3 : sizeMode);
    if (clientWidth > size.width && clientHeight > size.height) {
        return {(clientWidth - size.width) / 2, (clientHeight - size.height) / 2, size.width,
                size.height};
    }
    if (clientWidth <= 0 || clientHeight <= 0) {
        return {};
    }
    StageRect stage;
    const float aspect = static_cast<float>(size.width) / static_cast<float>(size.height);
    if (aspect > static_cast<float>(clientWidth) / static_cast<float>(clientHeight)) {
        stage.width = clientWidth;
        stage.height = static_cast<int>(static_cast<float>(clientWidth) / aspect);
    } else {
        stage.height = clientHeight;
        stage.width = static_cast<int>(aspect * static_cast<float>(clientHeight));
    }
    stage.x = (clientWidth - stage.width) / 2;
    stage.y = (clientHeight - stage.height) / 2;
    // Frames are always even-sized; the odd pixel goes on the right or bottom.
    stage.width &= ~1;
    stage.height &= ~1;
    return stage;
}

StageRect computeFilledStage(int clientWidth, int clientHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) {
        return {};
    }
    int width = clientWidth;
    int height = width * 3 / 4;
    if (height > clientHeight) {
        height = clientHeight;
        width = height * 4 / 3;
    }
    width &= ~1;
    height &= ~1;
    return {(clientWidth - width) / 2, (clientHeight - height) / 2, width, height};
}

}  // namespace playback
