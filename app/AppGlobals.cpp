#include "AppGlobals.h"

cocos2d::CCSize AppGlobals::windowSize;
cocos2d::CCPoint AppGlobals::designScale{1.0f, 1.0f};
float AppGlobals::uniformScale = 1.0f;
bool AppGlobals::windowActive = true;
bool AppGlobals::showStats = false;
