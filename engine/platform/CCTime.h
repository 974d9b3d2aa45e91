#pragma once

#include "CCPlatformMacros.h"

NS_CC_BEGIN

struct cc_timeval {
    long tv_sec = 0;
    long tv_usec = 0;  // 0 to 999999
};

class CCTime {
public:
    // The engine clock: seconds and microseconds. Returns 0 on success, -1 when tp is null.
    static int gettimeofday(cc_timeval* tp, void* tzp = nullptr);
    // Milliseconds from start to end.
    static double timersubCocos2d(const cc_timeval* start, const cc_timeval* end);
};

NS_CC_END
