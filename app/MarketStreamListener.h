#pragma once

#include <cstdint>

#include "MarketMessages.h"

// What the market stream tells the scene that shows it. Called on the main thread, from inside the
// stream's socket and HTTP callbacks.
class MarketStreamListener {
public:
    virtual ~MarketStreamListener() = default;

    // The stock socket is up; first is set for the first connection of the run only.
    virtual void marketConnected(bool first) = 0;
    // The stock socket closed or failed at disconnectTime (seconds since the epoch); a reconnect is
    // already scheduled.
    virtual void marketLost(int64_t disconnectTime) = 0;
    // A quote, after the catalogue took it (also for a code the catalogue does not know).
    virtual void quoteArrived(const market_messages::Quote& quote) = 0;
    // One live bar, in the order of its message.
    virtual void barArrived(const market_messages::LiveBar& bar) = 0;
    // An instrument list was taken into the catalogue; first is set the first time in the run.
    virtual void instrumentListApplied(bool first) = 0;
    // The history server list request failed outright (it is asked again).
    virtual void historyServersUnreachable() = 0;
};
