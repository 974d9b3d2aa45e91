#pragma once

#include <string>

// Saves the whole X screen of display (":N") as a PNG, whatever windows of whichever processes are
// on it (the terminal's own screenshots only see its window). False when it cannot.
bool captureScreen(const std::string& display, const std::string& path);
