#include "CrashHandler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "InstallId.h"
#include "TempHome.h"
#include "TestSupport.h"

namespace {
constexpr Seconds PROBE_DEADLINE = Seconds(60);

// Sanitizers keep their own fault handlers off, so the probe's handler is the one that runs.
constexpr const char* SANITIZER_HANDLERS_OFF =
    "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_abort=0:handle_sigfpe=0:handle_sigill=0:detect_leaks="
    "0";

struct ProbeRun {
    std::optional<int> status;
    std::vector<std::string> dumps;  // names
};

std::vector<std::string> dumpNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".dmp") names.push_back(entry.path().filename().string());
    return names;
}

ProbeRun runProbe(const TempHome& home, const std::vector<std::string>& arguments) {
    ProcessLaunch launch;
    launch.argv = {ZENTO_CRASH_PROBE};
    launch.argv.insert(launch.argv.end(), arguments.begin(), arguments.end());
    launch.environment = {"ZENTO_HOME=" + home.path(), SANITIZER_HANDLERS_OFF};
    launch.errorPath = home.file("probe.err");
    ProbeRun run;
    run.status = runToEnd(launch, PROBE_DEADLINE);
    run.dumps = dumpNames(home.path());
    return run;
}

// The text between "name:\n" and the next section.
std::string section(const std::string& dump, const std::string& name, const std::string& next) {
    size_t start = dump.find(name + ":\n");
    if (start == std::string::npos) return {};
    start += name.size() + 2;
    size_t end = next.empty() ? dump.size() : dump.find(next + ":", start);
    return dump.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string headerValue(const std::string& dump, const std::string& key) {
    size_t at = dump.find("\n" + key + ": ");
    if (at == std::string::npos) return {};
    at += key.size() + 3;
    return dump.substr(at, dump.find('\n', at) - at);
}

// Each backtrace address that lies in the probe's own mappings, resolved by addr2line (the first one
// is the faulting instruction, the others return addresses).
std::vector<std::string> resolveFunctions(const std::string& dump, const std::string& folder) {
    std::vector<std::string> offsets;
    std::istringstream frames(section(dump, "backtrace", "build id"));
    const std::string program = std::filesystem::canonical(ZENTO_CRASH_PROBE).string();
    std::string frame;
    bool first = true;
    while (std::getline(frames, frame)) {
        uintptr_t address = std::stoull(frame, nullptr, 16) - (first ? 0 : 1);
        first = false;
        std::istringstream maps(section(dump, "maps", "log tail"));
        std::string line;
        while (std::getline(maps, line)) {
            uintptr_t low = 0, high = 0, offset = 0;
            char path[4096] = {};
            if (std::sscanf(line.c_str(), "%lx-%lx %*s %lx %*s %*s %4095s", &low, &high, &offset, path) != 4)
                continue;
            if (address < low || address >= high || program != path) continue;
            char text[32];
            std::snprintf(text, sizeof text, "0x%lx", address - low + offset);
            offsets.push_back(text);
        }
    }
    if (offsets.empty()) return {};
    std::vector<std::string> command = {"addr2line", "-f", "-C", "-e", program};
    command.insert(command.end(), offsets.begin(), offsets.end());
    const std::string out = folder + "/addr2line.out";
    if (runCommand(command, out) != 0) return {};
    std::vector<std::string> functions;
    std::istringstream lines(readWholeFile(out).value_or(""));
    std::string function, place;
    // Names without their parameter lists.
    while (std::getline(lines, function) && std::getline(lines, place))
        functions.push_back(function.substr(0, function.find('(')));
    return functions;
}
}  // namespace

