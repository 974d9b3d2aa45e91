#pragma once

#include <cstddef>
#include <vector>

#include "CCObject.h"

NS_CC_BEGIN

// Holds the references handed over by autorelease() and drops them once per frame.
// Main thread only.
class CCPoolManager {
public:
    static CCPoolManager* sharedPoolManager();

    void addObject(CCObject* object);
    // Releases every pooled object once; objects autoreleased while draining wait for the next drain.
    void pop();
    size_t pendingCount() const { return objects_.size(); }

private:
    std::vector<CCObject*> objects_;
};

NS_CC_END
