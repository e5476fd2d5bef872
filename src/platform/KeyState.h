#pragma once

#include <array>
#include <atomic>

namespace platform {

// "Pressed since the last query" flags for the 256 virtual keys; set by the
// main thread as key-down messages arrive, read and cleared by any thread.
class KeyState {
  public:
    void keyWentDown(int virtualKey) {
        if (virtualKey >= 0 && virtualKey < 256) {
            pressed_[virtualKey].store(true, std::memory_order_relaxed);
        }
    }

    bool pressedSinceLastQuery(int virtualKey) {
        if (virtualKey < 0 || virtualKey >= 256) {
            return false;
        }
        return pressed_[virtualKey].exchange(false, std::memory_order_relaxed);
    }

  private:
    std::array<std::atomic<bool>, 256> pressed_{};
};

}  // namespace platform
