#pragma once

#include <string>

#include "CCObject.h"

NS_CC_BEGIN

// An engine-owned text, for APIs that pass CCObject.
class CCString : public CCObject {
public:
    explicit CCString(std::string text = {}) : m_sString(std::move(text)) {}

    static CCString* create(const std::string& text);
    // printf-style; the result is never cut.
    static CCString* createWithFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

    const char* getCString() const { return m_sString.c_str(); }
    unsigned int length() const { return static_cast<unsigned int>(m_sString.size()); }
    int intValue() const;
    float floatValue() const;
    double doubleValue() const;
    bool isEqual(const CCString* other) const { return other && other->m_sString == m_sString; }

    std::string m_sString;
};

NS_CC_END
