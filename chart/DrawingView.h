#pragma once

#include "CCNode.h"
#include "CCTouchDelegate.h"

// The common base of the K-line chart view and of the indicator panes stacked under it: a node that
// takes touches as a targeted, swallowing delegate while touch is enabled and it is in the running
// scene, and that draws itself and its children clipped to its own rectangle.
//
// Views of one chart window form a stack: upperView and lowerView are the neighbours that share the
// resizable borders at this view's top and bottom edges. They are not retained (the window owns every
// view of the stack). Main thread only.
class DrawingView : public cocos2d::CCNode, public cocos2d::CCTouchDelegate {
public:
    // Touch priority copied into every view when it is made. The connecting screen raises it for its
    // decorative chart; chart windows put it back to 0 before they create their views.
    static void setDefaultTouchPriority(int priority);
    static int getDefaultTouchPriority();

    DrawingView();
    ~DrawingView() override;

    virtual void setViewSize(float width, float height);
    virtual bool isTouchEnabled() const { return touchEnabled_; }
    virtual void setTouchEnabled(bool enabled);
    virtual void registerWithTouchDispatcher();
    virtual void unregisterFromTouchDispatcher();
    virtual void setLowerView(DrawingView* view) { lowerView_ = view; }
    virtual bool getViewFlag() const { return viewFlag_; }
    virtual float getViewScale() const { return viewScale_; }
    virtual void setViewScale(float scale) { viewScale_ = scale; }

    DrawingView* getLowerView() const { return lowerView_; }
    void setUpperView(DrawingView* view) { upperView_ = view; }
    DrawingView* getUpperView() const { return upperView_; }
    int getTouchPriority() const { return touchPriority_; }
    // Takes effect at the next registration.
    void setTouchPriority(int priority) { touchPriority_ = priority; }

    void onEnter() override;
    void onExit() override;
    // Scissors the node and its children to the node's rectangle in window pixels.
    void visit() override;

    // The view's rectangle in window pixels.
    cocos2d::CCRect windowRect() const;

protected:
    int touchPriority_;
    DrawingView* upperView_ = nullptr;
    DrawingView* lowerView_ = nullptr;
    bool viewFlag_ = false;
    float viewScale_ = 1.0f;
    bool touchEnabled_ = false;

private:
    bool registered_ = false;
};
