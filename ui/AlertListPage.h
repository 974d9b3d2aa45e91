#pragma once

#include <functional>
#include <vector>

#include "LeftPanePage.h"

namespace cocos2d {
class CCLabelTTF;
class CCLayerColor;
class CCScrollView;
}  // namespace cocos2d
class PanelButton;
class PriceAlerts;

// The price-alert page of the left pane, captioned "priceAlerts": one row per alert in the order
// they were placed, with its instrument, price and state (armed, or fired with the time), and a
// close box that removes it. It follows the alert list by itself; a hint fills an empty list.
// Main thread only.
class AlertListPage : public LeftPanePage {
public:
    static constexpr float ROW_HEIGHT = 40;
    static constexpr float FONT_SIZE = 13;
    static constexpr cocos2d::ccColor4B ROW_COLOUR{23, 27, 41, 255};

    using RemoveCallback = std::function<void(int id)>;

    static AlertListPage* create(const cocos2d::CCSize& size);

    // The list shown (not owned; it must outlive the page); its changes rebuild the rows.
    void setAlerts(PriceAlerts* alerts);
    void setRemoveCallback(RemoveCallback callback) { removeCallback_ = std::move(callback); }

    // For tests and pointer scripts.
    size_t getRowCount() const { return rows_.size(); }
    cocos2d::CCLabelTTF* getStateLabel(size_t index) const;
    PanelButton* getRemoveButton(size_t index) const;
    cocos2d::CCLabelTTF* getHint() const { return hint_; }

    void setPanelSize(const cocos2d::CCSize& size) override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    AlertListPage() = default;
    bool initAlertPage(const cocos2d::CCSize& size);

private:
    struct Row {
        cocos2d::CCLayerColor* node = nullptr;
        cocos2d::CCLabelTTF* state = nullptr;
        PanelButton* remove = nullptr;
    };
    void rebuild();
    void layoutRows();

    PriceAlerts* alerts_ = nullptr;
    RemoveCallback removeCallback_;
    cocos2d::CCScrollView* list_ = nullptr;
    cocos2d::CCLabelTTF* hint_ = nullptr;
    std::vector<Row> rows_;
};
