#include "CCString.h"

#include "CCCommon.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

NS_CC_BEGIN

CCString* CCString::create(const std::string& text) {
    auto* s = new CCString(text);
    s->autorelease();
    return s;
}

CCString* CCString::createWithFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = CCFormatV(format, args);
    va_end(args);
    return create(text);
}

int CCString::intValue() const {
    return std::atoi(m_sString.c_str());
}
float CCString::floatValue() const {
    return static_cast<float>(std::atof(m_sString.c_str()));
}
double CCString::doubleValue() const {
    return std::atof(m_sString.c_str());
}

NS_CC_END
