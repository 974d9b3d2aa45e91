#include "CCArray.h"

#include <algorithm>
#include <climits>

NS_CC_BEGIN

CCArray::~CCArray() {
    removeAllObjects();
}

CCArray* CCArray::create() {
    auto* array = new CCArray();
    array->autorelease();
    return array;
}

CCArray* CCArray::createWithCapacity(unsigned int capacity) {
    CCArray* array = create();
    array->items_.reserve(capacity);
    return array;
}

CCObject* CCArray::objectAtIndex(unsigned int index) const {
    return index < items_.size() ? items_[index] : nullptr;
}

bool CCArray::containsObject(const CCObject* object) const {
    return indexOfObject(object) != UINT_MAX;
}

unsigned int CCArray::indexOfObject(const CCObject* object) const {
    auto it = std::find(items_.begin(), items_.end(), object);
    return it == items_.end() ? UINT_MAX : static_cast<unsigned int>(it - items_.begin());
}

void CCArray::addObject(CCObject* object) {
    if (!object) return;
    object->retain();
    items_.push_back(object);
}

void CCArray::insertObject(CCObject* object, unsigned int index) {
    if (!object) return;
    object->retain();
    items_.insert(items_.begin() + std::min<size_t>(index, items_.size()), object);
}

void CCArray::removeObject(CCObject* object) {
    unsigned int index = indexOfObject(object);
    if (index != UINT_MAX) removeObjectAtIndex(index);
}

void CCArray::removeObjectAtIndex(unsigned int index) {
    if (index >= items_.size()) return;
    CCObject* object = items_[index];
    items_.erase(items_.begin() + index);
    object->release();
}

void CCArray::removeLastObject() {
    if (!items_.empty()) removeObjectAtIndex(count() - 1);
}

void CCArray::removeAllObjects() {
    std::vector<CCObject*> old;
    old.swap(items_);
    for (CCObject* object : old) object->release();
}

void CCArray::exchangeObjectAtIndex(unsigned int a, unsigned int b) {
    if (a < items_.size() && b < items_.size()) std::swap(items_[a], items_[b]);
}

NS_CC_END
