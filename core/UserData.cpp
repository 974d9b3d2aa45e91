#include "UserData.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "CCCommon.h"
#include "CCFileUtils.h"
#include "CCUserDefault.h"
#include "CCmdPacket.h"
#include "CDebugModule.h"
#include "FileHelpers.h"
#include "LanguageTable.h"
#include "SimpleAudioEngine.h"

USING_NS_CC;

namespace {
const char* const DEFAULT_WINDOW_CODES[] = {"XAUUSD", "XAGUSD", "USOIL", "UKOIL"};

bool soundSwitch = true;

void stopAllEffects() {
    SimpleAudioEngine::sharedEngine()->stopAllEffects();
}

int clampInt(int value, int low, int high) {
    return std::clamp(value, low, high);
}

// NaN passes every comparison, so it takes the fallback before the clamp.
float clampFloat(float value, float low, float high, float fallback) {
    if (std::isnan(value)) return fallback;
    return std::clamp(value, low, high);
}

// A rectangle value as a whole number; NaN and values beyond 32 bits are pinned.
int32_t truncateToInt32(float value) {
    constexpr float INT32_LIMIT = 2147483648.0f;  // 2^31
    if (std::isnan(value)) return 0;
    if (value >= INT32_LIMIT) return INT32_MAX;
    if (value <= -INT32_LIMIT) return INT32_MIN;
    return static_cast<int32_t>(value);
}

WindowSetting readWindowSetting(CCmdPacket& packet) {
    WindowSetting window;
    window.code = packet.readString();
    int chartType = packet.readUInt8();
    window.chartType = chartType <= WindowSetting::MAX_CHART_TYPE ? chartType : 0;
    window.timeTypeIndex = clampInt(packet.readUInt8(), 0, WindowSetting::MAX_TIME_TYPE_INDEX);
    window.zoom = clampFloat(packet.readFloat(), WindowSetting::MIN_ZOOM, WindowSetting::MAX_ZOOM,
                             WindowSetting::DEFAULT_ZOOM);
    int paneCount = packet.readInt16();
    for (int k = 0; k < paneCount && packet.getRemaining() > 0; ++k) {
        IndicatorPane pane;
        pane.type = clampInt(packet.readInt8(), IndicatorPane::MIN_TYPE, IndicatorPane::MAX_TYPE);
        pane.heightRatio = clampFloat(packet.readFloat(), IndicatorPane::MIN_HEIGHT_RATIO,
                                      IndicatorPane::MAX_HEIGHT_RATIO, IndicatorPane::DEFAULT_HEIGHT_RATIO);
        // A window shows one pane of each type; a repeated type is dropped.
        bool seen = std::any_of(window.panes.begin(), window.panes.end(),
                                [&](const IndicatorPane& kept) { return kept.type == pane.type; });
        if (!seen) window.panes.push_back(pane);
    }
    return window;
}

bool writeWindowSetting(CCmdPacket& packet, const WindowSetting& window) {
    bool ok = packet.writeString(window.code);
    ok = packet.writeUInt8(static_cast<uint8_t>(window.chartType)) && ok;
    ok = packet.writeUInt8(static_cast<uint8_t>(window.timeTypeIndex)) && ok;
    ok = packet.writeFloat(window.zoom) && ok;
    const size_t paneCount = std::min<size_t>(window.panes.size(), IndicatorPane::MAX_TYPE);
    ok = packet.writeUInt16(static_cast<uint16_t>(paneCount)) && ok;
    for (size_t k = 0; k < paneCount; ++k) {
        ok = packet.writeUInt8(static_cast<uint8_t>(window.panes[k].type)) && ok;
        ok = packet.writeFloat(window.panes[k].heightRatio) && ok;
    }
    return ok;
}
}  // namespace

UserData* UserData::getInstance() {
    static UserData* instance = nullptr;
    if (!instance) {
        instance = new UserData();
        instance->loadSettings();
    }
    return instance;
}

UserData::UserData() = default;

bool UserData::getSoundSwitch() {
    return soundSwitch;
}

void UserData::setSoundSwitch(bool enabled) {
    soundSwitch = enabled;
}

void UserData::loadSettings() {
    maxSize_ = CCUserDefault::sharedUserDefault()->getBoolForKey(MAX_SIZE_KEY, true);
    const std::string path = CCFileUtils::sharedFileUtils()->getWritablePath() + SETTINGS_FILE_NAME;
    auto bytes = readFile(path);
    if (!bytes) {
        setDefaultSettings();
        logInfo("load setting failed, enter default setting!!");
        return;
    }
    loadSettingsFromBytes(bytes->data(), bytes->size());
}

