#pragma once

#include <string>

// Brevanix's command line:
//   Brevanix [--headless] [--screenshot FILE.png [--after SECONDS]] [--only-dir DIR] [--] ARCHIVE
// Every word that is not an option belongs to the archive path; several are joined with one blank, so
// a path with blanks passed unquoted still arrives whole. "--" ends the options.
//   --headless        run without a window (no SDL at all)
//   --screenshot FILE save the window as a PNG after --after SECONDS (default 0.5) and carry on
//   --only-dir DIR    end only a terminal whose executable lies in DIR (tests; default: the one in
//                     the updater's folder, else any "Zento")
class CommandLine {
public:
    static constexpr double DEFAULT_SCREENSHOT_AFTER = 0.5;

    // An option with a bad or missing value is dropped and described in *problem (empty when all is
    // well): the update itself must run whatever the options say.
    static CommandLine parse(int argc, const char* const* argv, std::string* problem);

    std::string archivePath;
    bool headless = false;
    std::string screenshotPath;
    double screenshotAfter = DEFAULT_SCREENSHOT_AFTER;
    std::string onlyDirectory;
};
