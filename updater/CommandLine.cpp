#include "CommandLine.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

CommandLine CommandLine::parse(int argc, const char* const* argv, std::string* problem) {
    problem->clear();
    CommandLine line;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        const bool hasOperand = i + 1 < argc;
        if (options && word == "--") {
            options = false;
        } else if (options && word == "--headless") {
            line.headless = true;
        } else if (options && (word == "--screenshot" || word == "--only-dir" || word == "--after")) {
            if (!hasOperand) {
                *problem = std::string(word) + " needs a value";
                break;
            }
            const char* operand = argv[++i];
            if (word == "--screenshot") {
                line.screenshotPath = operand;
            } else if (word == "--only-dir") {
                line.onlyDirectory = operand;
            } else {
                char* end = nullptr;
                const double seconds = strtod(operand, &end);
                if (end == operand || *end != '\0' || !std::isfinite(seconds) || seconds < 0.0) {
                    *problem = std::string("--after needs a number of seconds, not \"") + operand + "\"";
                } else {
                    line.screenshotAfter = seconds;
                }
            }
        } else {
            if (!line.archivePath.empty()) line.archivePath += ' ';
            line.archivePath += word;
        }
    }
    return line;
}
