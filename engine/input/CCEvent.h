#pragma once

#include "CCObject.h"

NS_CC_BEGIN

// Passed with touches for interface compatibility; carries nothing.
class CCEvent : public CCObject {};

NS_CC_END
