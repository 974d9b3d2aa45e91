#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "CCGeometry.h"
#include "CCObject.h"

NS_CC_BEGIN

class CCScene;
class CCScheduler;
class CCActionManager;
class CCTouchDispatcher;
class CCMouseDispatcher;
class CCKeypadDispatcher;
class CCRenderer;
class CCEGLView;

// Runs the frame loop on the main thread. One frame (stepFrame) does, in order:
//   1. the input hook (events from the window, when there is one),
//   2. the scheduler: functions handed over by workers, then per-frame updates and timers,
//   3. the actions,
//   4. a pending scene change,
//   5. visit and draw of the running scene through the renderer (nothing is drawn without one),
//      between the render hooks (the view swaps buffers in its end hook),
//   6. the autorelease pool.
// Pacing (the real loop asks nextFrame after each frame): frames follow at the animation interval
// while actions run, a per-frame animation asks for it (requestAnimationFrame) or the last frame
// changed the screen; while ambient actions run (decorations: blinking markers, gliding numbers), at
// the ambient interval; otherwise the loop sleeps until the next timer, window input or a function
// handed over by a worker (which wakes it).
// Headless (the default until a view is attached) there is no renderer; tests may install a
// recording one (setRenderer) and drive time by calling stepFrame(dt) themselves: timers, delays,
// actions and retries run exactly as in the real loop.
class CCDirector : public CCObject {
public:
    static CCDirector* sharedDirector();
    // Ends the scene, drops every timer, action and queued function, and makes a fresh director.
    // For tests and for the end of the process.
    static void purgeDirector();

    void runWithScene(CCScene* scene);
    void replaceScene(CCScene* scene);
    CCScene* getRunningScene() const { return runningScene_; }

    CCScheduler* getScheduler() const { return scheduler_; }
    CCActionManager* getActionManager() const { return actionManager_; }
    CCTouchDispatcher* getTouchDispatcher() const { return touchDispatcher_; }
    CCMouseDispatcher* getMouseDispatcher() const { return mouseDispatcher_; }
    CCKeypadDispatcher* getKeypadDispatcher() const { return keypadDispatcher_; }

    // The renderer frames are drawn with; the director owns it. Null: nothing is drawn.
    void setRenderer(std::unique_ptr<CCRenderer> renderer);
    CCRenderer* getRenderer() const { return renderer_.get(); }
    // Draw calls of the last drawn frame (0 without a renderer).
    unsigned int getDrawCallCount() const;

    // The window view (not owned); set by the application.
    void setOpenGLView(CCEGLView* view);
    CCEGLView* getOpenGLView() const { return openGLView_; }

    // While stopped, CCApplication::run only handles window events and draws no frames.
    void startAnimation();
    void stopAnimation() { animating_ = false; }
    bool isAnimating() const { return animating_; }

    // The drawing area in points; the view sets it, headless tests may set it directly.
    const CCSize& getWinSize() const { return winSize_; }
    void setWinSize(const CCSize& size) { winSize_ = size; }
    CCSize getVisibleSize() const { return winSize_; }
    CCPoint getVisibleOrigin() const { return CCPointZero; }

    void setAnimationInterval(double seconds) { animationInterval_ = seconds > 0 ? seconds : 1.0 / 60; }
    double getAnimationInterval() const { return animationInterval_; }

    // One frame with the given time step in seconds (negative or NaN counts as 0).
    void stepFrame(float dt);
    // One frame with dt measured from the previous call (the real loop). plannedGap: how long the
    // loop meant to sleep since the last frame, so a longer gap (a debugger stop, a suspended
    // machine) is not handed to animations as one giant step.
    void mainLoop(double plannedGap = 0);
    // A per-frame animation (a scroll, a fling) wants the next frame at the full rate.
    void requestAnimationFrame() { animationRequested_ = true; }
    // Seconds from now until a frame is needed (0: at once; infinity: only on input or a message).
    double secondsUntilNextFrame() const;
    // Frames for ambient actions alone: a blinking marker or a gliding number needs no more.
    static constexpr double AMBIENT_INTERVAL = 1.0 / 20;
    // The next frame runs at once and redraws everything (expose, resize, focus).
    void invalidateFrame();
    // Every frame at the animation interval, each drawn whole (for comparison runs).
    void setContinuousFrames(bool continuous);
    bool isContinuousFrames() const { return continuous_; }
    // Whether the last frame drew anything (always with a renderer that does not track damage, never
    // without a renderer).
    bool drewLastFrame() const { return drewLastFrame_; }
    // Frames that drew something and their redrawn area in window pixels, since the start.
    unsigned int getDrawnFrames() const { return drawnFrames_; }
    double getRedrawnArea() const { return redrawnArea_; }
    unsigned long getDrawCallTotal() const { return drawCallTotal_; }
    // Asks the loop to stop after the current frame.
    void end() { ending_ = true; }
    bool isEnding() const { return ending_; }

    float getDeltaTime() const { return deltaTime_; }
    unsigned int getTotalFrames() const { return totalFrames_; }
    // Sum of every frame's dt since the director was made.
    double getTotalTime() const { return totalTime_; }

    // Hooks the window layer installs; all optional.
    void setInputHook(std::function<void()> hook) { inputHook_ = std::move(hook); }
    void setRenderHooks(std::function<void()> beginFrame, std::function<void()> endFrame) {
        beginFrame_ = std::move(beginFrame);
        endFrame_ = std::move(endFrame);
    }
    void setProjectionHook(std::function<void(const CCSize&)> hook) { projectionHook_ = std::move(hook); }
    // Recomputes the projection for the current window size.
    void reshapeProjection(const CCSize& size);

private:
    CCDirector();
    ~CCDirector() override;
    void setNextScene();

    CCScheduler* scheduler_ = nullptr;
    CCActionManager* actionManager_ = nullptr;
    CCScene* runningScene_ = nullptr;
    CCScene* nextScene_ = nullptr;
    CCSize winSize_{900, 600};
    double animationInterval_ = 1.0 / 60;
    float deltaTime_ = 0;
    unsigned int totalFrames_ = 0;
    double totalTime_ = 0;
    bool ending_ = false;
    bool haveLastTick_ = false;
    std::chrono::steady_clock::time_point lastTick_;
    std::function<void()> inputHook_;
    std::function<void()> beginFrame_;
    std::function<void()> endFrame_;
    std::function<void(const CCSize&)> projectionHook_;
    CCTouchDispatcher* touchDispatcher_ = nullptr;
    CCMouseDispatcher* mouseDispatcher_ = nullptr;
    CCKeypadDispatcher* keypadDispatcher_ = nullptr;
    std::unique_ptr<CCRenderer> renderer_;
    CCEGLView* openGLView_ = nullptr;
    bool animating_ = true;
    bool continuous_ = false;
    bool frameRequested_ = true;
    bool drewLastFrame_ = false;
    bool animationRequested_ = false;
    unsigned int drawnFrames_ = 0;
    double redrawnArea_ = 0;
    unsigned long drawCallTotal_ = 0;
};

NS_CC_END
