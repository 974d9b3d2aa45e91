#pragma once

#include "CCPlatformMacros.h"

NS_CC_BEGIN

enum ccLanguageType { kLanguageEnglish = 0, kLanguageChinese };
enum TargetPlatform { kTargetWindows, kTargetLinux, kTargetMacOS };

// The program's application object: one per process, reached through sharedApplication once
// constructed. run() opens the window, calls applicationDidFinishLaunching and then runs the frame
// loop (CCDirector::mainLoop at the animation interval) until the director ends; its result is
// the process exit code. The window callbacks arrive on the main thread from the view.
class CCApplication {
public:
    CCApplication();
    virtual ~CCApplication();
    CCApplication(const CCApplication&) = delete;
    CCApplication& operator=(const CCApplication&) = delete;

    // Null before an application is constructed.
    static CCApplication* sharedApplication();

    virtual bool applicationDidFinishLaunching() = 0;
    // The window was minimised / restored.
    virtual void applicationDidEnterBackground() {}
    virtual void applicationWillEnterForeground() {}
    virtual void setAnimationInterval(double interval);
    virtual ccLanguageType getCurrentLanguage();
    virtual TargetPlatform getTargetPlatform() { return kTargetLinux; }
    // The client area changed: sizeType 0 restored, 1 minimised (0 x 0), 2 maximised. The default
    // reshapes the projection for a non-zero size.
    virtual void onWindowResized(int sizeType, int width, int height);
    // 0 when the loop ended normally (or a requested screenshot was saved), else 1.
    virtual int run();
    // The window is closing; called once, before the loop ends.
    virtual void applicationWillClose() {}
    virtual void setWindowActive(bool) {}
};

NS_CC_END
