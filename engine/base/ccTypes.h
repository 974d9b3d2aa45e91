#pragma once

#include <cstdint>

#include "CCPlatformMacros.h"

NS_CC_BEGIN

struct ccColor3B {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const ccColor3B& o) const { return r == o.r && g == o.g && b == o.b; }
};
struct ccColor4B {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const ccColor4B& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
struct ccColor4F {
    float r = 0, g = 0, b = 0, a = 0;
    bool operator==(const ccColor4F& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

inline ccColor3B ccc3(uint8_t r, uint8_t g, uint8_t b) {
    return {r, g, b};
}
inline ccColor4B ccc4(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return {r, g, b, a};
}
inline ccColor4F ccc4f(float r, float g, float b, float a) {
    return {r, g, b, a};
}
inline ccColor4F ccc4FFromccc3B(ccColor3B c) {
    return {c.r / 255.f, c.g / 255.f, c.b / 255.f, 1.f};
}
inline ccColor4F ccc4FFromccc4B(ccColor4B c) {
    return {c.r / 255.f, c.g / 255.f, c.b / 255.f, c.a / 255.f};
}

inline constexpr ccColor3B ccWHITE{255, 255, 255};
inline constexpr ccColor3B ccBLACK{0, 0, 0};
inline constexpr ccColor3B ccRED{255, 0, 0};
inline constexpr ccColor3B ccGREEN{0, 255, 0};
inline constexpr ccColor3B ccBLUE{0, 0, 255};
inline constexpr ccColor3B ccYELLOW{255, 255, 0};
inline constexpr ccColor3B ccGRAY{166, 166, 166};

NS_CC_END
