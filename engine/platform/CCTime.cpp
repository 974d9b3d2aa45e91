#include "CCTime.h"

#include <ctime>

NS_CC_BEGIN

int CCTime::gettimeofday(cc_timeval* tp, void*) {
    if (!tp) return -1;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tp->tv_sec = static_cast<long>(now.tv_sec);
    tp->tv_usec = static_cast<long>(now.tv_nsec / 1000);
    return 0;
}

double CCTime::timersubCocos2d(const cc_timeval* start, const cc_timeval* end) {
    if (!start || !end) return 0;
    return (end->tv_sec - start->tv_sec) * 1000.0 + (end->tv_usec - start->tv_usec) / 1000.0;
}

NS_CC_END
