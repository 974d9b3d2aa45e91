#pragma once

#include <functional>
#include <string>

#include "CCIMEDelegate.h"

// Letters typed while no text field has the focus: the main scene holds the text focus with this
// listener while a chart window is selected and nothing else wants the keys, and the first letter
// typed opens the instrument chooser on it (the chooser's search field then takes the focus and
// the rest of the typing). Digits and other text are left alone: they keep their key meaning.
// The editing keys are not taken, so arrows and Enter reach the scene as before. Main thread only.
class TypeToSwitch : public cocos2d::CCIMEDelegate {
public:
    // Called with typed text that starts with an ASCII letter.
    explicit TypeToSwitch(std::function<void(const std::string& letters)> opened)
        : opened_(std::move(opened)) {}
    ~TypeToSwitch() override;

    // Takes the text focus when no one has it; gives it up when listening.
    void listen(bool on);
    bool isListening() const;

    void insertText(const std::string& utf8) override;
    void deleteBackward() override {}
    bool takesEditingKeys() const override { return false; }

private:
    std::function<void(const std::string&)> opened_;
};
