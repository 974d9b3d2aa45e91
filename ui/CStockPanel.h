#pragma once

#include <string>
#include <vector>

#include "LeftPanePage.h"

// The instrument page of the left pane, captioned "quoteList". The main scene rebuilds it after
// every instrument list it applies and subscribes to the quotes of the codes it lists. The rows are
// not built yet: a rebuild empties the body and the page lists no codes. Main thread only.
class CStockPanel : public LeftPanePage {
public:
    static CStockPanel* create(const cocos2d::CCSize& size);

    // Drops the body's content and lays out the page again.
    void rebuild();
    // Rebuilds so far.
    int getRebuildCount() const { return rebuildCount_; }
    // The codes of the listed instruments, in list order; filled once the rows are built from the
    // catalogue, empty until then.
    std::vector<std::string> getListedCodes() const { return listedCodes_; }

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    CStockPanel() = default;

private:
    std::vector<std::string> listedCodes_;
    int rebuildCount_ = 0;
};
