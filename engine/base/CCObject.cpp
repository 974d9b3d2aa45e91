#include "CCObject.h"

#include <cassert>

#include "CCAutoreleasePool.h"

NS_CC_BEGIN

namespace {
unsigned int nextObjectId = 0;
}

CCObject::CCObject() : id_(++nextObjectId) {}

CCObject::~CCObject() = default;

void CCObject::retain() {
    assert(refCount_ > 0 && "retain() on an object that was already freed");
    ++refCount_;
}

void CCObject::release() {
    assert(refCount_ > 0 && "release() called more often than retain()");
    if (--refCount_ == 0) delete this;
}

CCObject* CCObject::autorelease() {
    CCPoolManager::sharedPoolManager()->addObject(this);
    return this;
}

CCPoolManager* CCPoolManager::sharedPoolManager() {
    static CCPoolManager manager;
    return &manager;
}

void CCPoolManager::addObject(CCObject* object) {
    objects_.push_back(object);
}

void CCPoolManager::pop() {
    std::vector<CCObject*> draining;
    draining.swap(objects_);
    for (CCObject* object : draining) object->release();
}

NS_CC_END
