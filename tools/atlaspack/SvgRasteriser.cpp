#include "SvgRasteriser.h"

#include <spawn.h>
#include <sys/wait.h>
#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

bool SvgRasteriser::rasterise(const std::string& svgPath, const std::string& pngPath,
                              std::string& error) const {
    std::vector<std::string> arguments = {program_, "--format", "png", "--output", pngPath, svgPath};
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int started = posix_spawnp(&child, program_.c_str(), nullptr, nullptr, argv.data(), environ);
    if (started != 0) {
        error = program_ + ": cannot start: " + std::strerror(started);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            error = program_ + ": lost the child process: " + std::strerror(errno);
            return false;
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = program_ + " failed on " + svgPath + " (status " + std::to_string(status) + ")";
        return false;
    }
    return true;
}
