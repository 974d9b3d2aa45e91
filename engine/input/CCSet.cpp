#include "CCSet.h"

#include <algorithm>

NS_CC_BEGIN

CCSet::~CCSet() {
    removeAllObjects();
}

CCSet* CCSet::create() {
    auto* set = new CCSet();
    set->autorelease();
    return set;
}

void CCSet::addObject(CCObject* object) {
    if (!object || containsObject(object)) return;
    object->retain();
    items_.push_back(object);
}

void CCSet::removeObject(CCObject* object) {
    auto found = std::find(items_.begin(), items_.end(), object);
    if (found == items_.end()) return;
    items_.erase(found);
    object->release();
}

void CCSet::removeAllObjects() {
    std::vector<CCObject*> old;
    old.swap(items_);
    for (CCObject* o : old) o->release();
}

bool CCSet::containsObject(const CCObject* object) const {
    return std::find(items_.begin(), items_.end(), object) != items_.end();
}

CCSet* CCSet::copy() const {
    auto* set = new CCSet();
    for (CCObject* o : items_) set->addObject(o);
    return set;
}

NS_CC_END
