#pragma once

#include "platform/Clock.h"

namespace platform {

// The real monotonic clock with 1 ms resolution.
class SystemClock final : public Clock {
  public:
    SystemClock();

    Millis nowMs() override;
    void sleepMs(Millis ms) override;
    std::unique_ptr<ClockEvent> createEvent(EventReset reset) override;
    std::thread startThread(std::string name, std::function<void()> body) override;
    void joinThread(std::thread& thread) override;

  private:
    std::int64_t startNs_;
};

}  // namespace platform
