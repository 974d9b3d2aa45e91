#pragma once

#include <vector>

#include "CCObject.h"

NS_CC_BEGIN

// A small set of objects in insertion order; holds a reference to each. Main thread only.
class CCSet : public CCObject {
public:
    CCSet() = default;
    ~CCSet() override;
    static CCSet* create();

    void addObject(CCObject* object);
    void removeObject(CCObject* object);
    void removeAllObjects();
    bool containsObject(const CCObject* object) const;
    int count() const { return static_cast<int>(items_.size()); }
    // Null when empty.
    CCObject* anyObject() const { return items_.empty() ? nullptr : items_.front(); }
    CCSet* copy() const;

    std::vector<CCObject*>::iterator begin() { return items_.begin(); }
    std::vector<CCObject*>::iterator end() { return items_.end(); }
    std::vector<CCObject*>::const_iterator begin() const { return items_.begin(); }
    std::vector<CCObject*>::const_iterator end() const { return items_.end(); }

private:
    std::vector<CCObject*> items_;
};

typedef std::vector<CCObject*>::iterator CCSetIterator;

NS_CC_END