void UserData::loadSettingsFromBytes(const unsigned char* bytes, size_t count) {
    CCmdPacket packet(bytes, static_cast<int>(std::min<size_t>(bytes ? count : 0, INT_MAX)));
    if (packet.getLength() < 4 || packet.readInt32() != SETTINGS_VERSION) {
        setDefaultSettings();
        logInfo("setting ver changed, enter default setting!!");
        return;
    }

    showBg_ = packet.readBool();
    showGrid_ = packet.readBool();
    panelSwitchA_ = packet.readBool();
    panelSwitchB_ = packet.readBool();
    windowMaximised_ = packet.readBool();
    showCrossPoint_ = packet.readBool();
    packet.readBool();  // the stored sound switch: every start is muted
    muteAfterLoad();

    maximisedCode_ = packet.readString();
    maximisedPeriod_ = clampInt(packet.readInt16(), MIN_MAXIMISED_PERIOD, MAX_MAXIMISED_PERIOD);
    timeZone_ = clampInt(packet.readInt16(), 0, MAX_TIME_ZONE);
    language_ = clampInt(packet.readInt16(), 0, MAX_LANGUAGE);
    setCurrentLanguage(language_);
    layoutType_ = clampInt(packet.readInt16(), 0, MAX_LAYOUT_TYPE);

    // Every record is read so that the fields after the list stay in place, but only as many windows
    // as the main scene has are kept; records past the end of the data are not invented.
    windows_.clear();
    const int windowCount = packet.readInt16();
    for (int k = 0; k < windowCount && packet.getRemaining() > 0; ++k) {
        WindowSetting window = readWindowSetting(packet);
        if (windows_.size() < MAX_WINDOWS) windows_.push_back(std::move(window));
    }

    const float x = static_cast<float>(packet.readInt32());
    const float y = static_cast<float>(packet.readInt32());
    const float width = static_cast<float>(packet.readInt32());
    const float height = static_cast<float>(packet.readInt32());
    windowRect_ = CCRect(x, y, width, height);
    chartFlagE_ = packet.readBool();
    inverseRedGreen_ = packet.readBool();
    logInfo("load setting finished...");
}

void UserData::muteAfterLoad() {
    soundEnabled_ = false;
    CCLog("set sound enabled: %d", 0);
    soundSwitch = false;
    stopAllEffects();
}

std::vector<unsigned char> UserData::encodeSettings() const {
    CCmdPacket packet(SETTINGS_BUFFER_SIZE);
    bool ok = packet.writeInt32(SETTINGS_VERSION);
    for (bool flag : {showBg_, showGrid_, panelSwitchA_, panelSwitchB_, windowMaximised_, showCrossPoint_,
                      soundEnabled_}) {
        ok = packet.writeBool(flag) && ok;
    }
    ok = packet.writeString(maximisedCode_) && ok;
    for (int value : {maximisedPeriod_, timeZone_, language_, layoutType_}) {
        ok = packet.writeInt16(static_cast<int16_t>(value)) && ok;
    }
    const size_t windowCount = std::min(windows_.size(), MAX_WINDOWS);
    ok = packet.writeInt16(static_cast<int16_t>(windowCount)) && ok;
    for (size_t k = 0; k < windowCount; ++k) ok = writeWindowSetting(packet, windows_[k]) && ok;
    for (float value :
         {windowRect_.origin.x, windowRect_.origin.y, windowRect_.size.width, windowRect_.size.height}) {
        ok = packet.writeInt32(truncateToInt32(value)) && ok;
    }
    ok = packet.writeBool(chartFlagE_) && ok;
    ok = packet.writeBool(inverseRedGreen_) && ok;
    if (!ok) return {};
    return std::vector<unsigned char>(packet.getData(), packet.getData() + packet.getLength());
}

bool UserData::saveSettings() {
    CCUserDefault::sharedUserDefault()->setBoolForKey(MAX_SIZE_KEY, maxSize_);
    CCUserDefault::sharedUserDefault()->flush();
    const std::vector<unsigned char> bytes = encodeSettings();
    savedMarker_ = true;
    if (bytes.empty()) {
        // A cut file would reload its tail (rectangle, flags) as zeros: keep the previous file instead.
        logError("save setting failed: more than %d bytes", SETTINGS_BUFFER_SIZE);
        return false;
    }
    const std::string path = CCFileUtils::sharedFileUtils()->getWritablePath() + SETTINGS_FILE_NAME;
    return saveFile(path, bytes.data(), bytes.size());
}

void UserData::setDefaultSettings() {
    savedMarker_ = false;
    CCLog("set sound enabled: %d", soundEnabled_ ? 1 : 0);
    soundSwitch = soundEnabled_;
    if (!soundEnabled_) stopAllEffects();
    windows_.clear();
    for (const char* code : DEFAULT_WINDOW_CODES) {
        WindowSetting window;
        window.code = code;
        window.chartType = 0;
        window.timeTypeIndex = DEFAULT_TIME_TYPE_INDEX;
        window.zoom = WindowSetting::DEFAULT_ZOOM;
        windows_.push_back(window);
    }
    layoutType_ = DEFAULT_LAYOUT_TYPE;
}

void UserData::saveLayout(const std::vector<const LayoutWindowSource*>& windows, int layoutType) {
    layoutType_ = layoutType;
    windows_.clear();
    for (const LayoutWindowSource* source : windows) {
        if (!source || !source->isShown()) continue;
        WindowSetting window;
        window.code = source->getCode();
        window.chartType = source->getChartType();
        window.timeTypeIndex = source->getTimeTypeIndex();
        window.zoom = source->getZoom();
        window.panes = source->getIndicatorPanes();
        windows_.push_back(std::move(window));
    }
    if (windows_.size() == 1) {
        layoutType_ = 0;
        logInfo("UserData::saveLayout: change layout type to 0 because windows == 1");
    }
}
