#pragma once

#include <string>
#include <vector>

#include "CCLayerColor.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
}  // namespace cocos2d

// One row of the news column: a flash (time and text) or a calendar data item (time, title, five
// importance stars and its previous, expected and actual values), with the point marker that
// marks the newest row. Its height follows its measured labels; the list places it. The time label
// shows the key's UTC time in the display zone (a key that is no time as sent) and follows zone
// switches; the values text follows language switches. Main thread only.
class NewsRow : public cocos2d::CCLayerColor {
public:
    enum class Kind { Flash, Data };

    static constexpr int TIME_TAG = 98451;
    // The flash text and the data values share this tag; the kind tells them apart.
    static constexpr int TEXT_OR_VALUES_TAG = 98431;
    static constexpr int MARKER_TAG = 558745;
    static constexpr cocos2d::ccColor3B BACKGROUND{28, 31, 46};
    static constexpr cocos2d::ccColor3B FLASH_TEXT_COLOUR{150, 150, 150};
    static constexpr cocos2d::ccColor3B VALUES_COLOUR{180, 30, 40};
    static constexpr float FONT_SIZE = 13;
    static constexpr float TEXT_X = 30;
    static constexpr float WRAP_MARGIN = 40;
    static constexpr float MARKER_X = 16;
    static constexpr int MARKER_Z = 16;
    static constexpr int STAR_Z = 10;
    static constexpr int STAR_COUNT = 5;
    static constexpr float STAR_X = 46;
    static constexpr float STAR_STEP = 20;
    static constexpr float STAR_Y = 55;
    static constexpr float VALUES_X = 20;
    static constexpr float VALUES_Y = 25;
    static constexpr float FLASH_PADDING = 20;
    static constexpr float DATA_PADDING = 60;
    // The marker of rows older than the newest.
    static constexpr uint8_t DIMMED_OPACITY = 100;
    // Data records carry more fields than this; field 8 is their key.
    static constexpr size_t MIN_DATA_FIELDS = 11;
    static constexpr size_t DATA_KEY_FIELD = 8;

    // Null when a label cannot be made.
    static NewsRow* createFlash(const std::string& key, const std::string& text, float width);
    // Null for records of MIN_DATA_FIELDS fields or fewer.
    static NewsRow* createData(const std::vector<std::string>& fields, float width);

    Kind getKind() const { return kind_; }
    const std::string& getKey() const { return key_; }
    // Flash rows only: new text, new height, labels placed again.
    void setFlashText(const std::string& text);
    // Data rows only: title, stars and values of a newer record of the same item.
    void setDataRecord(const std::vector<std::string>& fields);
    // Data rows only.
    void setValues(const std::string& previous, const std::string& expected, const std::string& actual);
    void setMarkerDimmed(bool dimmed);

    cocos2d::CCLabelTTF* getTimeLabel() const { return time_; }
    // The flash text or the data item's title.
    cocos2d::CCLabelTTF* getTextLabel() const { return text_; }
    // Null on flash rows.
    cocos2d::CCLabelTTF* getValuesLabel() const { return values_; }
    cocos2d::CCSprite* getMarker() const { return marker_; }
    cocos2d::CCSprite* getStar(int index) const;
    // The record's fields (data rows) for the detail view; empty on flash rows.
    const std::vector<std::string>& getFields() const { return fields_; }
    // What the time label shows for a key in the current display zone.
    static std::string displayTime(const std::string& key);

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    NewsRow() = default;
    bool initFlash(const std::string& key, const std::string& text, float width);
    bool initData(const std::vector<std::string>& fields, float width);

private:
    bool initCommon(Kind kind, const std::string& key, const std::string& text, float width);
    void layoutFlash();
    void layoutData();
    void showStars(int importance);
    void refreshValues();

    Kind kind_ = Kind::Flash;
    std::string key_;
    float width_ = 0;
    cocos2d::CCLabelTTF* time_ = nullptr;
    cocos2d::CCLabelTTF* text_ = nullptr;
    cocos2d::CCLabelTTF* values_ = nullptr;
    cocos2d::CCSprite* marker_ = nullptr;
    std::vector<cocos2d::CCSprite*> stars_;
    std::vector<std::string> fields_;
    std::string previous_, expected_, actual_;
};
