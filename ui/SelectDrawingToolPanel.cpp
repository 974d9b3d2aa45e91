#include "SelectDrawingToolPanel.h"

#include <string>

#include "CCLabelTTF.h"
#include "CDebugModule.h"
#include "DrawingKLine.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockWindow.h"

USING_NS_CC;

namespace {
constexpr float TITLE_FONT_SIZE = 16;
constexpr float GROUP_FONT_SIZE = 13;
constexpr float TITLE_HEIGHT = 30;
constexpr float GROUP_HEIGHT = 57;
constexpr float GROUP_CAPTION_HEIGHT = 16;
constexpr float ICON_STEP = 42;
constexpr float LEFT = 12;
constexpr ccColor3B GROUP_CAPTION_COLOUR{150, 155, 170};

struct ToolGroup {
    const char* key;
    int first;
    int last;
};
// Id 9 has no tool.
constexpr ToolGroup GROUPS[SelectDrawingToolPanel::GROUP_COUNT] = {
    {"drawLine", 1, 5},   {"drawShape", 6, 8},  {"drawSection", 10, 14},
    {"drawIcon", 15, 19}, {"drawText", 20, 24}, {"drawOther", 25, 26}};
constexpr int LAST_TOOL = 26;
}  // namespace

SelectDrawingToolPanel* SelectDrawingToolPanel::create(const ccColor3B& colour) {
    return createAutoreleased<SelectDrawingToolPanel>(&SelectDrawingToolPanel::initChooser, colour);
}

SelectDrawingToolPanel::~SelectDrawingToolPanel() {
    releaseWindow();
}

bool SelectDrawingToolPanel::initChooser(const ccColor3B& colour) {
    if (!initPanel(colour, CCSize(WIDTH, HEIGHT))) return false;
    CCLabelTTF* title = CCLabelTTF::create("", FONT_FILE, TITLE_FONT_SIZE);
    if (!title) return false;
    bindLangText(title, "graphicalTools");
    title->setPosition(CCPoint(WIDTH / 2, HEIGHT - TITLE_HEIGHT / 2));
    addChild(title);
    toolButtons_.assign(LAST_TOOL + 1, nullptr);
    float top = HEIGHT - TITLE_HEIGHT;
    for (const ToolGroup& group : GROUPS) {
        CCLabelTTF* caption = CCLabelTTF::create("", FONT_FILE, GROUP_FONT_SIZE);
        if (!caption) return false;
        bindLangText(caption, group.key);
        caption->setColor(GROUP_CAPTION_COLOUR);
        caption->setAnchorPoint(CCPoint(0, 0.5f));
        caption->setPosition(CCPoint(LEFT, top - GROUP_CAPTION_HEIGHT / 2));
        addChild(caption);
        for (int id = group.first; id <= group.last; ++id) {
            const std::string normal = "graphical_" + std::to_string(id) + ".png";
            const std::string selected = "graphical_sel_" + std::to_string(id) + ".png";
            PanelToggleButton* button = PanelToggleButton::create(
                normal.c_str(), selected.c_str(), selected.c_str(), selected.c_str(), id,
                [this](PanelButton* clicked) { onToolButton(clicked->getTag()); });
            if (!button) return false;
            button->setTipsInfo(("graphical" + std::to_string(id)).c_str());
            button->setPosition(CCPoint(LEFT + 16 + ICON_STEP * static_cast<float>(id - group.first),
                                        top - GROUP_CAPTION_HEIGHT - 20));
            addPanelButton(button);
            toolButtons_[static_cast<size_t>(id)] = button;
        }
        top -= GROUP_HEIGHT;
    }
    return true;
}

PanelToggleButton* SelectDrawingToolPanel::getToolButton(int id) const {
    if (id < 0 || id >= static_cast<int>(toolButtons_.size())) return nullptr;
    return toolButtons_[static_cast<size_t>(id)];
}

void SelectDrawingToolPanel::showForWindow(StockWindow* window) {
    show();
    picked_ = false;
    if (window != window_) {
        if (window) window->retain();
        releaseWindow();
        window_ = window;
    }
    for (PanelToggleButton* button : toolButtons_)
        if (button) button->setState(false);
}

void SelectDrawingToolPanel::onToolButton(int id) {
    PanelToggleButton* button = getToolButton(id);
    if (!window_ || !button || !window_->getChart()) return;
    playHoverSound();
    logInfo("select drawing tool:%d", id);
    button->setState(true);
    window_->getChart()->startTool(id);
    picked_ = window_->getChart()->getCreatingTool() != nullptr;
    hide();
}

void SelectDrawingToolPanel::hide() {
    PopuPanelBase::hide();
    if (!window_) return;
    // The window's button stays pressed while the picked tool waits for its points.
    if (!picked_) window_->clearToolbarSelection();
    picked_ = false;
    releaseWindow();
}

void SelectDrawingToolPanel::releaseWindow() {
    if (window_) window_->release();
    window_ = nullptr;
}
