#include "platform/FfmpegLog.h"

#include <cstdlib>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace platform {

void quietenFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char* traceOn = std::getenv("PHOTOREEL_TRACE");
        if (traceOn == nullptr || traceOn[0] == '\0' || traceOn[0] == '0') {
            av_log_set_level(AV_LOG_FATAL);
        }
    });
}

}  // namespace platform
