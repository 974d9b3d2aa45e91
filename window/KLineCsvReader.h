#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "KLineBar.h"

// Turns inflated history text into bars, piece by piece as the text is inflated, with the rules of
// ParseKLineStruct::parseBars. A line split between two pieces is kept until its end arrives.
//
// One reader per parse, made and fed on one thread (any): the room it takes up front for the bars
// is that thread's.
class KLineCsvReader {
public:
    // expectedBars: a guess of the number of lines, for the room taken up front.
    explicit KLineCsvReader(size_t expectedBars);
    KLineCsvReader(const KLineCsvReader&) = delete;
    KLineCsvReader& operator=(const KLineCsvReader&) = delete;

    // The next piece of text.
    void feed(const char* text, size_t length);
    // The bars of every line fed (the last one may lack its "\n"), strictly ascending in time;
    // skipped counts the lines that were not empty and not bars. The reader is empty afterwards.
    std::vector<std::unique_ptr<KLineBar>> finish(size_t& skipped);

private:
    // Whole lines only: every line in [text, textEnd) ends with "\n", except at finish.
    void readLines(const char* text, const char* textEnd);

    std::vector<std::unique_ptr<KLineBar>> bars_;
    std::string partialLine_;
    size_t skipped_ = 0;
    bool strictlyAscending_ = true;
};
