#include "platform/MediaBackend.h"

#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace platform {

bool mediaBackendAvailable() {
    const char* disabled = std::getenv("PHOTOREEL_NO_MEDIA");
    if (disabled != nullptr && disabled[0] != '\0' && std::strcmp(disabled, "0") != 0) {
        return false;
    }
    // A usable backend can make a demuxer context and has the decoders that
    // film clips and music need most.
    AVFormatContext* context = avformat_alloc_context();
    if (context == nullptr) {
        return false;
    }
    avformat_free_context(context);
    return avcodec_find_decoder(AV_CODEC_ID_MPEG4) != nullptr &&
           avcodec_find_decoder(AV_CODEC_ID_MP3) != nullptr;
}

std::string mediaBackendVersion() {
    auto version = [](unsigned v) {
        return std::to_string(v >> 16) + "." + std::to_string((v >> 8) & 0xFF) + "." +
               std::to_string(v & 0xFF);
    };
    return "libavformat " + version(avformat_version()) + ", libavcodec " +
           version(avcodec_version());
}

}  // namespace platform
