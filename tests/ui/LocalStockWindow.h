#pragma once

#include <string>

#include "KLineHistoryLoader.h"
#include "StockWindow.h"

// A loader whose requests stay here: they are only counted.
class LocalLoader : public KLineHistoryLoader {
public:
    explicit LocalLoader(KLineChartHost* host) : KLineHistoryLoader(host) {}
    int requests = 0;

protected:
    void sendGet(const std::string&, const std::string&, cocos2d::SEL_HttpResponse) override { ++requests; }
    void sendPost(const std::string&, const std::string&, const std::string&,
                  cocos2d::SEL_HttpResponse) override {
        ++requests;
    }
};

// A chart window whose history requests never leave the test.
class LocalWindow : public StockWindow {
public:
    static LocalWindow* create(const std::string& name, const cocos2d::CCSize& size) {
        auto* window = new LocalWindow();
        if (!window->initWindow(name, size)) {
            delete window;
            return nullptr;
        }
        window->autorelease();
        return window;
    }
    int requests() const { return loader ? loader->requests : 0; }

protected:
    KLineHistoryLoader* createLoader() override {
        loader = new LocalLoader(this);
        loader->init();
        loader->autorelease();
        return loader;
    }

private:
    LocalLoader* loader = nullptr;
};
