#include "RetryTable.h"

#include <algorithm>
#include <cassert>

#include "CCNode.h"
#include "CDebugModule.h"

namespace retry_table {

const std::vector<RetryRow>& rows() {
    static const std::vector<RetryRow> table = {
        {RetryStep::StockServerList, 3.0f, "stockServerRetry", LOG_LEVEL_ERROR,
         "1 get kline socketIo server error! will try after %dsecond"},
        // Waits like a failed request: an empty list at start-up would otherwise be asked for on every frame.
        {RetryStep::EmptyStockServerList, 3.0f, "stockServerRetry", LOG_LEVEL_ERROR,
         "2 get kline socketIo server error! will try after %dsecond"},
        {RetryStep::StockReconnect, 3.0f, "stockReconnect", LOG_LEVEL_INFO, nullptr},
        {RetryStep::InstrumentList, 3.0f, "stockListRetry", LOG_LEVEL_ERROR,
         "GetStockServerList failed, will retry after %d second!"},
        {RetryStep::HistoryServerList, 3.0f, "historyServerRetry", LOG_LEVEL_INFO,
         "GetKlineHistoryServerList error! will try after %d second!!!!"},
    };
    return table;
}

const RetryRow& rowOf(RetryStep step) {
    const std::vector<RetryRow>& table = rows();
    auto found =
        std::find_if(table.begin(), table.end(), [step](const RetryRow& row) { return row.step == step; });
    assert(found != table.end() && "every RetryStep needs its row in the retry table");
    return *found;
}

namespace {
float delayOf(const RetryRow& row, float atLeast) {
    return std::max(row.delaySeconds, atLeast);
}
}  // namespace

void logRetry(RetryStep step, float atLeast) {
    const RetryRow& row = rowOf(step);
    if (row.logLine)
        CDebugModule::getInstance()->log(row.logLevel, row.logLine, static_cast<int>(delayOf(row, atLeast)));
}

void retryLater(cocos2d::CCNode* owner, RetryStep step, std::function<void()> retry, float atLeast) {
    assert(owner && "a retry needs the node whose scheduler runs it");
    const RetryRow& row = rowOf(step);
    logRetry(step, atLeast);
    owner->scheduleOnce([retry = std::move(retry)](float) { retry(); }, delayOf(row, atLeast), row.key);
}

}  // namespace retry_table
