#pragma once

#include <string>

// A copy of the terminal's program folder whose configuration table points at a feed on other ports.
// The program looks for res/ beside itself before the data folder, so the copy is the only way to give
// one run its own table without touching the build: the program is hard-linked (or copied), every
// other resource is a symbolic link to the built one, and res/database/config.xc is packed by xcpack
// from the table source and a copy of the feed's defaults with the given ports.
class ProgramFolder {
public:
    // Everything is created inside folder.
    explicit ProgramFolder(std::string folder);

    // False with error() when a step fails.
    bool prepare(int httpPort, int newsPort);
    const std::string& programPath() const { return programPath_; }
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& message);
    bool linkProgram();
    bool linkResources();
    bool packConfigTable(int httpPort, int newsPort);

    std::string folder_;
    std::string programPath_;
    std::string error_;
};
