#pragma once

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// Anything that shows a text: TrueType labels, atlas labels, text fields.
class CCLabelProtocol {
public:
    virtual ~CCLabelProtocol() = default;
    virtual void setString(const char* text) = 0;
    virtual const char* getString() const = 0;
};

NS_CC_END
