#pragma once

#include "CCGeometry.h"
#include "CCObject.h"

NS_CC_BEGIN

// One pointer contact. Locations are in GL coordinates (window pixels, origin bottom left, y up);
// the "InView" forms are window coordinates (origin top left, y down).
class CCTouch : public CCObject {
public:
    CCTouch() = default;

    int getID() const { return id_; }
    CCPoint getLocation() const { return location_; }
    CCPoint getPreviousLocation() const { return previous_; }
    CCPoint getStartLocation() const { return start_; }
    CCPoint getDelta() const { return location_ - previous_; }
    CCPoint getLocationInView() const { return toView(location_); }
    CCPoint getPreviousLocationInView() const { return toView(previous_); }
    CCPoint getStartLocationInView() const { return toView(start_); }

    // Set by the view (or by tests): the first call also sets the start and previous locations.
    void setTouchInfo(int id, const CCPoint& glLocation, float viewHeight);

private:
    CCPoint toView(const CCPoint& p) const { return {p.x, viewHeight_ - p.y}; }

    int id_ = 0;
    bool started_ = false;
    float viewHeight_ = 0;
    CCPoint location_;
    CCPoint previous_;
    CCPoint start_;
};

NS_CC_END
