// The settings loader over arbitrary "config.bin" bytes: whatever the file holds, the store loads
// clamped values, and what it then saves loads back unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "UserData.h"

namespace {
void checkRanges(const UserData& data) {
    check(data.getWindows().size() <= UserData::MAX_WINDOWS);
    check(data.getMaximisedPeriod() >= 1 && data.getMaximisedPeriod() <= 1440);
    check(data.getTimeZone() >= 0 && data.getTimeZone() <= 6);
    check(data.getLanguage() >= 0 && data.getLanguage() <= 1);
    check(data.getLayoutType() >= 0 && data.getLayoutType() <= 22);
    for (const WindowSetting& window : data.getWindows()) {
        check(window.chartType >= 0 && window.chartType <= 3);
        check(window.timeTypeIndex >= 0 && window.timeTypeIndex <= 8);
        check(window.zoom >= 1.1f && window.zoom <= 26.0f);
        check(window.panes.size() <= 5);
        for (const IndicatorPane& pane : window.panes) {
            check(pane.type >= 1 && pane.type <= 5);
            check(pane.heightRatio >= 0.05f && pane.heightRatio <= 0.8f);
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Saves are never made here, but the writable folder must not be the user's.
    static std::string home = "/tmp/zento-fuzz-settings-XXXXXX";
    if (mkdtemp(home.data())) {
        setenv("ZENTO_HOME", home.c_str(), 1);
        std::atexit([] { rmdir(home.c_str()); });
    }
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UserData settings;
    settings.loadSettingsFromBytes(data, size);
    checkRanges(settings);
    const std::vector<unsigned char> saved = settings.encodeSettings();
    check(!saved.empty());
    UserData reloaded;
    reloaded.loadSettingsFromBytes(saved.data(), saved.size());
    check(reloaded.encodeSettings() == saved);
    return 0;
}
