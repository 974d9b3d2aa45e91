#pragma once

#include <string>
#include <vector>

#include "PopuPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
}  // namespace cocos2d
class PanelToggleButton;
class SelectLanguagePanel;
class TimeZoomPanel;

// The settings pop-up: the display time zone (flag, name and ticking clock; tag 1 opens the zone
// chooser below it), the language (tag 2 opens the language chooser), four check boxes for the
// display switches (tags 3-6: world map, crosshair point, grid, green-up colours), the logo with the
// program's name, version and platform, and a close button (tag 10).
//
// It keeps no copy of any setting: what it shows is read from the zone service, the current language
// and DisplaySwitches, and refreshed by their notifications, so a change made anywhere else shows
// here too. Every change is stored and saved at once by those services. The two choosers are made on
// first use as children of the panel. Main thread only.
class SettingPanel : public PopuPanelBase {
public:
    static constexpr float WIDTH = 440;
    static constexpr float HEIGHT = 420;
    static constexpr float TIME_ZONE_CHOOSER_WIDTH = 290;
    static constexpr float TIME_ZONE_CHOOSER_HEIGHT = 225;
    enum Tag {
        TAG_TIME_ZONE = 1,
        TAG_LANGUAGE = 2,
        TAG_SHOW_BG = 3,
        TAG_SHOW_CROSS_POINT = 4,
        TAG_SHOW_GRID = 5,
        TAG_INVERSE_RED_GREEN = 6,
        TAG_CLOSE = 10,
    };

    // version is the program's own, shown under the logo. Null when an image is missing.
    static SettingPanel* create(int version);

    // What a button of the panel does (a click runs it after the hover sound).
    void onButton(int tag);
    // Chooses the display zone: outside 0-6 changes nothing and gives false.
    bool setTimeZone(int index, bool store);
    // Chooses and switches the language: outside 0-1 changes nothing and gives false.
    bool setLanguage(int index, bool store);

    void hide() override;

    // For tests and pointer scripts.
    PanelButton* getButton(int tag) const;
    // Whether the check box of tag 3-6 shows its switch on.
    bool isChecked(int tag) const;
    std::string zoneNameText() const;
    std::string clockText() const;
    std::string languageNameText() const;
    std::string aboutText() const;
    // Null before first use.
    TimeZoomPanel* getTimeZoneChooser() const { return zoneChooser_; }
    SelectLanguagePanel* getLanguageChooser() const { return languageChooser_; }

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    SettingPanel() = default;
    bool initSettings(int version);

private:
    bool buildHeader();
    bool buildZoneRow(float y);
    bool buildLanguageRow(float y);
    bool buildSwitchRow(int tag, const char* captionKey, float y);
    bool buildAbout(int version);
    cocos2d::CCLabelTTF* addCaption(const char* key, const cocos2d::CCPoint& at, float fontSize);
    PanelButton* addFieldButton(int tag, float y);
    void refreshZone();
    void refreshClock();
    void refreshLanguage();
    void refreshChecks();
    void openZoneChooser();
    void openLanguageChooser();
    void hideChoosers();

    std::vector<PanelButton*> tagged_;
    std::vector<PanelToggleButton*> checks_;
    cocos2d::CCSprite* zoneFlag_ = nullptr;
    cocos2d::CCLabelTTF* zoneName_ = nullptr;
    cocos2d::CCLabelTTF* clock_ = nullptr;
    cocos2d::CCSprite* languageFlag_ = nullptr;
    cocos2d::CCLabelTTF* languageName_ = nullptr;
    cocos2d::CCLabelTTF* about_ = nullptr;
    TimeZoomPanel* zoneChooser_ = nullptr;
    SelectLanguagePanel* languageChooser_ = nullptr;
};
