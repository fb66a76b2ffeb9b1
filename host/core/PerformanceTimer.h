// A wall-clock stopwatch with the host's performance-tools shape, for timing long operations.
#pragma once

#include <chrono>

namespace MaxSDK::PerformanceTools {

class Timer {
public:
    // Starts (or restarts) timing from now.
    void StartTimer();
    // Stops timing and returns the seconds since StartTimer; again the same value when already stopped,
    // 0 when never started.
    double EndTimer();
    // Seconds since StartTimer while running; after EndTimer, the seconds it returned.
    double GetElapsedTime() const;
    bool IsRunning() const { return running_; }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_{};
    double elapsed_ = 0.0;
    bool running_ = false;
};

} // namespace MaxSDK::PerformanceTools

namespace PerformanceTools = MaxSDK::PerformanceTools;
