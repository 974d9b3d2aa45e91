#include "CCTouchDispatcher.h"

#include <algorithm>

#include "CCSet.h"
#include "CCTouch.h"

NS_CC_BEGIN

CCTouchDispatcher::~CCTouchDispatcher() {
    for (Handler& h : handlers_) {
        for (CCTouch* t : h.claimed) t->release();
        if (!h.removed) releaseDelegate(h.delegate);
    }
    for (Handler& h : toAdd_) releaseDelegate(h.delegate);
}

void CCTouchDispatcher::retainDelegate(CCTouchDelegate* delegate) {
    if (auto* object = dynamic_cast<CCObject*>(delegate)) object->retain();
}

void CCTouchDispatcher::releaseDelegate(CCTouchDelegate* delegate) {
    if (auto* object = dynamic_cast<CCObject*>(delegate)) object->release();
}

bool CCTouchDispatcher::hasDelegate(const CCTouchDelegate* delegate) const {
    for (const Handler& h : handlers_)
        if (h.delegate == delegate && !h.removed) return true;
    for (const Handler& h : toAdd_)
        if (h.delegate == delegate) return true;
    return false;
}

void CCTouchDispatcher::add(Handler handler) {
    if (!handler.delegate || hasDelegate(handler.delegate)) return;
    retainDelegate(handler.delegate);
    handler.order = nextOrder_++;
    if (locked_) {
        toAdd_.push_back(std::move(handler));
        return;
    }
    handlers_.push_back(std::move(handler));
    sortHandlers();
}

void CCTouchDispatcher::addStandardDelegate(CCTouchDelegate* delegate, int priority) {
    Handler h;
    h.delegate = delegate;
    h.priority = priority;
    add(std::move(h));
}

void CCTouchDispatcher::addTargetedDelegate(CCTouchDelegate* delegate, int priority, bool swallowsTouches,
                                            bool, bool) {
    Handler h;
    h.delegate = delegate;
    h.priority = priority;
    h.targeted = true;
    h.swallows = swallowsTouches;
    add(std::move(h));
}

void CCTouchDispatcher::removeDelegate(CCTouchDelegate* delegate) {
    if (!delegate) return;
    for (auto it = toAdd_.begin(); it != toAdd_.end(); ++it) {
        if (it->delegate == delegate) {
            toAdd_.erase(it);
            releaseDelegate(delegate);
            return;
        }
    }
    for (size_t i = 0; i < handlers_.size(); ++i) {
        if (handlers_[i].delegate != delegate || handlers_[i].removed) continue;
        handlers_[i].removed = true;
        if (locked_) {
            // The delegate may be the one running right now: let it go after the dispatch.
            pendingRelease_.push_back(delegate);
            return;
        }
        for (CCTouch* t : handlers_[i].claimed) t->release();
        handlers_.erase(handlers_.begin() + static_cast<long>(i));
        releaseDelegate(delegate);
        return;
    }
}

void CCTouchDispatcher::removeAllDelegates() {
    std::vector<CCTouchDelegate*> all;
    for (const Handler& h : handlers_)
        if (!h.removed) all.push_back(h.delegate);
    for (const Handler& h : toAdd_) all.push_back(h.delegate);
    for (CCTouchDelegate* d : all) removeDelegate(d);
}

void CCTouchDispatcher::setPriority(int priority, CCTouchDelegate* delegate) {
    for (Handler& h : handlers_)
        if (h.delegate == delegate) h.priority = priority;
    for (Handler& h : toAdd_)
        if (h.delegate == delegate) h.priority = priority;
    if (!locked_) sortHandlers();
}

void CCTouchDispatcher::sortHandlers() {
    std::stable_sort(handlers_.begin(), handlers_.end(), [](const Handler& a, const Handler& b) {
        return a.priority < b.priority || (a.priority == b.priority && a.order < b.order);
    });
}

void CCTouchDispatcher::applyPending() {
    handlers_.erase(
        std::remove_if(handlers_.begin(), handlers_.end(), [](const Handler& h) { return h.removed; }),
        handlers_.end());
    for (Handler& h : toAdd_) handlers_.push_back(std::move(h));
    toAdd_.clear();
    sortHandlers();
}

void CCTouchDispatcher::touchesBegan(CCSet* touches, CCEvent* event) {
    dispatch(touches, event, Phase::Began);
}
void CCTouchDispatcher::touchesMoved(CCSet* touches, CCEvent* event) {
    dispatch(touches, event, Phase::Moved);
}
void CCTouchDispatcher::touchesEnded(CCSet* touches, CCEvent* event) {
    dispatch(touches, event, Phase::Ended);
}
void CCTouchDispatcher::touchesCancelled(CCSet* touches, CCEvent* event) {
    dispatch(touches, event, Phase::Cancelled);
}

void CCTouchDispatcher::dispatch(CCSet* touches, CCEvent* event, Phase phase) {
    if (!dispatchEvents_ || !touches || touches->count() == 0) return;
    // The delegates may drop the last reference to anything: keep the set and ourselves alive.
    retain();
    CCSet* remaining = touches->copy();
    std::vector<CCObject*> list(touches->begin(), touches->end());
    for (CCObject* o : list) o->retain();
    locked_ = true;

    // Handlers are only appended or flagged while locked, so indices stay valid.
    for (size_t i = 0; i < handlers_.size(); ++i) {
        if (!handlers_[i].targeted) continue;
        for (CCObject* object : list) {
            auto* touch = static_cast<CCTouch*>(object);
            if (!remaining->containsObject(touch)) continue;
            if (handlers_[i].removed) break;
            CCTouchDelegate* d = handlers_[i].delegate;
            bool claimed = false;
            if (phase == Phase::Began) {
                claimed = d->ccTouchBegan(touch, event);
                if (claimed && !handlers_[i].removed) {
                    touch->retain();
                    handlers_[i].claimed.push_back(touch);
                }
            } else {
                auto& owned = handlers_[i].claimed;
                auto found = std::find(owned.begin(), owned.end(), touch);
                claimed = found != owned.end();
                if (claimed) {
                    if (phase != Phase::Moved) {
                        owned.erase(found);
                        touch->release();
                    }
                    if (phase == Phase::Moved)
                        d->ccTouchMoved(touch, event);
                    else if (phase == Phase::Ended)
                        d->ccTouchEnded(touch, event);
                    else
                        d->ccTouchCancelled(touch, event);
                }
            }
            if (claimed && handlers_[i].swallows) remaining->removeObject(touch);
        }
    }

    if (remaining->count() > 0) {
        for (size_t i = 0; i < handlers_.size(); ++i) {
            if (handlers_[i].targeted || handlers_[i].removed) continue;
            CCTouchDelegate* d = handlers_[i].delegate;
            switch (phase) {
                case Phase::Began:
                    d->ccTouchesBegan(remaining, event);
                    break;
                case Phase::Moved:
                    d->ccTouchesMoved(remaining, event);
                    break;
                case Phase::Ended:
                    d->ccTouchesEnded(remaining, event);
                    break;
                case Phase::Cancelled:
                    d->ccTouchesCancelled(remaining, event);
                    break;
            }
        }
    }

    locked_ = false;
    // Claims of removed handlers die with them.
    for (Handler& h : handlers_)
        if (h.removed) {
            for (CCTouch* t : h.claimed) t->release();
            h.claimed.clear();
        }
    applyPending();
    std::vector<CCTouchDelegate*> released;
    released.swap(pendingRelease_);
    for (CCTouchDelegate* d : released) releaseDelegate(d);
    remaining->release();
    for (CCObject* o : list) o->release();
    release();
}

NS_CC_END
