#pragma once

#include <functional>
#include <string>

#include "CCIMEDelegate.h"
#include "CCLabelTTF.h"

NS_CC_BEGIN

class CCTextFieldTTF;

// Optional hooks of a text field; returning true refuses the change.
class CCTextFieldDelegate {
public:
    virtual ~CCTextFieldDelegate() = default;
    virtual bool onTextFieldAttachWithIME(CCTextFieldTTF*) { return false; }
    virtual bool onTextFieldDetachWithIME(CCTextFieldTTF*) { return false; }
    virtual bool onTextFieldInsertText(CCTextFieldTTF*, const char*, int) { return false; }
    virtual bool onTextFieldDeleteBackward(CCTextFieldTTF*, const char*, int) { return false; }
};

// A one-line text input on a label. While attached (attachWithIME) it takes the text the window's
// input method produces (SDL text input) and the editing keys: characters go in at the cursor,
// backspace and delete remove one character, left, right, home and end move the cursor, enter
// calls the enter callback. maxLength (characters, 0 = no limit) cuts what is typed or set. While
// empty it shows the placeholder in the placeholder colour. The cursor blinks while attached.
// Main thread only.
class CCTextFieldTTF : public CCLabelTTF, public CCIMEDelegate {
public:
    ~CCTextFieldTTF() override;

    static CCTextFieldTTF* textFieldWithPlaceHolder(const char* placeholder, const char* fontName,
                                                    float fontSize);
    static CCTextFieldTTF* textFieldWithPlaceHolder(const char* placeholder, const CCSize& dimensions,
                                                    CCTextAlignment alignment, const char* fontName,
                                                    float fontSize);

    void setString(const char* text) override;
    void setPlaceHolder(const char* text);
    const char* getPlaceHolder() const { return placeholder_.c_str(); }
    void setColorSpaceHolder(const ccColor3B& color) { placeholderColor_ = color; }
    void setMaxLength(int characters);
    int getMaxLength() const { return maxLength_; }
    int getCharCount() const;
    // Cursor position in characters from the start.
    int getCursorPosition() const { return cursor_; }

    virtual bool attachWithIME();
    virtual bool detachWithIME();
    bool isAttached() const { return attached_; }
    void setDelegate(CCTextFieldDelegate* delegate) { delegate_ = delegate; }
    // Called after every change of the text, and when enter is pressed.
    void setOnChange(std::function<void(CCTextFieldTTF*)> callback) { onChange_ = std::move(callback); }
    void setOnEnter(std::function<void(CCTextFieldTTF*)> callback) { onEnter_ = std::move(callback); }

    // CCIMEDelegate.
    void insertText(const std::string& utf8) override;
    void deleteBackward() override;
    void deleteForward() override;
    void moveCursor(int delta) override;
    void moveCursorToStart() override;
    void moveCursorToEnd() override;
    void enterPressed() override;
    void didDetachWithIME() override;

    void draw() override;

protected:
    const std::string& displayedText() const override { return text_.empty() ? placeholder_ : text_; }

private:
    CCTextFieldTTF() = default;
    void changed();

    std::string placeholder_;
    ccColor3B placeholderColor_{127, 127, 127};
    int maxLength_ = 0;
    int cursor_ = 0;
    bool attached_ = false;
    CCTextFieldDelegate* delegate_ = nullptr;
    std::function<void(CCTextFieldTTF*)> onChange_;
    std::function<void(CCTextFieldTTF*)> onEnter_;
};

NS_CC_END
