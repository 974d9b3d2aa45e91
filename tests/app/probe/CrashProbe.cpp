// A program that installs the crash handler and then dies the way its argument says:
//   null-worker | abort | overflow | overflow-worker | two-threads | collision RANDOM SECONDS
// Started again with --crash-message by the handler, it notes in the data folder that it ran and how
// large every dump was at that moment, instead of showing a box.

#include <dirent.h>
#include <sys/stat.h>

#include <barrier>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "CCFileUtils.h"
#include "CCSignalStack.h"
#include "CDebugModule.h"
#include "CrashHandler.h"

USING_NS_CC;

// Opaque to the compiler, so the store is really made.
int* volatile nullTarget = nullptr;

extern "C" __attribute__((noinline)) void crashByNullPointer() {
    *nullTarget = 1;
}

__attribute__((noinline)) void crashByAbort() {
    std::abort();
}

// Deep enough for any stack; the limit only keeps the compiler from calling the recursion endless.
volatile int overflowLimit = 1 << 30;

__attribute__((noinline)) int crashByOverflow(int depth) {
    volatile char pad[512];
    pad[0] = static_cast<char>(depth);
    if (depth >= overflowLimit) return pad[0];
    return crashByOverflow(depth + 1) + pad[0];
}

namespace {
int noteMessageBox() {
    const std::string folder = CCFileUtils::sharedFileUtils()->getWritablePath();
    std::ofstream note(folder + "message-box.txt");
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            struct stat info = {};
            if (name.size() > 4 && name.substr(name.size() - 4) == ".dmp" &&
                stat((folder + name).c_str(), &info) == 0)
                note << name << " " << info.st_size << "\n";
        }
        closedir(dir);
    }
    return 0;
}

void onWorker(void (*crash)()) {
    std::thread([crash] {
        installSignalStack();
        crash();
    }).join();
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], CRASH_MESSAGE_OPTION) == 0) return noteMessageBox();
    if (argc < 2) return 2;
    const std::string mode = argv[1];

    CDebugModule::getInstance()->createLogFile();
    // More than the dump keeps, so its tail starts past the header.
    for (int i = 0; i < 400; ++i)
        logInfo("probe filler line %03d ........................................", i);
    logInfo("probe last line before %s", mode.c_str());
    installCrashHandler();

    if (mode == "null-worker") onWorker(crashByNullPointer);
    if (mode == "abort") crashByAbort();
    if (mode == "overflow") return crashByOverflow(0);
    if (mode == "overflow-worker") onWorker([] { crashByOverflow(0); });
    if (mode == "collision" && argc == 4) {
        fixCrashDumpName(static_cast<unsigned>(std::atol(argv[2])), std::atoll(argv[3]));
        crashByNullPointer();
    }
    if (mode == "two-threads") {
        std::barrier start(2);
        auto both = [&start] {
            installSignalStack();
            start.arrive_and_wait();
            crashByNullPointer();
        };
        std::thread first(both);
        std::thread second(both);
        first.join();
        second.join();
    }
    return 3;
}
