#pragma once

#define NS_CC_BEGIN namespace cocos2d {
#define NS_CC_END }
#define USING_NS_CC using namespace cocos2d

// Declares a static create() that allocates, runs init() and autoreleases.
#define CREATE_FUNC(__TYPE__)              \
    static __TYPE__* create() {            \
        __TYPE__* object = new __TYPE__(); \
        if (object->init()) {              \
            object->autorelease();         \
            return object;                 \
        }                                  \
        delete object;                     \
        return nullptr;                    \
    }

#define CC_SAFE_RELEASE(p)     \
    do {                       \
        if (p) (p)->release(); \
    } while (0)
#define CC_SAFE_RELEASE_NULL(p) \
    do {                        \
        if (p) {                \
            (p)->release();     \
            (p) = nullptr;      \
        }                       \
    } while (0)
#define CC_SAFE_RETAIN(p)     \
    do {                      \
        if (p) (p)->retain(); \
    } while (0)

#define CC_DEGREES_TO_RADIANS(angle) ((angle)*0.01745329252f)
#define CC_RADIANS_TO_DEGREES(angle) ((angle)*57.29577951f)
