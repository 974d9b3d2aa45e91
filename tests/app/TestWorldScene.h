#pragma once

#include "LocalStockWindow.h"
#include "TestMarketStream.h"
#include "WorldScene.h"

// The main scene with its network kept in the test (a TestMarketStream writing to the scene's
// SentLog), and windows that never leave the machine.
class TestWorldScene : public WorldScene, public SentLog {
public:
    static TestWorldScene* install() {
        WorldScene::setFactory([] { return new TestWorldScene(); });
        return static_cast<TestWorldScene*>(WorldScene::getInstance());
    }

    // Completes the handshake of the newest socket.
    void connectLast() { static_cast<TestMarketStream*>(getMarketStream())->connectLast(); }

    bool runNetworkSteps = false;

protected:
    StockWindow* createWindow(int) override { return LocalWindow::create("", cocos2d::CCSize(100, 100)); }
    MarketStream* createMarketStream() override { return TestMarketStream::create(this, *this); }
    void startNetworkSteps() override {
        if (runNetworkSteps) WorldScene::startNetworkSteps();
    }
    // A failing test must not leave a dump or start a message box.
    bool handlesCrashes() const override { return false; }
};
