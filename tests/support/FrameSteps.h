#pragma once

#include <functional>

// Stepping the director's clock in tests. Timers, delays and actions run exactly as in the real loop,
// only on the test's time: a test never sleeps to wait for a timer.

constexpr float FRAME_DT = 1.0f / 60;
// As dt of pumpUntil: each frame steps the clock by the real time since the previous one, for clients
// whose heartbeats and time-outs must keep pace with a real peer's.
constexpr float REAL_TIME_DT = 0;

// Runs frames of dt until condition holds; false when the real-time deadline passes first. Between
// frames the worker threads and a real peer get the processor for a moment: this is for waiting on
// what frames cannot speed up (a network peer, a parse thread).
bool pumpUntil(const std::function<bool()>& condition, double deadlineSeconds = 20, float dt = FRAME_DT);

// Runs frames of dt adding up to seconds of the director's time (the last one may end a little past
// it when seconds is not a whole number of frames).
void stepFor(float seconds, float dt = FRAME_DT);
