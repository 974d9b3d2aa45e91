#pragma once

#include <vector>

#include "CCObject.h"

NS_CC_BEGIN

// An ordered list that holds a reference to each element. Main thread only.
class CCArray : public CCObject {
public:
    CCArray() = default;
    ~CCArray() override;

    static CCArray* create();
    static CCArray* createWithCapacity(unsigned int capacity);

    unsigned int count() const { return static_cast<unsigned int>(items_.size()); }
    // Null when the index is out of range.
    CCObject* objectAtIndex(unsigned int index) const;
    CCObject* lastObject() const { return items_.empty() ? nullptr : items_.back(); }
    bool containsObject(const CCObject* object) const;
    // UINT_MAX when absent.
    unsigned int indexOfObject(const CCObject* object) const;

    void addObject(CCObject* object);
    void insertObject(CCObject* object, unsigned int index);
    // Removes the first occurrence.
    void removeObject(CCObject* object);
    void removeObjectAtIndex(unsigned int index);
    void removeLastObject();
    void removeAllObjects();
    void exchangeObjectAtIndex(unsigned int a, unsigned int b);

    std::vector<CCObject*>::const_iterator begin() const { return items_.begin(); }
    std::vector<CCObject*>::const_iterator end() const { return items_.end(); }

private:
    std::vector<CCObject*> items_;
};

NS_CC_END
