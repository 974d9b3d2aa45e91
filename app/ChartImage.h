#pragma once

#include <ctime>
#include <string>

// Where and under which name a chart window's picture is saved.
namespace chart_image {

// The user's pictures folder: the XDG "PICTURES" folder of user-dirs.dirs when it names an existing
// folder, else the home folder; home is $HOME (tests pass their own) and configHome is
// $XDG_CONFIG_HOME or home + "/.config" when empty.
std::string picturesFolder(const std::string& home, const std::string& configHome);
std::string picturesFolder();
// "Zento-<symbol>-<minutes>-<local time YYYYmmdd-HHMMSS>.png"; characters a file name should not
// carry are replaced by "_".
std::string fileName(const std::string& symbol, int timeTypeMinutes, time_t now);

}  // namespace chart_image
