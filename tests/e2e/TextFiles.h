#pragma once

#include <string>

// Whole files as text, for the runs' logs, settings and feed output.
std::string readText(const std::string& path);
// Writes through a temporary name, so a reader never sees half a file.
bool writeTextAtomically(const std::string& path, const std::string& text);