TEST(CrashHandler, EachWayOfDyingLeavesOnePrivateDumpAndEndsByTheSignal) {
    struct Case {
        const char* mode;
        int signal;
        const char* function;  // the frame addr2line must find
        bool faultFirst;       // that frame is the faulting instruction
    };
    const Case cases[] = {
        {"null-worker", SIGSEGV, "crashByNullPointer", true},
        {"abort", SIGABRT, "crashByAbort", false},
        {"overflow", SIGSEGV, "crashByOverflow", true},
        {"overflow-worker", SIGSEGV, "crashByOverflow", true},
        {"two-threads", SIGSEGV, "crashByNullPointer", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TempHome home("zento-crash", TempHome::Use::FOLDER);
        const long long before = std::time(nullptr);
        ProbeRun run = runProbe(home, {c.mode});
        const long long after = std::time(nullptr);
        ASSERT_TRUE(run.status) << "the probe did not end";
        ASSERT_TRUE(WIFSIGNALED(*run.status)) << describeStatus(run.status);
        EXPECT_EQ(WTERMSIG(*run.status), c.signal);
        ASSERT_EQ(run.dumps.size(), 1u);

        const std::string path = home.file(run.dumps[0]);
        unsigned random = 0;
        long long stamp = 0;
        ASSERT_EQ(std::sscanf(run.dumps[0].c_str(), "zento_%u_%lld.dmp", &random, &stamp), 2) << run.dumps[0];
        EXPECT_GE(random, 1000u);
        EXPECT_LE(random, 10000998u);
        EXPECT_GE(stamp, static_cast<int32_t>(before));
        EXPECT_LE(stamp, static_cast<int32_t>(after));
        struct stat info = {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);

        const std::string dump = readWholeFile(path).value_or("");
        EXPECT_EQ(dump.rfind("Zento crash dump\n", 0), 0u);
        EXPECT_EQ(headerValue(dump, "signal").substr(0, std::to_string(c.signal).size() + 1),
                  std::to_string(c.signal) + " ");
        EXPECT_EQ(headerValue(dump, "install id"),
                  readWholeFile(home.file(INSTALL_ID_FILE)).value_or("").substr(0, 32));
        EXPECT_TRUE(isValidInstallId(headerValue(dump, "install id")));
        if (std::string(c.mode) == "null-worker" || std::string(c.mode) == "two-threads") {
            EXPECT_EQ(headerValue(dump, "address"), "0x0");
        }
        EXPECT_NE(section(dump, "registers", "backtrace").find("rip 0x"), std::string::npos);
        EXPECT_EQ(headerValue(dump, "build id").size(), 40u);
        EXPECT_NE(section(dump, "maps", "log tail").find("zento_crash_probe"), std::string::npos);

        // The tail of the log: its last line, but not the start of the file.
        const std::string tail = section(dump, "log tail", "");
        EXPECT_LE(tail.size(), static_cast<size_t>(CRASH_LOG_TAIL_BYTES));
        EXPECT_NE(tail.find(std::string("probe last line before ") + c.mode), std::string::npos);
        EXPECT_EQ(tail.find("Debug Log"), std::string::npos);

        std::vector<std::string> functions = resolveFunctions(dump, home.path());
        ASSERT_FALSE(functions.empty()) << dump.substr(0, 2000);
        if (c.faultFirst) {
            EXPECT_EQ(functions.front(), c.function);
        } else {
            EXPECT_NE(std::find(functions.begin(), functions.end(), c.function), functions.end());
        }

        // The message comes after the dump is closed, and to stderr.
        EXPECT_EQ(readWholeFile(home.file("message-box.txt")).value_or(""),
                  run.dumps[0] + " " + std::to_string(dump.size()) + "\n");
        EXPECT_NE(readWholeFile(home.file("probe.err")).value_or("").find(CRASH_MESSAGE), std::string::npos);
    }
}

TEST(CrashHandler, ATakenNameIsNeverOverwrittenAndTheIdStays) {
    TempHome home("zento-crash", TempHome::Use::FOLDER);
    const long long seconds = 1700000000;
    ASSERT_TRUE(writeWholeFile(home.file("zento_5000_1700000000.dmp"), "earlier dump"));
    ASSERT_TRUE(writeWholeFile(home.file(INSTALL_ID_FILE), "0123456789abcdef0123456789abcdef\n"));
    ProbeRun run = runProbe(home, {"collision", "5000", std::to_string(seconds)});
    ASSERT_TRUE(run.status && WIFSIGNALED(*run.status)) << describeStatus(run.status);
    EXPECT_EQ(readWholeFile(home.file("zento_5000_1700000000.dmp")), "earlier dump");
    ASSERT_EQ(run.dumps.size(), 2u);
    const std::string fresh = home.file("zento_5001_1700000000.dmp");
    EXPECT_NE(readWholeFile(fresh).value_or("").find("install id: 0123456789abcdef0123456789abcdef\n"),
              std::string::npos);

    // A malformed id is replaced by a fresh random one, which is then kept.
    ASSERT_TRUE(writeWholeFile(home.file(INSTALL_ID_FILE), "not an id\n"));
    const std::string id = loadInstallId(home.folder());
    EXPECT_TRUE(isValidInstallId(id)) << id;
    EXPECT_NE(id, "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(loadInstallId(home.folder()), id);
}
