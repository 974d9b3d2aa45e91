#include "NewsPanel.h"

USING_NS_CC;

namespace {
constexpr const char* CAPTION_KEY = "news";
}

NewsPanel* NewsPanel::create(const CCSize& size) {
    return createAutoreleased<NewsPanel>(&NewsPanel::initPage, CAPTION_KEY, size);
}
