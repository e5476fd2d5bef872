#include "playback/ViewerPresentations.h"

#include "platform/Trace.h"

namespace playback {

int ViewerPresentations::launch(const film::FilmItem& item) {
    const int result = launcher_.launch(item);
    if (result != film::LAUNCH_SHOWN) {
        // The show goes on with the next item; only the trace tells why.
        platform::trace("presentation of item %d not shown (%d): %s", item.number, result,
                        film::describeLaunchResult(result));
    }
    return result;
}

}  // namespace playback
