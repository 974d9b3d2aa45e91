// Live news records and history items over a real, headless news column: whatever arrives, the column
// holds at most its bound of rows, every row is listed under its own key, and nothing crashes.
// Input: a record, then optionally "\0", a history type byte, the content, "\n" and the time text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "CCDirector.h"
#include "CCSpriteFrameCache.h"
#include "FuzzSupport.h"
#include "NewsPanel.h"
#include "NewsRow.h"
#include "NewsRowList.h"
#include "NewsStream.h"

USING_NS_CC;

namespace {
NewsStream* stream = nullptr;
NewsPanel* panel = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    CCDirector* director = CCDirector::sharedDirector();
    director->setWinSize(CCSize(900, 600));
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(std::string(ZENTO_RES_DIR) +
                                                                          "/plist/image.plist");
    CCScene* scene = CCScene::create();
    director->runWithScene(scene);
    panel = NewsPanel::create(CCSize(280, 500));
    stream = NewsStream::create(nullptr);
    check(panel && stream);
    panel->retain();
    stream->retain();
    scene->addChild(panel);
    stream->setSink(panel);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    stream->recvNewsEvent(nullptr, input.substr(0, split));
    if (split != std::string::npos && split + 1 < input.size()) {
        const int type = static_cast<unsigned char>(input[split + 1]) % 4;
        const std::string rest = input.substr(split + 2);
        const size_t newline = rest.find('\n');
        stream->addHistoryItem(type, rest.substr(0, newline),
                               newline == std::string::npos ? "" : rest.substr(newline + 1));
    }
    const NewsRowList* list = panel->getList();
    check(list->getRows().size() <= NewsRowList::MAX_ROWS);
    for (NewsRow* row : list->getRows()) check(list->findRow(row->getKey()) == row);
    // The autoreleased labels of the call go, as after a frame.
    CCDirector::sharedDirector()->stepFrame(0);
    return 0;
}
