#pragma once

#include <functional>
#include <string>

#include "PopuPanelBase.h"
#include "Theme.h"

namespace cocos2d {
class CCTextFieldTTF;
}
class DrawingKLine;

// The text input of the drawing tools' texts and notes: one line, opened by the main scene for the
// chart's text-edit tool. Enter applies the text, Escape cancels, a click outside applies; the chart
// decides what becomes of the tool (an empty new one is removed). While shown the main scene's
// keyboard switch is off, so digits go into the text instead of switching windows. Holds (retains)
// its chart while shown. Main thread only.
class InputDrawingTextPanel : public PopuPanelBase {
public:
    static constexpr float WIDTH = 320.0f;
    static constexpr float HEIGHT = 84.0f;
    static constexpr int MAX_CHARACTERS = 80;

    static InputDrawingTextPanel* create(const cocos2d::ccColor3B& colour = PANEL_BACKGROUND);
    ~InputDrawingTextPanel() override;

    // Turns the main scene's keys off (false) and on again (true).
    void setKeyboardSwitch(std::function<void(bool enabled)> keyboardSwitch) {
        keyboardSwitch_ = std::move(keyboardSwitch);
    }
    // Shows the input with the tool's current text for the chart's text-edit tool.
    void openFor(DrawingKLine* chart, const std::string& text);
    // Ends the edit: apply hands the typed text to the chart, else the chart cancels.
    void finish(bool apply);
    // Closing by a click outside applies.
    void hide() override;
    cocos2d::CCTextFieldTTF* getField() const { return field_; }
    DrawingKLine* getChart() const { return chart_; }
    void update(float dt) override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    InputDrawingTextPanel() = default;
    bool initInput(const cocos2d::ccColor3B& colour);
    void releaseChart();

    cocos2d::CCTextFieldTTF* field_ = nullptr;
    DrawingKLine* chart_ = nullptr;
    std::function<void(bool)> keyboardSwitch_;
    bool escapeWasDown_ = false;
};
