#pragma once

#include "platform/Messages.h"

namespace media {

// Messages the media players post to the player window.
inline constexpr platform::MessageId MSG_MUSIC_RESTART = 2075;  // wParam: file name, lParam: player
inline constexpr platform::MessageId MSG_GRAPH_NOTIFY = 3724;   // a clip's media graph has news

}  // namespace media
