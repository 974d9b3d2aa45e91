#include "CCMouseDispatcher.h"

#include <algorithm>

#include "CCNode.h"

NS_CC_BEGIN

void CCMouseDispatcher::addNode(CCNode* node, int priority) {
    if (!node) return;
    for (Entry& e : entries_)
        if (e.node == node) {
            e.priority = priority;
            return;
        }
    entries_.push_back({node, priority, nextOrder_++});
}

void CCMouseDispatcher::removeNode(CCNode* node) {
    entries_.erase(
        std::remove_if(entries_.begin(), entries_.end(), [node](const Entry& e) { return e.node == node; }),
        entries_.end());
}

bool CCMouseDispatcher::hasNode(const CCNode* node) const {
    return std::any_of(entries_.begin(), entries_.end(), [node](const Entry& e) { return e.node == node; });
}

std::vector<CCMouseDispatcher::Entry> CCMouseDispatcher::ordered() const {
    std::vector<Entry> list = entries_;
    std::stable_sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
        if (a.priority != b.priority) return a.priority < b.priority;
        return a.node->getVisitOrder() > b.node->getVisitOrder();
    });
    return list;
}

void CCMouseDispatcher::mouseMoved(float x, float y) {
    last_ = {x, y};
    havePosition_ = true;
    // Callbacks may add or remove nodes: work on a copy and skip nodes that went away.
    for (const Entry& e : ordered()) {
        if (!hasNode(e.node)) continue;
        CCNode* node = e.node;
        node->retain();
        bool inside = node->isMouseInMe(x, y);
        if (inside && !node->isMouseOver()) {
            node->setMouseOver(true);
            node->OnMouseHover();
        } else if (!inside && node->isMouseOver()) {
            node->setMouseOver(false);
            node->OnMouseLeave();
        }
        if (hasNode(node)) node->ccMouseMove(x, y);
        node->release();
    }
}

bool CCMouseDispatcher::mouseWheel(int keys, float delta, float x, float y) {
    for (const Entry& e : ordered()) {
        if (!hasNode(e.node)) continue;
        CCNode* node = e.node;
        if (!node->isMouseInMe(x, y)) continue;
        node->retain();
        bool handled = node->ccMouseWheel(keys, delta, x, y);
        node->release();
        if (handled) return true;
    }
    return false;
}

void CCMouseDispatcher::mouseLeftWindow() {
    havePosition_ = false;
    for (const Entry& e : ordered()) {
        if (!hasNode(e.node) || !e.node->isMouseOver()) continue;
        CCNode* node = e.node;
        node->retain();
        node->setMouseOver(false);
        node->OnMouseLeave();
        node->release();
    }
}

NS_CC_END
