#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCCommon.h"
#include "CCDirector.h"
#include "CCNode.h"
#include "CCSpriteFrameCache.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "PopuPanelBase.h"
#include "SceneTest.h"

USING_NS_CC;

namespace {

const std::string RES = ZENTO_RES_DIR;

class PanelButtonTest : public SceneTest {
protected:
    PanelButton* addButton(int tag) {
        PanelButton* button = PanelButton::create("layout.png", "layout_sel.png", tag,
                                                  [this](PanelButton* b) { clicked.push_back(b->getTag()); });
        button->setPosition(100, 100);  // centred there: 50 x 50 covers 75..125
        scene->addChild(button);
        return button;
    }

    std::vector<int> clicked;
};

TEST_F(PanelButtonTest, FiresOnlyWhenPressedAndReleasedInside) {
    PanelButton* button = addButton(7);
    EXPECT_EQ(button->getContentSize(), CCSize(50, 50));
    clickAt({100, 100});
    EXPECT_EQ(clicked, std::vector<int>{7});

    press({100, 100});
    release({300, 300});  // dragged off before release
    press({300, 300});
    release({100, 100});  // began outside
    EXPECT_EQ(clicked.size(), 1u);

    button->setEnabled(false);
    clickAt({100, 100});
    button->setEnabled(true);
    button->setVisible(false);
    clickAt({100, 100});
    EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(PanelButtonTest, HigherPriorityButtonSwallowsTheTouch) {
    PanelButton* below = addButton(1);
    PanelButton* above = PanelButton::create("add.png", "add_sel.png", 2,
                                             [this](PanelButton* b) { clicked.push_back(b->getTag()); });
    above->setTouchPriority(PanelButton::DEFAULT_TOUCH_PRIORITY - 1);
    (void)below;
    above->setPosition(100, 100);
    scene->addChild(above);
    clickAt({100, 100});
    EXPECT_EQ(clicked, std::vector<int>{2});
}

// A bare chooser with one button of its own.
class CoveringChooser : public PopuPanelBase {
public:
    static CoveringChooser* make(const CCSize& size, PanelButton* own) {
        auto* chooser = new CoveringChooser();
        if (!chooser->initPanel(ccColor3B{23, 27, 41}, size)) {
            delete chooser;
            return nullptr;
        }
        chooser->autorelease();
        chooser->addPanelButton(own);
        return chooser;
    }
};

TEST_F(PanelButtonTest, ButtonUnderAnOpenChooserLeavesTheClickToTheChooser) {
    addButton(1);
    PanelButton* own = PanelButton::create("add.png", "add_sel.png", 2,
                                           [this](PanelButton* b) { clicked.push_back(b->getTag()); });
    ASSERT_TRUE(own);
    own->setPosition(150, 150);  // chooser coordinates; 40 x 40
    CoveringChooser* chooser = CoveringChooser::make(CCSize(200, 200), own);
    ASSERT_TRUE(chooser);
    chooser->setAnchorPoint(CCPointZero);
    chooser->setPosition(50, 50);  // covers 50..250 both ways, the outside button's 75..125 too
    scene->addChild(chooser);
    chooser->show();
    chooser->stopAllActions();
    chooser->setScale(1.0f);

    clickAt({100, 100});
    EXPECT_TRUE(clicked.empty()) << "the button under the chooser fired";
    clickAt({200, 200});
    EXPECT_EQ(clicked, std::vector<int>{2});

    chooser->hide();
    clickAt({100, 100});
    EXPECT_EQ(clicked, (std::vector<int>{2, 1}));
}

TEST_F(PanelButtonTest, HoverShowsTheSecondFrameAndTheTip) {
    ASSERT_TRUE(loadLanguageTable(RES + "/database/language.xc"));
    PanelButton* button = addButton(3);
    std::vector<std::string> tips;
    PanelButton::setTipDisplay([&](bool show, const std::string& text, const CCPoint&) {
        tips.push_back((show ? "show " : "hide ") + text);
    });
    button->setTipsInfo("layout");
    ASSERT_FALSE(button->getTipText().empty());
    CCSpriteFrame* normal = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("layout.png");
    CCSpriteFrame* hover = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("layout_sel.png");
    EXPECT_EQ(button->displayFrame(), normal);
    moveTo({100, 100});
    EXPECT_TRUE(button->isHovered());
    EXPECT_EQ(button->displayFrame(), hover);
    moveTo({400, 400});
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(button->displayFrame(), normal);
    EXPECT_EQ(tips,
              (std::vector<std::string>{"show " + button->getTipText(), "hide " + button->getTipText()}));
}

TEST_F(PanelButtonTest, MissingTipKeyLogsAndTakesTheDefaultText) {
    ASSERT_TRUE(loadLanguageTable(RES + "/database/language.xc"));
    PanelButton* button = addButton(4);
    std::vector<std::string> lines;
    CCLogSetSink([&](const std::string& line) { lines.push_back(line); });
    button->setTipsInfo("noSuchTipKey");
    CCLogSetSink(nullptr);
    EXPECT_EQ(button->getTipText(), getLangText("default"));
    bool logged = false;
    for (const std::string& line : lines)
        logged |= line.find("PanelButton::setTipsInfo not found:noSuchTipKey") != std::string::npos;
    EXPECT_TRUE(logged);
}

TEST_F(PanelButtonTest, ToggleSwitchesFramePairsWithItsState) {
    PanelToggleButton* toggle = PanelToggleButton::create("sound.png", "sound_sel.png", "mute.png",
                                                          "mute_sel.png", 5, [](PanelButton*) {});
    ASSERT_NE(toggle, nullptr);
    scene->addChild(toggle);
    CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
    EXPECT_EQ(toggle->displayFrame(), cache->spriteFrameByName("sound.png"));
    toggle->setState(true);
    EXPECT_EQ(toggle->displayFrame(), cache->spriteFrameByName("mute.png"));
    EXPECT_EQ(PanelButton::create("noSuchFrame.png", "x.png", 1, [](PanelButton*) {}), nullptr);
}

}  // namespace

TEST_F(PanelButtonTest, HoverKeepsASizeTheOwnerSet) {
    // A title button sized to its text: the hover frame swap must not shrink its hit area.
    PanelButton* button = addButton(3);
    button->setAnchorPoint(CCPoint(0, 0.5f));
    button->setContentSize(CCSize(200, 50));
    moveTo({260, 100});  // 160 units into the 200-wide button, far outside the 50-wide frame
    EXPECT_TRUE(button->isHovered());
    EXPECT_EQ(button->getContentSize(), CCSize(200, 50));
    clickAt({260, 100});
    EXPECT_EQ(clicked, std::vector<int>{3});
    moveTo({500, 500});
    EXPECT_EQ(button->getContentSize(), CCSize(200, 50));
}
