#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace cocos2d {
class CCNode;
}

// Callbacks tied to the life of a node: each runs on notify() until its node is destroyed (or
// unbound). The language and time-zone services keep their bound texts here. A callback may bind,
// unbind or destroy nodes while a notify runs; bindings added during it run from the next notify.
// Main thread only.
class NodeBindings {
public:
    using Refresh = std::function<void()>;

    NodeBindings() = default;
    ~NodeBindings();
    NodeBindings(const NodeBindings&) = delete;
    NodeBindings& operator=(const NodeBindings&) = delete;

    // Runs refresh now and on every notify while node lives. A node may hold several bindings.
    void bind(cocos2d::CCNode* node, Refresh refresh);
    // Drops every binding of node.
    void unbind(cocos2d::CCNode* node);
    void notify();
    size_t size() const;

private:
    struct Entry {
        cocos2d::CCNode* node;
        Refresh refresh;
        bool live;
    };
    void forget(cocos2d::CCNode* node);

    std::vector<Entry> entries_;
    int notifying_ = 0;
};
