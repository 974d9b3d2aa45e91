// The language and configuration table loaders over arbitrary ".xc" files.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ConfigTable.h"
#include "FuzzSupport.h"
#include "LanguageTable.h"

namespace {
std::string tableFolder;
std::string tablePath;

void removeTable() {
    std::remove(tablePath.c_str());
    rmdir(tableFolder.c_str());
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The table is rewritten for every input: keep it in memory-backed storage when there is some.
    static std::string folder = "/dev/shm/zento-fuzz-tables-XXXXXX";
    if (!mkdtemp(folder.data())) {
        folder = "/tmp/zento-fuzz-tables-XXXXXX";
        if (!mkdtemp(folder.data())) std::abort();
    }
    setenv("ZENTO_HOME", folder.c_str(), 1);
    tableFolder = folder;
    tablePath = folder + "/table.xc";
    std::atexit(removeTable);
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(tablePath.c_str(), "wb");
    if (!file) return 0;
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::fclose(file);
        return 0;
    }
    std::fclose(file);

    check(loadLanguageTable(tablePath));
    for (int language = -1; language <= 2; ++language) {
        setCurrentLanguage(language);
        const std::string text = getLangText("default");
        if (language < 0 || language > 1) check(text == "null");
    }
    const bool loaded = loadConfigTable(tablePath);
    check(loaded == (size > 0));
    return 0;
}
