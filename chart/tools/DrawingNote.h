#pragma once

#include "DrawingText.h"

// A pin ("icon_location.png") standing on P0 with the text frame to its right (id 22).
class DrawingNote : public DrawingText {
public:
    static constexpr int TYPE = 22;
    static constexpr const char* PIN = "icon_location.png";
    DrawingNote() : DrawingNote(TYPE, false) {}

protected:
    DrawingNote(int type, bool frameOnLeft)
        : DrawingText(type, PIN, cocos2d::CCPoint(0.5f, 0), frameOnLeft, 0) {}
};

// The note with its frame to the left of the pin (id 23).
class DrawingNoteAR : public DrawingNote {
public:
    static constexpr int TYPE = 23;
    DrawingNoteAR() : DrawingNote(TYPE, true) {}
};
