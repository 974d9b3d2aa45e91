// Zento: the market-quote and charting terminal.
//
//   Zento                                  the terminal
//   Zento --screenshot FILE --after SECS   renders normally, saves the frame at that time as PNG, exits 0

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AppDelegate.h"
#include "CCEGLView.h"

USING_NS_CC;

namespace {
struct Options {
    std::string screenshotPath;
    double screenshotAfter = 0;
    bool valid = true;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            options.screenshotPath = argv[++i];
        } else if (std::strcmp(argv[i], "--after") == 0 && i + 1 < argc) {
            char* end = nullptr;
            options.screenshotAfter = std::strtod(argv[++i], &end);
            if (!end || *end || !(options.screenshotAfter >= 0)) options.valid = false;
        } else {
            options.valid = false;
        }
    }
    return options;
}
}  // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    if (!options.valid) {
        std::fprintf(stderr, "usage: Zento [--screenshot FILE.png --after SECONDS]\n");
        return 2;
    }

    AppDelegate app;
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    AppDelegate::configureView(view);
    if (!options.screenshotPath.empty()) view->scheduleScreenshot(options.screenshotPath, options.screenshotAfter);
    return CCApplication::sharedApplication()->run();
}
