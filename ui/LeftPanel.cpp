#include "LeftPanel.h"

#include "CDebugModule.h"
#include "FramePanelDelegate.h"

USING_NS_CC;

namespace {
struct ButtonLook {
    const char* normal;
    const char* hover;
    const char* tipKey;
};
// By tag; a shown page's button shows its hover pair.
constexpr ButtonLook LOOKS[] = {{"news.png", "news_sel.png", "news"},
                                {"quote.png", "quote_sel.png", "quoteList"},
                                {"layout.png", "layout_sel.png", "layout"},
                                {"alerts.png", "alerts_sel.png", "priceAlerts"}};

// The button of a page of the left pane, or -1.
int tagOfPage(int page) {
    if (page == LeftPanel::NEWS_TAG || page == LeftPanel::QUOTE_TAG) return page;
    return page == LeftPanel::ALERTS_PAGE ? LeftPanel::ALERTS_TAG : -1;
}
}  // namespace

LeftPanel* LeftPanel::create(float height) {
    return createAutoreleased<LeftPanel>(&LeftPanel::initLeft, height);
}

bool LeftPanel::initLeft(float height) {
    if (!initPanel(CCSize(WIDTH, height))) return false;
    for (int tag = NEWS_TAG; tag <= QUOTE_TAG; ++tag) {
        const ButtonLook& look = LOOKS[tag];
        addButton(
            PanelToggleButton::create(look.normal, look.hover, look.hover, look.hover, tag, buttonCallback()),
            look.tipKey);
    }
    const ButtonLook& layout = LOOKS[LAYOUT_TAG];
    addButton(PanelButton::create(layout.normal, layout.hover, LAYOUT_TAG, buttonCallback()), layout.tipKey);
    const ButtonLook& alerts = LOOKS[ALERTS_TAG];
    addButton(PanelToggleButton::create(alerts.normal, alerts.hover, alerts.hover, alerts.hover, ALERTS_TAG,
                                        buttonCallback()),
              alerts.tipKey);
    layoutButtons();
    return true;
}

void LeftPanel::layoutButtons() {
    const float height = getContentSize().height;
    for (int tag = NEWS_TAG; tag <= ALERTS_TAG; ++tag)
        if (PanelButton* button = getButtonByTag(tag))
            button->setPosition(CCPoint(WIDTH / 2, height - (static_cast<float>(tag) + 0.5f) * BUTTON_SIZE));
}

void LeftPanel::showPageState(int page, bool shown) {
    const int tag = tagOfPage(page);
    if (tag < 0) return;
    if (auto* button = dynamic_cast<PanelToggleButton*>(getButtonByTag(tag))) button->setState(shown);
}

bool LeftPanel::isPageMarked(int page) const {
    const int tag = tagOfPage(page);
    if (tag < 0) return false;
    auto* button = dynamic_cast<PanelToggleButton*>(getButtonByTag(tag));
    return button && button->getState();
}

void LeftPanel::onButton(int tag) {
    FramePanelDelegate* delegate = getDelegate();
    if (!delegate) return;
    if (tag == NEWS_TAG || tag == QUOTE_TAG) {
        delegate->toggleLeftPage(tag);
    } else if (tag == ALERTS_TAG) {
        delegate->toggleLeftPage(ALERTS_PAGE);
    } else if (tag == LAYOUT_TAG) {
        PanelButton* button = getButtonByTag(LAYOUT_TAG);
        // Beside the button, level with its top.
        const CCSize size = button->getContentSize();
        delegate->openLayoutChooserAt(button->convertToWorldSpace(CCPoint(size.width, size.height)));
    }
}
