#include "platform/sdl/SdlKeys.h"

#include "platform/Messages.h"

namespace platform {

int virtualKeyFromSdl(const SDL_Keysym& key) {
    const SDL_Keycode code = key.sym;
    if (code >= SDLK_a && code <= SDLK_z) {
        return 'A' + (code - SDLK_a);
    }
    if (code >= SDLK_0 && code <= SDLK_9) {
        return '0' + (code - SDLK_0);
    }
    if (code >= SDLK_F1 && code <= SDLK_F12) {
        return VK_F1 + (code - SDLK_F1);
    }
    if (code >= SDLK_KP_1 && code <= SDLK_KP_9) {
        return VK_NUMPAD0 + 1 + (code - SDLK_KP_1);
    }
    switch (code) {
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_END:
            return VK_END;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY:
            return VK_MULTIPLY;
        // The main row's + (= unshifted on many layouts) and - zoom as the
        // keypad's do: most laptops have no keypad.
        case SDLK_KP_PLUS:
        case SDLK_PLUS:
        case SDLK_EQUALS:
            return VK_ADD;
        case SDLK_KP_MINUS:
        case SDLK_MINUS:
            return VK_SUBTRACT;
        case SDLK_KP_PERIOD:
            return VK_DECIMAL;
        case SDLK_KP_DIVIDE:
            return VK_DIVIDE;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        default:
            return 0;
    }
}

}  // namespace platform
