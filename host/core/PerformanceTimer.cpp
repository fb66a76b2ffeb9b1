// The stopwatch uses a steady clock, so a change of the system time never yields a negative duration.
#include "host/core/PerformanceTimer.h"

namespace MaxSDK::PerformanceTools {

void Timer::StartTimer() {
    start_ = Clock::now();
    elapsed_ = 0.0;
    running_ = true;
}

double Timer::EndTimer() {
    if (running_) {
        elapsed_ = std::chrono::duration<double>(Clock::now() - start_).count();
        running_ = false;
    }
    return elapsed_;
}

double Timer::GetElapsedTime() const {
    if (running_) return std::chrono::duration<double>(Clock::now() - start_).count();
    return elapsed_;
}

} // namespace MaxSDK::PerformanceTools
