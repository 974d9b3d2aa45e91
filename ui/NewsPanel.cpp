#include "NewsPanel.h"

USING_NS_CC;

namespace {
constexpr const char* CAPTION_KEY = "news";
}

NewsPanel* NewsPanel::create(const CCSize& size) {
    auto* panel = new NewsPanel();
    if (!panel->initPage(CAPTION_KEY, size)) {
        delete panel;
        return nullptr;
    }
    panel->autorelease();
    return panel;
}
