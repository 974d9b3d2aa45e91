#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "LocalStockWindow.h"
#include "SIOClient.h"
#include "WorldScene.h"

// The main scene with its network kept in the test: requests and emits are recorded, sockets are
// plain clients the test connects and drops by hand, and windows never leave the machine.
class TestWorldScene : public WorldScene {
public:
    struct Emit {
        std::string event, text, id;
    };

    static TestWorldScene* install() {
        WorldScene::setFactory([] { return new TestWorldScene(); });
        return static_cast<TestWorldScene*>(WorldScene::getInstance());
    }

    ~TestWorldScene() override {
        for (SIOClient* client : clients) client->release();
    }

    // The newest socket opened by the scene.
    SIOClient* lastClient() const { return clients.empty() ? nullptr : clients.back(); }
    // Completes the handshake of the newest socket.
    void connectLast() {
        SIOClient* client = lastClient();
        client->setConnected(true);
        onConnect(client);
    }
    std::vector<Emit> emitsOf(const std::string& event) const {
        std::vector<Emit> found;
        for (const Emit& emit : emits)
            if (emit.event == event) found.push_back(emit);
        return found;
    }

    std::vector<std::string> requests;
    std::vector<std::string> sockets;
    std::vector<Emit> emits;
    std::vector<SIOClient*> clients;
    bool runNetworkSteps = false;

protected:
    StockWindow* createWindow(int) override { return LocalWindow::create("", cocos2d::CCSize(100, 100)); }
    void sendRequest(const std::string&, const std::string& tag, cocos2d::SEL_HttpResponse) override {
        requests.push_back(tag);
    }
    SIOClient* openStockSocket(const std::string& uri) override {
        sockets.push_back(uri);
        auto* client = new SIOClient("127.0.0.1", 8090, "/", nullptr, *this);
        clients.push_back(client);
        return client;
    }
    void emitStock(const std::string& event, const std::string& text, const std::string& id) override {
        emits.push_back({event, text, id});
    }
    void startNetworkSteps() override {
        if (runNetworkSteps) WorldScene::startNetworkSteps();
    }
};
