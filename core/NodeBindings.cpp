#include "NodeBindings.h"

#include <algorithm>

#include "CCNode.h"

NodeBindings::~NodeBindings() {
    for (const Entry& entry : entries_) {
        if (entry.live) entry.node->removeDestroyHook(this);
    }
}

void NodeBindings::bind(cocos2d::CCNode* node, Refresh refresh) {
    if (!node || !refresh) return;
    node->setDestroyHook(this, [this](cocos2d::CCNode* gone) { forget(gone); });
    entries_.push_back({node, std::move(refresh), true});
    // Copy: the callback may bind more and move the vector.
    const Refresh first = entries_.back().refresh;
    first();
}

void NodeBindings::unbind(cocos2d::CCNode* node) {
    if (!node) return;
    node->removeDestroyHook(this);
    forget(node);
}

void NodeBindings::forget(cocos2d::CCNode* node) {
    for (Entry& entry : entries_) {
        if (entry.node == node) entry.live = false;
    }
    // Dead entries leave only when no notify walks the list.
    if (notifying_ == 0) {
        entries_.erase(
            std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.live; }),
            entries_.end());
    }
}

void NodeBindings::notify() {
    ++notifying_;
    const size_t count = entries_.size();
    for (size_t i = 0; i < count && i < entries_.size(); ++i) {
        if (!entries_[i].live) continue;
        const Refresh refresh = entries_[i].refresh;
        refresh();
    }
    if (--notifying_ == 0) {
        entries_.erase(
            std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.live; }),
            entries_.end());
    }
}

size_t NodeBindings::size() const {
    return static_cast<size_t>(
        std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.live; }));
}
