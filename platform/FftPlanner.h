#pragma once

#include <mutex>

namespace tavik {

// FFTW's planner (making and destroying plans) is not thread-safe; only executing a plan is.
// Every plan of the process is made and destroyed under this lock.
inline std::mutex& FftPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace tavik
