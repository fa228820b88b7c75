#include "platform/playback/ZRPlaybackClock.h"

#include <chrono>

ZRMediaTime ZRMonotonicClock::now() const {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}
