#include "AlertListPage.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCScrollView.h"
#include "ChartAlertLines.h"
#include "DisplayTimeZone.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "PriceAlerts.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr const char* CAPTION_KEY = "priceAlerts";
constexpr ccColor4B SEPARATOR_COLOUR{40, 46, 60, 255};
constexpr ccColor3B TEXT_COLOUR{220, 224, 232};
constexpr ccColor3B HINT_COLOUR{130, 136, 150};
constexpr float SYMBOL_X = 12;
constexpr float PRICE_X = 90;
constexpr float STATE_X = 150;
constexpr float REMOVE_RIGHT_INSET = 20;
constexpr float HINT_MARGIN = 12;
constexpr float SCROLL_BAR_WIDTH = 4;
constexpr float SCROLL_BAR_LENGTH = 40;

CCLabelTTF* rowLabel(const std::string& text, float x, const ccColor3B& colour) {
    CCLabelTTF* label = CCLabelTTF::create(text.c_str(), FONT_FILE, AlertListPage::FONT_SIZE);
    if (!label) return nullptr;
    label->setAnchorPoint(CCPoint(0, 0.5f));
    label->setPosition(CCPoint(x, AlertListPage::ROW_HEIGHT / 2));
    label->setColor(colour);
    return label;
}
}  // namespace

AlertListPage* AlertListPage::create(const CCSize& size) {
    return createAutoreleased<AlertListPage>(&AlertListPage::initAlertPage, size);
}

bool AlertListPage::initAlertPage(const CCSize& size) {
    list_ = CCScrollView::create(CCSize(size.width, std::max(0.0f, size.height - HEADER_HEIGHT)));
    if (!list_) return false;
    list_->setScrollBarSize(SCROLL_BAR_WIDTH, SCROLL_BAR_LENGTH);
    list_->setContentSize(CCSize(size.width, 0));
    hint_ = CCLabelTTF::create("", FONT_FILE, FONT_SIZE, CCSize(size.width - 2 * HINT_MARGIN, 0),
                               kCCTextAlignmentLeft);
    if (!hint_) return false;
    // The list exists before the page sizes itself.
    if (!initPage(CAPTION_KEY, size)) return false;
    hint_->setAnchorPoint(CCPoint(0, 1));
    hint_->setColor(HINT_COLOUR);
    bindLangText(hint_, "noPriceAlerts");
    getBody()->addChild(list_);
    getBody()->addChild(hint_);
    // Armed and fired are table texts: a new language lists the rows again.
    bindLangRefresh(this, [this] { rebuild(); });
    return true;
}

void AlertListPage::setAlerts(PriceAlerts* alerts) {
    alerts_ = alerts;
    // Binding lists the rows at once.
    if (alerts_)
        alerts_->bind(this, [this] { rebuild(); });
    else
        rebuild();
}

void AlertListPage::rebuild() {
    for (const Row& row : rows_) row.node->removeFromParent();
    rows_.clear();
    const float width = getContentSize().width;
    if (alerts_) {
        for (const PriceAlert& alert : alerts_->alerts()) {
            CCLayerColor* node = CCLayerColor::create(ROW_COLOUR, width, ROW_HEIGHT);
            if (!node) continue;
            if (CCLayerColor* separator = CCLayerColor::create(SEPARATOR_COLOUR, width, 1))
                node->addChild(separator);
            char price[32];
            std::snprintf(price, sizeof(price), "%.*g", 10, alert.price);
            std::string state = getLangText(alert.fired ? "alertFired" : "alertArmed");
            if (alert.fired && alert.firedTime > 0)
                state += " " + DisplayTimeZone::shared().format(alert.firedTime, "%H:%M");
            const ccColor3B& colour = alert.fired ? ChartAlertLines::FIRED_TEXT : ChartAlertLines::ARMED_TEXT;
            CCLabelTTF* symbolLabel = rowLabel(alert.symbol, SYMBOL_X, TEXT_COLOUR);
            CCLabelTTF* priceLabel = rowLabel(price, PRICE_X, colour);
            CCLabelTTF* stateLabel = rowLabel(state, STATE_X, colour);
            for (CCLabelTTF* label : {symbolLabel, priceLabel, stateLabel})
                if (label) node->addChild(label);
            const int id = alert.id;
            // The removal rebuilds the rows, this button's among them: not inside its own click.
            PanelButton* remove =
                PanelButton::create("close_small.png", "close_small_sel.png", id, [this, id](PanelButton*) {
                    scheduleOnce(
                        [this, id](float) {
                            if (removeCallback_) removeCallback_(id);
                        },
                        0, "removeAlert" + std::to_string(id));
                });
            if (remove) {
                remove->setPosition(CCPoint(width - REMOVE_RIGHT_INSET, ROW_HEIGHT / 2));
                node->addChild(remove);
            }
            list_->addChild(node);
            rows_.push_back(Row{node, stateLabel, remove});
        }
    }
    hint_->setVisible(rows_.empty());
    layoutRows();
}

void AlertListPage::layoutRows() {
    const CCSize body = getBodySize();
    const float height = ROW_HEIGHT * static_cast<float>(rows_.size());
    list_->setViewSize(body);
    list_->setContentSize(CCSize(body.width, height));
    for (size_t i = 0; i < rows_.size(); ++i)
        rows_[i].node->setPosition(CCPoint(0, height - ROW_HEIGHT * static_cast<float>(i + 1)));
    // The first rows show at the top of the page.
    list_->setContentOffset(list_->minContainerOffset());
    hint_->setPosition(CCPoint(HINT_MARGIN, body.height - HINT_MARGIN));
}

void AlertListPage::setPanelSize(const CCSize& size) {
    LeftPanePage::setPanelSize(size);
    if (list_) layoutRows();
}

CCLabelTTF* AlertListPage::getStateLabel(size_t index) const {
    return index < rows_.size() ? rows_[index].state : nullptr;
}

PanelButton* AlertListPage::getRemoveButton(size_t index) const {
    return index < rows_.size() ? rows_[index].remove : nullptr;
}
