#include "CCTouch.h"

NS_CC_BEGIN

void CCTouch::setTouchInfo(int id, const CCPoint& glLocation, float viewHeight) {
    id_ = id;
    viewHeight_ = viewHeight;
    if (!started_) {
        started_ = true;
        start_ = previous_ = location_ = glLocation;
        return;
    }
    previous_ = location_;
    location_ = glLocation;
}

NS_CC_END
