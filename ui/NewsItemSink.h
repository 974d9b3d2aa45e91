#pragma once

#include <string>
#include <vector>

// The item operations the news stream calls on the news column. Fields are a record's "#"-separated
// fields, field 0 its type. Main thread only.
class NewsItemSink {
public:
    virtual ~NewsItemSink() = default;

    // Adds a flash row; a key already listed changes nothing.
    virtual void addFlash(const std::string& key, const std::string& text) = 0;
    // Replaces the text of the flash listed under key; other rows and unknown keys are left alone.
    virtual void replaceFlashText(const std::string& key, const std::string& text) = 0;
    // Adds a data row keyed by field 8 (records with more than 10 fields); a listed key updates that row.
    virtual void addDataItem(const std::vector<std::string>& fields) = 0;
    // Sets the values of the data row listed under field 1 from fields 2-4 (a missing 4 is empty).
    virtual void updateDataValues(const std::vector<std::string>& fields) = 0;
    virtual void removeItem(const std::string& key) = 0;
    virtual void clearItems() = 0;
};
