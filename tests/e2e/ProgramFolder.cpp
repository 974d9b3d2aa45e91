#include "ProgramFolder.h"

#include <filesystem>
#include <iterator>
#include <regex>
#include <utility>

#include "ChildProcess.h"
#include "ConfigTable.h"
#include "TextFiles.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* CONFIG_TABLE_NAME = "config.xc";

// Replaces the one match of pattern; false when there is not exactly one.
bool replaceOnce(std::string& text, const std::string& pattern, const std::string& replacement) {
    const std::regex expression(pattern);
    auto match = std::sregex_iterator(text.begin(), text.end(), expression);
    if (match == std::sregex_iterator() || std::next(match) != std::sregex_iterator()) return false;
    text.replace(static_cast<size_t>(match->position()), static_cast<size_t>(match->length()), replacement);
    return true;
}
}  // namespace

ProgramFolder::ProgramFolder(std::string folder) : folder_(std::move(folder)) {}

bool ProgramFolder::fail(const std::string& message) {
    error_ = message;
    return false;
}

bool ProgramFolder::prepare(int httpPort, int newsPort) {
    std::error_code error;
    fs::create_directories(fs::path(folder_) / "program" / "res" / "database", error);
    if (error) return fail("cannot create the program folder: " + error.message());
    return linkProgram() && linkResources() && packConfigTable(httpPort, newsPort);
}

bool ProgramFolder::linkProgram() {
    const fs::path target = fs::path(folder_) / "program" / fs::path(ZENTO_PROGRAM).filename();
    std::error_code error;
    fs::create_hard_link(ZENTO_PROGRAM, target, error);
    if (error) {
        error.clear();
        fs::copy_file(ZENTO_PROGRAM, target, error);
        if (error) return fail("cannot link or copy the program: " + error.message());
    }
    programPath_ = fs::weakly_canonical(target).string();
    return true;
}

bool ProgramFolder::linkResources() {
    const fs::path built = fs::path(ZENTO_PROGRAM).parent_path() / "res";
    const fs::path copy = fs::path(folder_) / "program" / "res";
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(built, error)) {
        const fs::path name = entry.path().filename();
        if (name == "database") continue;
        fs::create_symlink(entry.path(), copy / name, error);
        if (error) return fail("cannot link " + entry.path().string() + ": " + error.message());
    }
    if (error) return fail("cannot list " + built.string() + ": " + error.message());
    for (const fs::directory_entry& entry : fs::directory_iterator(built / "database", error)) {
        const fs::path name = entry.path().filename();
        if (name == CONFIG_TABLE_NAME) continue;
        fs::create_symlink(entry.path(), copy / "database" / name, error);
        if (error) return fail("cannot link " + entry.path().string() + ": " + error.message());
    }
    if (error) return fail("cannot list the built tables: " + error.message());
    return true;
}

bool ProgramFolder::packConfigTable(int httpPort, int newsPort) {
    std::string defaults = readText(ZENTO_FEED_DEFAULTS);
    if (!replaceOnce(defaults, R"("httpPort"\s*:\s*\d+)", "\"httpPort\": " + std::to_string(httpPort)) ||
        !replaceOnce(defaults, R"("newsPort"\s*:\s*\d+)", "\"newsPort\": " + std::to_string(newsPort)))
        return fail(std::string("no single httpPort and newsPort in ") + ZENTO_FEED_DEFAULTS);
    // The terminal looks the history server list up under its built-in URL, while xcpack wants the
    // row under the URL with the new ports: the table gets both.
    std::string source = readText(ZENTO_CONFIG_SOURCE);
    if (!replaceOnce(source, R"("\$\{klineHistoryServerList\}"\s*:)",
                     std::string("\"") + CONFIG_KEY_KLINE_HISTORY_SERVER_LIST +
                         "\": \"${klineHistoryServerList}\",\n    \"${klineHistoryServerList}\":"))
        return fail(std::string("no single ${klineHistoryServerList} key in ") + ZENTO_CONFIG_SOURCE);
    const std::string defaultsPath = folder_ + "/defaults.json";
    const std::string sourcePath = folder_ + "/config.json";
    if (!writeTextAtomically(defaultsPath, defaults) || !writeTextAtomically(sourcePath, source))
        return fail("cannot write the table sources in " + folder_);

    ProcessLaunch launch;
    launch.argv = {
        ZENTO_XCPACK, "config",   "--feed",   defaultsPath,
        "--source",   sourcePath, "--output", folder_ + "/program/res/database/" + CONFIG_TABLE_NAME};
    launch.outputPath = folder_ + "/xcpack.out";
    launch.errorPath = folder_ + "/xcpack.err";
    const std::optional<int> status = runToEnd(launch, Seconds(60));
    if (describeStatus(status) != "exit 0")
        return fail("xcpack failed (" + describeStatus(status) + "): " + readText(launch.errorPath));
    return true;
}
