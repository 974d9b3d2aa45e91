#pragma once

#include <functional>
#include <string>
#include <vector>

#include "PopuPanelBase.h"

namespace cocos2d {
class CCLabelTTF;
class CCScrollView;
}  // namespace cocos2d

// The update dialog: release notes, a title ("forceUpdate" or "needUpdate"), "update" and
// "exit"/"skip"; after "update" a progress bar. It sits on the connecting screen, whose layer
// swallows touches at ConnectingLayer's priority (-490), so its buttons register below that.
// The dialog only reports choices; the update client acts on them. Main thread only.
class UpdatePanel : public PopuPanelBase {
public:
    static constexpr int BUTTON_TOUCH_PRIORITY = -491;
    static constexpr int TAG_UPDATE = 1;
    static constexpr int TAG_OTHER = 2;
    static constexpr float DOWNLOAD_HEIGHT = 160;
    static constexpr float BAR_HEIGHT = 25;

    struct Choices {
        std::function<void()> update;  // the download should start
        std::function<void()> other;   // "exit" when forced, else "skip"
    };

    static UpdatePanel* create(const cocos2d::CCSize& size, const cocos2d::ccColor3B& colour, bool force,
                               std::vector<std::string> notes, Choices choices);

    bool isForce() const { return force_; }
    const std::vector<std::string>& getNotes() const { return notes_; }
    PanelButton* getUpdateButton() const { return updateButton_; }
    PanelButton* getOtherButton() const { return otherButton_; }
    cocos2d::CCScrollView* getNotesList() const { return notesList_; }
    cocos2d::CCLabelTTF* getTitleLabel() const { return title_; }

    // Hides the buttons, removes the notes, shrinks the dialog and shows the empty progress bar and
    // "downloading".
    void showDownloading();
    // share: 0 to 1 of the bar's maximum width (values outside are clamped, NaN counts as full).
    void setProgress(double share);
    float getProgressWidth() const;
    float getMaxProgressWidth() const { return maxBarWidth_; }
    // Replaces the status text with the language text of key.
    void setStatus(const std::string& key);
    const std::string& getStatusText() const { return statusText_; }
    // Scales up a little, then to nothing, then removes itself.
    void close();

private:
    UpdatePanel() = default;
    bool init(const cocos2d::CCSize& size, const cocos2d::ccColor3B& colour, bool force,
              std::vector<std::string> notes, Choices choices);
    void disableButtons();

    bool force_ = false;
    std::vector<std::string> notes_;
    Choices choices_;
    PanelButton* updateButton_ = nullptr;
    PanelButton* otherButton_ = nullptr;
    cocos2d::CCNode* notesFrame_ = nullptr;
    cocos2d::CCScrollView* notesList_ = nullptr;
    cocos2d::CCLabelTTF* title_ = nullptr;
    cocos2d::CCSprite* bar_ = nullptr;
    float maxBarWidth_ = 0;
    std::string statusText_;
};
