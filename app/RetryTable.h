#pragma once

#include <functional>
#include <vector>

namespace cocos2d {
class CCNode;
}

// What the main scene asks again when a network step fails.
enum class RetryStep {
    StockServerList,       // the stock server list request failed
    EmptyStockServerList,  // a connection was wanted while no stock server is known
    StockReconnect,        // the stock socket closed, failed, or could not be opened
    InstrumentList,        // the instrument list request failed or was not a list
    HistoryServerList,     // the history server list failed or named fewer than two servers
};

struct RetryRow {
    RetryStep step;
    float delaySeconds;
    // The owner's scheduler key: a step already waiting keeps its time and takes the newer call.
    const char* key;
    int logLevel;
    // A printf format with one %d, the delay in whole seconds; null when the retry says nothing.
    const char* logLine;
};

// The network retries of the main scene as data: every one waits its row's delay and is tried
// again without limit. Main thread only.
namespace retry_table {
const std::vector<RetryRow>& rows();
const RetryRow& rowOf(RetryStep step);
// Writes the step's log line for a retry after the row's delay, or after atLeast seconds when longer.
void logRetry(RetryStep step, float atLeast = 0.0f);
// Logs the step's line and runs retry on owner's scheduler after the row's delay, or after atLeast
// seconds when that is longer. The retry does not run once owner is gone.
void retryLater(cocos2d::CCNode* owner, RetryStep step, std::function<void()> retry, float atLeast = 0.0f);
}  // namespace retry_table
