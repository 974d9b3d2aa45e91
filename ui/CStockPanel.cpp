#include "CStockPanel.h"

USING_NS_CC;

namespace {
constexpr const char* CAPTION_KEY = "quoteList";
}

CStockPanel* CStockPanel::create(const CCSize& size) {
    auto* panel = new CStockPanel();
    if (!panel->initPage(CAPTION_KEY, size)) {
        delete panel;
        return nullptr;
    }
    panel->autorelease();
    return panel;
}

void CStockPanel::rebuild() {
    getBody()->removeAllChildrenWithCleanup(true);
    listedCodes_.clear();
    setPanelSize(getContentSize());
    ++rebuildCount_;
}
