#pragma once

#include <functional>
#include <vector>

#include "PopuPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
}
class PanelToggleButton;

// The language chooser of the settings panel: one row per language, each with its flag ("Newyork.png"
// for 0, "Beijing.png" for 1) and the language's name written in that language (the "language"
// entry's text for the row's index), so every row reads the same whatever language is current. The
// current language's row is marked while shown. A click on a row hides the panel and reports the
// index; the caller switches. Main thread only.
class SelectLanguagePanel : public PopuPanelBase {
public:
    static constexpr int LANGUAGE_COUNT = 2;
    static constexpr float HEIGHT = 90;
    using Chosen = std::function<void(int language)>;

    // width is the settings panel's language button's.
    static SelectLanguagePanel* create(float width, Chosen chosen);

    // Null outside 0-1.
    PanelToggleButton* getRow(int language) const;
    // The name a row shows.
    std::string rowName(int language) const;

    void show() override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    SelectLanguagePanel() = default;
    bool initChooser(float width, Chosen chosen);

private:
    void onRow(int language);

    Chosen chosen_;
    std::vector<PanelToggleButton*> rows_;
    std::vector<cocos2d::CCLabelTTF*> names_;
};
