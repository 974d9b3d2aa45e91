#pragma once

#include <string>

#include "ccTypes.h"

namespace cocos2d {
class CCNode;
}

// One instrument of the catalogue: its identity, the panels' numbering, the latest quote, and
// non-owning references to the display nodes that show the quote, so that a live quote refreshes
// them directly. Two views (A and B) each register a price label, a change label and two coloured
// items. A label is a node that also implements cocos2d::CCLabelProtocol (a node that does not gets
// no text); a coloured item is any node. Any reference may be null. The panels that create the nodes
// clear the references when they destroy the nodes, and let go of them before the catalogue frees a
// record (StockData::addReplaceListener). Main thread only.
class StockInfo {
public:
    static constexpr cocos2d::ccColor3B UP_COLOR{160, 68, 68};
    static constexpr cocos2d::ccColor3B DOWN_COLOR{65, 160, 65};

    StockInfo() = default;
    StockInfo(std::string listName, std::string name, std::string code, std::string category, int listId);
    virtual ~StockInfo() = default;
    StockInfo(const StockInfo&) = default;
    StockInfo& operator=(const StockInfo&) = default;

    const std::string& getListName() const { return listName_; }
    const std::string& getName() const { return name_; }
    const std::string& getCode() const { return code_; }
    const std::string& getCategory() const { return category_; }
    int getListId() const { return listId_; }

    virtual cocos2d::CCNode* getPriceLabelA() const { return priceLabelA_; }
    virtual cocos2d::CCNode* setPriceLabelA(cocos2d::CCNode* node) { return priceLabelA_ = node; }
    virtual cocos2d::CCNode* getChangeLabelA() const { return changeLabelA_; }
    virtual cocos2d::CCNode* setChangeLabelA(cocos2d::CCNode* node) { return changeLabelA_ = node; }
    virtual cocos2d::CCNode* getColorItemA1() const { return colorItemA1_; }
    virtual cocos2d::CCNode* setColorItemA1(cocos2d::CCNode* node) { return colorItemA1_ = node; }
    virtual cocos2d::CCNode* getColorItemA2() const { return colorItemA2_; }
    virtual cocos2d::CCNode* setColorItemA2(cocos2d::CCNode* node) { return colorItemA2_ = node; }
    virtual cocos2d::CCNode* getPriceLabelB() const { return priceLabelB_; }
    virtual cocos2d::CCNode* setPriceLabelB(cocos2d::CCNode* node) { return priceLabelB_ = node; }
    virtual cocos2d::CCNode* getChangeLabelB() const { return changeLabelB_; }
    virtual cocos2d::CCNode* setChangeLabelB(cocos2d::CCNode* node) { return changeLabelB_ = node; }
    virtual cocos2d::CCNode* getColorItemB1() const { return colorItemB1_; }
    virtual cocos2d::CCNode* setColorItemB1(cocos2d::CCNode* node) { return colorItemB1_ = node; }
    virtual cocos2d::CCNode* getColorItemB2() const { return colorItemB2_; }
    virtual cocos2d::CCNode* setColorItemB2(cocos2d::CCNode* node) { return colorItemB2_ = node; }
    // Clears all eight display references.
    void detachDisplays();

    // Kept for the panels; the catalogue gives it no meaning.
    virtual bool getFlag() const { return flag_; }
    virtual bool setFlag(bool flag) { return flag_ = flag; }
    // Category number (from 1000, unique across the catalogue) and list number (from 1).
    virtual int getSmallId() const { return smallId_; }
    virtual int setSmallId(int id) { return smallId_ = id; }
    virtual int getBigId() const { return bigId_; }
    virtual int setBigId(int id) { return bigId_ = id; }

    virtual float getReferencePrice() const { return referencePrice_; }
    // Elements 2 and 3 of the last quote (the market sends the high and the low there), as received.
    virtual float getSecondValue() const { return secondValue_; }
    virtual float getThirdValue() const { return thirdValue_; }
    virtual float getLastPrice() const { return lastPrice_; }
    virtual int getQuoteTime() const { return quoteTime_; }
    virtual float getChangeRatio() const { return changeRatio_; }

    // Stores a live quote, writes the change ("%0.3f%%" of the ratio in percent) and the price ("%g")
    // into both views' labels and recolours them with the user's colour convention. A reference price
    // of 0 is stored as 1.0.
    void updateQuote(float lastPrice, int quoteTime, float referencePrice, float second, float third);
    // Paints the four coloured items: a change of 0 or more is up; inverse swaps up and down.
    void refreshColor(bool inverse);

private:
    std::string listName_;
    std::string name_;
    std::string code_;
    std::string category_;
    int listId_ = 0;
    cocos2d::CCNode* priceLabelA_ = nullptr;
    cocos2d::CCNode* changeLabelA_ = nullptr;
    cocos2d::CCNode* colorItemA1_ = nullptr;
    cocos2d::CCNode* colorItemA2_ = nullptr;
    cocos2d::CCNode* priceLabelB_ = nullptr;
    cocos2d::CCNode* changeLabelB_ = nullptr;
    cocos2d::CCNode* colorItemB1_ = nullptr;
    cocos2d::CCNode* colorItemB2_ = nullptr;
    bool flag_ = false;
    int smallId_ = 0;
    int bigId_ = 0;
    float referencePrice_ = 0;
    float secondValue_ = 0;
    float thirdValue_ = 0;
    float lastPrice_ = 0;
    int quoteTime_ = 0;
    float changeRatio_ = 0;
};
