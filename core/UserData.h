#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "CCGeometry.h"
#include "LayoutWindowSource.h"
#include "WindowSetting.h"

// The terminal's settings: display switches, time zone, language, sound, the chart window layout
// and the main window's rectangle. getInstance() creates the store and loads "config.bin" from the
// writable folder; memory is the master copy and saveSettings rewrites the file whole. The main
// window's maximised state ("maxSize") lives in CCUserDefault instead of the file.
//
// Loading never fails: a missing, short, foreign or damaged file gives defaults or clamped values,
// so the terminal always starts. Setters only change memory; the caller decides when to save.
// Main thread only.
class UserData {
public:
    static constexpr int SETTINGS_VERSION = 233;
    static constexpr const char* SETTINGS_FILE_NAME = "config.bin";
    static constexpr int SETTINGS_BUFFER_SIZE = 20480;
    static constexpr const char* MAX_SIZE_KEY = "maxSize";
    // The main scene has nine chart windows; a longer saved list is cut on load and on save.
    static constexpr size_t MAX_WINDOWS = 9;
    static constexpr int MAX_TIME_ZONE = 6;
    static constexpr int MAX_LANGUAGE = 1;
    static constexpr int MAX_LAYOUT_TYPE = 22;
    static constexpr int DEFAULT_LAYOUT_TYPE = 8;
    static constexpr int MIN_MAXIMISED_PERIOD = 1;
    static constexpr int MAX_MAXIMISED_PERIOD = 1440;
    // Time type index of the default windows.
    static constexpr int DEFAULT_TIME_TYPE_INDEX = 2;

    // The store of the process: created and loaded on the first call, never destroyed.
    static UserData* getInstance();

    // A store with the construction values, not loaded (getInstance loads; tests may use their own).
    UserData();
    virtual ~UserData() = default;
    UserData(const UserData&) = delete;
    UserData& operator=(const UserData&) = delete;

    // Reads "config.bin" from the writable folder and "maxSize" from CCUserDefault.
    void loadSettings();
    // Applies the bytes of a settings file as loadSettings does once it has read them.
    void loadSettingsFromBytes(const unsigned char* bytes, size_t count);
    // Writes "config.bin" whole (atomically) and stores "maxSize". False when nothing was written: the
    // settings did not fit the buffer or the file could not be saved; the old file is kept then.
    bool saveSettings();
    // Four default windows and layout 8; other fields keep their values.
    void setDefaultSettings();
    // Captures the shown windows, in the given order, as the saved layout and sets the layout type
    // (0 when exactly one window is shown). Does not save.
    void saveLayout(const std::vector<const LayoutWindowSource*>& windows, int layoutType);

    // The file image saveSettings writes, or an empty vector when it does not fit the buffer.
    std::vector<unsigned char> encodeSettings() const;

    // Process-wide sound switch that every sound-playing place tests (true at process start).
    static bool getSoundSwitch();
    static void setSoundSwitch(bool enabled);

    virtual const std::string& getStringA() const { return stringA_; }
    virtual const std::string& setStringA(const std::string& value) { return stringA_ = value; }
    virtual const std::string& getStringB() const { return stringB_; }
    virtual const std::string& setStringB(const std::string& value) { return stringB_ = value; }
    virtual const std::string& getStringC() const { return stringC_; }
    virtual const std::string& setStringC(const std::string& value) { return stringC_ = value; }
    virtual int getValueG() const { return valueG_; }
    virtual int setValueG(int value) { return valueG_ = value; }
    virtual bool getShowBg() const { return showBg_; }
    virtual bool setShowBg(bool value) { return showBg_ = value; }
    virtual bool getShowCrossPoint() const { return showCrossPoint_; }
    virtual bool setShowCrossPoint(bool value) { return showCrossPoint_ = value; }
    virtual bool getShowGrid() const { return showGrid_; }
    virtual bool setShowGrid(bool value) { return showGrid_ = value; }
    virtual int getTimeZone() const { return timeZone_; }
    virtual int setTimeZone(int value) { return timeZone_ = value; }
    virtual int getLanguage() const { return language_; }
    virtual int setLanguage(int value) { return language_ = value; }
    virtual bool getSoundEnabled() const { return soundEnabled_; }
    virtual bool setSoundEnabled(bool value) { return soundEnabled_ = value; }
    virtual cocos2d::CCRect getWindowRect() const { return windowRect_; }
    virtual const cocos2d::CCRect& setWindowRect(const cocos2d::CCRect& value) { return windowRect_ = value; }
    virtual bool getPanelSwitchA() const { return panelSwitchA_; }
    virtual bool setPanelSwitchA(bool value) { return panelSwitchA_ = value; }
    virtual bool getPanelSwitchB() const { return panelSwitchB_; }
    virtual bool setPanelSwitchB(bool value) { return panelSwitchB_ = value; }
    virtual int getLayoutType() const { return layoutType_; }
    virtual int setLayoutType(int value) { return layoutType_ = value; }
    virtual bool getWindowMaximised() const { return windowMaximised_; }
    virtual bool setWindowMaximised(bool value) { return windowMaximised_ = value; }
    virtual const std::string& getMaximisedCode() const { return maximisedCode_; }
    virtual const std::string& setMaximisedCode(const std::string& value) { return maximisedCode_ = value; }
    virtual int getMaximisedPeriod() const { return maximisedPeriod_; }
    virtual int setMaximisedPeriod(int value) { return maximisedPeriod_ = value; }
    virtual bool getMaxSize() const { return maxSize_; }
    virtual bool setMaxSize(bool value) { return maxSize_ = value; }
    // Not stored in the file: true after any save and after the first window resize of the run.
    virtual bool getSavedMarker() const { return savedMarker_; }
    virtual bool setSavedMarker(bool value) { return savedMarker_ = value; }
    virtual bool getChartFlagE() const { return chartFlagE_; }
    virtual bool setChartFlagE(bool value) { return chartFlagE_ = value; }
    virtual bool getInverseRedGreen() const { return inverseRedGreen_; }
    virtual bool setInverseRedGreen(bool value) { return inverseRedGreen_ = value; }

    const std::vector<WindowSetting>& getWindows() const { return windows_; }
    void setWindows(std::vector<WindowSetting> windows) { windows_ = std::move(windows); }

private:
    // Switches sound off after a load, as every load does.
    void muteAfterLoad();

    std::string stringA_ = "null";
    std::string stringB_ = "null";
    std::string stringC_ = "null";
    int valueG_ = 1;
    bool showBg_ = false;
    bool showCrossPoint_ = true;
    bool showGrid_ = true;
    int timeZone_ = 0;
    int language_ = 1;
    bool soundEnabled_ = false;
    cocos2d::CCRect windowRect_{0, 0, 800, 640};
    bool panelSwitchA_ = false;
    bool panelSwitchB_ = true;
    int layoutType_ = 0;
    bool windowMaximised_ = false;
    std::string maximisedCode_;
    int maximisedPeriod_ = 1;
    bool maxSize_ = true;
    bool savedMarker_ = false;
    bool chartFlagE_ = false;
    bool inverseRedGreen_ = false;
    std::vector<WindowSetting> windows_;
};
