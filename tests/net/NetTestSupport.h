#pragma once

#include <string>

#include "FrameSteps.h"

// The net clients' heartbeats and a peer's time-outs run on the same clock, so frames against a peer
// step by real time (REAL_TIME_DT) and waits on it are bounded by this.
constexpr double PEER_DEADLINE = 15;

// A peer script of tests/net/peers, for NodePeer.
inline std::string peerScript(const std::string& name) {
    return std::string(ZENTO_NET_PEERS_DIR) + "/" + name;
}

// Runs frames for the given real time.
inline void pumpFor(double seconds) {
    pumpUntil([] { return false; }, seconds, REAL_TIME_DT);
}
