#include "CStockPanel.h"

USING_NS_CC;

namespace {
constexpr const char* CAPTION_KEY = "quoteList";
}

CStockPanel* CStockPanel::create(const CCSize& size) {
    return createAutoreleased<CStockPanel>(&CStockPanel::initPage, CAPTION_KEY, size);
}

void CStockPanel::rebuild() {
    getBody()->removeAllChildrenWithCleanup(true);
    listedCodes_.clear();
    setPanelSize(getContentSize());
    ++rebuildCount_;
}
