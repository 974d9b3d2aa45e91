#pragma once

#include <vector>

#include "CCObject.h"
#include "CCTouchDelegate.h"

NS_CC_BEGIN

class CCSet;
class CCTouch;

// Hands touches to delegates. Targeted delegates come first, in priority order (lower value first,
// equal priorities in the order they were added); a targeted delegate that claims a touch and
// swallows touches keeps it from every later delegate. Standard delegates then get the touches
// nobody swallowed. Delegates may be added or removed from inside a callback: a removed delegate
// gets nothing more, an added one takes part from the next event. Main thread only.
class CCTouchDispatcher : public CCObject {
public:
    CCTouchDispatcher() = default;
    ~CCTouchDispatcher() override;

    void addStandardDelegate(CCTouchDelegate* delegate, int priority);
    // The two trailing flags exist for interface compatibility and are ignored.
    void addTargetedDelegate(CCTouchDelegate* delegate, int priority, bool swallowsTouches, bool = false,
                             bool = false);
    void removeDelegate(CCTouchDelegate* delegate);
    void removeAllDelegates();
    void setPriority(int priority, CCTouchDelegate* delegate);
    bool hasDelegate(const CCTouchDelegate* delegate) const;

    void setDispatchEvents(bool dispatch) { dispatchEvents_ = dispatch; }
    bool isDispatchEvents() const { return dispatchEvents_; }

    // Input from the view.
    void touchesBegan(CCSet* touches, CCEvent* event);
    void touchesMoved(CCSet* touches, CCEvent* event);
    void touchesEnded(CCSet* touches, CCEvent* event);
    void touchesCancelled(CCSet* touches, CCEvent* event);

private:
    enum class Phase { Began, Moved, Ended, Cancelled };
    struct Handler {
        CCTouchDelegate* delegate = nullptr;
        int priority = 0;
        bool targeted = false;
        bool swallows = false;
        bool removed = false;
        unsigned long order = 0;
        std::vector<CCTouch*> claimed;
    };

    void add(Handler handler);
    void dispatch(CCSet* touches, CCEvent* event, Phase phase);
    void applyPending();
    void sortHandlers();
    static void retainDelegate(CCTouchDelegate* delegate);
    static void releaseDelegate(CCTouchDelegate* delegate);

    std::vector<Handler> handlers_;
    std::vector<Handler> toAdd_;
    std::vector<CCTouchDelegate*> pendingRelease_;
    bool locked_ = false;
    bool dispatchEvents_ = true;
    unsigned long nextOrder_ = 0;
};

NS_CC_END
