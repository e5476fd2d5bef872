#pragma once

#include <SDL2/SDL_keyboard.h>

namespace platform {

// The virtual-key code of an SDL key, or 0 for keys the show does not know.
int virtualKeyFromSdl(const SDL_Keysym& key);

}  // namespace platform
