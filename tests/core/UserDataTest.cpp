#include "TempHome.h"
#include "UserData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "CCUserDefault.h"
#include "CCmdPacket.h"
#include "LanguageTable.h"
#include "LogLines.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {
using Bytes = std::vector<unsigned char>;

// The test's own writable folder, with a fresh key-value store in it.
class UserDataTest : public ::testing::Test {
protected:
    void SetUp() override { CCUserDefault::purgeSharedUserDefault(); }
    void TearDown() override {
        CCUserDefault::purgeSharedUserDefault();
        UserData::setSoundSwitch(true);
        setCurrentLanguage(DEFAULT_LANGUAGE);
    }

    std::string settingsPath() const { return home_.folder() + UserData::SETTINGS_FILE_NAME; }
    void writeSettings(const Bytes& bytes) {
        ASSERT_TRUE(writeWholeFile(settingsPath(), std::string(bytes.begin(), bytes.end())));
    }

    TempHome home_;
};

// Builds a settings file field by field, in file order.
class SettingsFile {
public:
    SettingsFile& header(int version = UserData::SETTINGS_VERSION) { return i32(version); }
    SettingsFile& flags(std::initializer_list<uint8_t> values) {
        for (uint8_t value : values) packet_.writeUInt8(value);
        return *this;
    }
    SettingsFile& text(const std::string& value) {
        packet_.writeString(value);
        return *this;
    }
    SettingsFile& u8(uint8_t value) {
        packet_.writeUInt8(value);
        return *this;
    }
    SettingsFile& i16(int16_t value) {
        packet_.writeInt16(value);
        return *this;
    }
    SettingsFile& i32(int32_t value) {
        packet_.writeInt32(value);
        return *this;
    }
    SettingsFile& f32(float value) {
        packet_.writeFloat(value);
        return *this;
    }
    // period, time zone, language, layout type
    SettingsFile& numbers(int16_t period, int16_t zone, int16_t language, int16_t layout) {
        return i16(period).i16(zone).i16(language).i16(layout);
    }
    SettingsFile& window(const std::string& code, uint8_t chartType, uint8_t timeType, float zoom,
                         const std::vector<std::pair<int8_t, float>>& panes) {
        text(code).u8(chartType).u8(timeType).f32(zoom);
        packet_.writeUInt16(static_cast<uint16_t>(panes.size()));
        for (auto [type, ratio] : panes) u8(static_cast<uint8_t>(type)).f32(ratio);
        return *this;
    }
    SettingsFile& tail(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t flagE, uint8_t inverse) {
        return i32(x).i32(y).i32(w).i32(h).u8(flagE).u8(inverse);
    }
    Bytes bytes() const { return Bytes(packet_.getData(), packet_.getData() + packet_.getLength()); }

private:
    CCmdPacket packet_{UserData::SETTINGS_BUFFER_SIZE};
};

Bytes loadAndSave(const Bytes& file) {
    UserData data;
    data.loadSettingsFromBytes(file.data(), file.size());
    return data.encodeSettings();
}

// A chart window as saveLayout sees it.
class FakeWindow : public LayoutWindowSource {
public:
    FakeWindow(bool shown, std::string code, int chartType, int timeType, float zoom,
               std::vector<IndicatorPane> panes = {})
        : shown_(shown),
          code_(std::move(code)),
          chartType_(chartType),
          timeType_(timeType),
          zoom_(zoom),
          panes_(std::move(panes)) {}
    bool isShown() const override { return shown_; }
    std::string getCode() const override { return code_; }
    int getChartType() const override { return chartType_; }
    int getTimeTypeIndex() const override { return timeType_; }
    float getZoom() const override { return zoom_; }
    std::vector<IndicatorPane> getIndicatorPanes() const override { return panes_; }

private:
    bool shown_;
    std::string code_;
    int chartType_;
    int timeType_;
    float zoom_;
    std::vector<IndicatorPane> panes_;
};
}  // namespace

TEST_F(UserDataTest, ConstructionValues) {
    UserData data;
    EXPECT_EQ(data.getStringA(), "null");
    EXPECT_EQ(data.getStringB(), "null");
    EXPECT_EQ(data.getStringC(), "null");
    EXPECT_EQ(data.getValueG(), 1);
    EXPECT_FALSE(data.getShowBg());
    EXPECT_TRUE(data.getShowCrossPoint());
    EXPECT_TRUE(data.getShowGrid());
    EXPECT_EQ(data.getTimeZone(), 0);
    EXPECT_EQ(data.getLanguage(), 1);
    EXPECT_FALSE(data.getSoundEnabled());
    EXPECT_EQ(data.getWindowRect(), CCRect(0, 0, 800, 640));
    EXPECT_FALSE(data.getPanelSwitchA());
    EXPECT_TRUE(data.getPanelSwitchB());
    EXPECT_EQ(data.getLayoutType(), 0);
    EXPECT_FALSE(data.getWindowMaximised());
    EXPECT_EQ(data.getMaximisedCode(), "");
    EXPECT_EQ(data.getMaximisedPeriod(), 1);
    EXPECT_TRUE(data.getMaxSize());
    EXPECT_FALSE(data.getSavedMarker());
    EXPECT_FALSE(data.getChartFlagE());
    EXPECT_FALSE(data.getInverseRedGreen());
    EXPECT_TRUE(data.getWindows().empty());
}

TEST_F(UserDataTest, SavesTheGoldenFileByteForByte) {
    UserData data;
    data.setShowBg(true);
    data.setShowGrid(false);
    data.setPanelSwitchA(true);
    data.setPanelSwitchB(false);
    data.setWindowMaximised(true);
    data.setShowCrossPoint(true);
    data.setSoundEnabled(false);
    data.setMaximisedCode("EURUSD");
    data.setMaximisedPeriod(15);
    data.setTimeZone(3);
    data.setLanguage(0);
    data.setLayoutType(8);
    data.setWindows({{"XAUUSD", 1, 2, 6.0f, {{2, 0.25f}}}, {"USOIL", 3, 8, 26.0f, {}}});
    data.setWindowRect(CCRect(10.7f, 20.2f, 800.9f, 640.0f));
    data.setChartFlagE(true);
    data.setInverseRedGreen(false);
    data.setMaxSize(false);

    const Bytes golden = {
        0xE9, 0x00, 0x00, 0x00,                    // version 233
        0x01, 0x00, 0x01, 0x00, 0x01, 0x01, 0x00,  // bg, grid, panel A, panel B, maximised, cross, sound
        0x06, 'E',  'U',  'R',  'U',  'S',  'D',   // maximised code
        0x0F, 0x00, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00,        // period 15, zone 3, language 0, layout 8
        0x02, 0x00,                                            // two windows
        0x06, 'X',  'A',  'U',  'U',  'S',  'D',  0x01, 0x02,  // code, chart type 1, time type 2
        0x00, 0x00, 0xC0, 0x40,                                // zoom 6.0
        0x01, 0x00, 0x02, 0x00, 0x00, 0x80, 0x3E,              // one pane: type 2, ratio 0.25
        0x05, 'U',  'S',  'O',  'I',  'L',  0x03, 0x08,        // code, chart type 3, time type 8
        0x00, 0x00, 0xD0, 0x41, 0x00, 0x00,                    // zoom 26.0, no panes
        0x0A, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00,        // x 10, y 20
        0x20, 0x03, 0x00, 0x00, 0x80, 0x02, 0x00, 0x00,        // width 800, height 640
        0x01, 0x00,                                            // chart flag E, inverse colours
    };
    EXPECT_EQ(data.encodeSettings(), golden);

    ASSERT_TRUE(data.saveSettings());
    EXPECT_TRUE(data.getSavedMarker());
    EXPECT_EQ(readWholeFile(settingsPath()), std::string(golden.begin(), golden.end()));
    CCUserDefault::purgeSharedUserDefault();
    EXPECT_FALSE(CCUserDefault::sharedUserDefault()->getBoolForKey(UserData::MAX_SIZE_KEY, true));
}

TEST_F(UserDataTest, SaveAndLoadRoundTrip) {
    UserData saved;
    saved.setShowBg(true);
    saved.setShowCrossPoint(false);
    saved.setShowGrid(false);
    saved.setTimeZone(6);
    saved.setLanguage(0);
    saved.setPanelSwitchA(true);
    saved.setPanelSwitchB(false);
    saved.setWindowMaximised(true);
    saved.setMaximisedCode("GBPJPY");
    saved.setMaximisedPeriod(1440);
    saved.setChartFlagE(true);
    saved.setInverseRedGreen(true);
    saved.setWindowRect(CCRect(-30, 45, 1280, 720));
    saved.setMaxSize(false);
    saved.setLayoutType(22);
    std::vector<WindowSetting> windows;
    for (int k = 0; k < 9; ++k) {
        windows.push_back(
            {"CODE" + std::to_string(k), k % 4, k, 1.1f + k, {{5, 0.8f}, {2, 0.05f}, {3, 0.3f}}});
    }
    saved.setWindows(windows);
    ASSERT_TRUE(saved.saveSettings());

    CCUserDefault::purgeSharedUserDefault();
    UserData loaded;
    loaded.loadSettings();
    EXPECT_TRUE(loaded.getShowBg());
    EXPECT_FALSE(loaded.getShowCrossPoint());
    EXPECT_FALSE(loaded.getShowGrid());
    EXPECT_EQ(loaded.getTimeZone(), 6);
    EXPECT_EQ(loaded.getLanguage(), 0);
    EXPECT_EQ(getCurrentLanguage(), 0);
    EXPECT_TRUE(loaded.getPanelSwitchA());
    EXPECT_FALSE(loaded.getPanelSwitchB());
    EXPECT_TRUE(loaded.getWindowMaximised());
    EXPECT_EQ(loaded.getMaximisedCode(), "GBPJPY");
    EXPECT_EQ(loaded.getMaximisedPeriod(), 1440);
    EXPECT_TRUE(loaded.getChartFlagE());
    EXPECT_TRUE(loaded.getInverseRedGreen());
    EXPECT_EQ(loaded.getWindowRect(), CCRect(-30, 45, 1280, 720));
    EXPECT_FALSE(loaded.getMaxSize());
    EXPECT_EQ(loaded.getLayoutType(), 22);
    EXPECT_EQ(loaded.getWindows(), windows);
    // The file is rewritten unchanged by the next save.
    EXPECT_EQ(loaded.encodeSettings(), saved.encodeSettings());
}

TEST_F(UserDataTest, MissingShortOrForeignFilesGiveTheDefaultWindows) {
    ConsoleCapture console;
    const std::vector<std::string> defaultCodes = {"XAUUSD", "XAGUSD", "USOIL", "UKOIL"};
    auto expectDefaults = [&](const UserData& data) {
        ASSERT_EQ(data.getWindows().size(), 4u);
        for (size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(data.getWindows()[k], (WindowSetting{defaultCodes[k], 0, 2, 6.0f, {}}));
        }
        EXPECT_EQ(data.getLayoutType(), 8);
        EXPECT_FALSE(data.getSavedMarker());
        // Fields outside the defaults keep their construction values.
        EXPECT_EQ(data.getLanguage(), 1);
        EXPECT_EQ(data.getWindowRect(), CCRect(0, 0, 800, 640));
    };

    UserData missing;
    missing.setSavedMarker(true);
    missing.loadSettings();
    expectDefaults(missing);
    EXPECT_TRUE(logged(console, "load setting failed, enter default setting!!"));

    writeSettings(SettingsFile().header(232).flags({1, 1, 1, 1, 1, 1, 1}).bytes());
    UserData oldVersion;
    oldVersion.loadSettings();
    expectDefaults(oldVersion);
    EXPECT_TRUE(logged(console, "setting ver changed, enter default setting!!"));

    for (const Bytes& shortFile : {Bytes{}, Bytes{0xE9}, Bytes{0xE9, 0x00, 0x00}}) {
        console.clear();
        UserData data;
        data.loadSettingsFromBytes(shortFile.data(), shortFile.size());
        expectDefaults(data);
        EXPECT_TRUE(logged(console, "setting ver changed, enter default setting!!"));
    }

    // Defaults replace the window list rather than adding to it.
    UserData twice;
    twice.setDefaultSettings();
    twice.setDefaultSettings();
    expectDefaults(twice);
}

TEST_F(UserDataTest, LoadedValuesAreClampedToTheirRanges) {
    ConsoleCapture console;
    const Bytes file = SettingsFile()
                           .header()
                           .flags({2, 1, 0, 7, 1, 0, 0})
                           .text("XAUUSD")
                           .numbers(0, -4, 3, 30)
                           .i16(2)
                           .window("EURUSD", 7, 12, 0.5f, {{9, 0.95f}, {-3, 0.01f}})
                           .window("USOIL", 2, 255, 99.0f, {{0, 0.5f}})
                           .tail(1, 2, 3, 4, 1, 2)
                           .bytes();
    UserData data;
    data.loadSettingsFromBytes(file.data(), file.size());
    EXPECT_TRUE(logged(console, "load setting finished..."));
    EXPECT_FALSE(data.getShowBg());  // only the byte 1 is true
    EXPECT_TRUE(data.getShowGrid());
    EXPECT_FALSE(data.getPanelSwitchB());
    EXPECT_EQ(data.getMaximisedPeriod(), 1);
    EXPECT_EQ(data.getTimeZone(), 0);
    EXPECT_EQ(data.getLanguage(), 1);
    EXPECT_EQ(getCurrentLanguage(), 1);
    EXPECT_EQ(data.getLayoutType(), 22);
    ASSERT_EQ(data.getWindows().size(), 2u);
    EXPECT_EQ(data.getWindows()[0], (WindowSetting{"EURUSD", 0, 8, 1.1f, {{5, 0.8f}, {1, 0.05f}}}));
    EXPECT_EQ(data.getWindows()[1], (WindowSetting{"USOIL", 2, 8, 26.0f, {{1, 0.5f}}}));
    EXPECT_EQ(data.getWindowRect(), CCRect(1, 2, 3, 4));
    EXPECT_TRUE(data.getChartFlagE());
    EXPECT_FALSE(data.getInverseRedGreen());

    const Bytes high = SettingsFile()
                           .header()
                           .flags({0, 0, 0, 0, 0, 0, 0})
                           .text("")
                           .numbers(5000, 99, -1, -1)
                           .i16(0)
                           .tail(0, 0, 0, 0, 0, 0)
                           .bytes();
    data.loadSettingsFromBytes(high.data(), high.size());
    EXPECT_EQ(data.getMaximisedPeriod(), 1440);
    EXPECT_EQ(data.getTimeZone(), 6);
    EXPECT_EQ(data.getLanguage(), 0);
    EXPECT_EQ(data.getLayoutType(), 0);
    EXPECT_TRUE(data.getWindows().empty());
}

TEST_F(UserDataTest, FloatsThatAreNotNumbersTakeTheirDefaults) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const Bytes file = SettingsFile()
                           .header()
                           .flags({0, 0, 0, 0, 0, 0, 0})
                           .text("")
                           .numbers(60, 0, 1, 0)
                           .i16(3)
                           .window("A", 0, 0, nan, {{2, nan}})
                           .window("B", 0, 0, infinity, {{3, infinity}})
                           .window("C", 0, 0, -infinity, {{4, -infinity}})
                           .tail(0, 0, 100, 100, 0, 0)
                           .bytes();
    UserData data;
    data.loadSettingsFromBytes(file.data(), file.size());
    ASSERT_EQ(data.getWindows().size(), 3u);
    EXPECT_EQ(data.getWindows()[0].zoom, WindowSetting::DEFAULT_ZOOM);
    EXPECT_EQ(data.getWindows()[0].panes[0].heightRatio, IndicatorPane::DEFAULT_HEIGHT_RATIO);
    EXPECT_EQ(data.getWindows()[1].zoom, 26.0f);
    EXPECT_EQ(data.getWindows()[1].panes[0].heightRatio, 0.8f);
    EXPECT_EQ(data.getWindows()[2].zoom, 1.1f);
    EXPECT_EQ(data.getWindows()[2].panes[0].heightRatio, 0.05f);

    // A rectangle that is not a number is saved as zeros rather than as an undefined conversion.
    data.setWindowRect(CCRect(nan, 1e20f, -1e20f, 640.5f));
    const Bytes saved = data.encodeSettings();
    data.loadSettingsFromBytes(saved.data(), saved.size());
    EXPECT_EQ(data.getWindowRect(), CCRect(0, 2147483647.0f, -2147483648.0f, 640));
}

TEST_F(UserDataTest, EveryLoadStartsMutedAndTheNextSaveWritesSoundOff) {
    UserData::setSoundSwitch(true);
    ConsoleCapture console;
    const Bytes file = SettingsFile()
                           .header()
                           .flags({0, 1, 0, 1, 0, 1, 1})
                           .text("")
                           .numbers(1, 0, 1, 0)
                           .i16(0)
                           .tail(0, 0, 9, 9, 0, 0)
                           .bytes();
    UserData data;
    data.loadSettingsFromBytes(file.data(), file.size());
    EXPECT_FALSE(data.getSoundEnabled());
    EXPECT_FALSE(UserData::getSoundSwitch());
    EXPECT_TRUE(console.contains("set sound enabled: 0"));
    EXPECT_EQ(data.encodeSettings()[10], 0x00);

    data.setSoundEnabled(true);
    EXPECT_EQ(data.encodeSettings()[10], 0x01);

    // Defaults copy the current sound setting to the switch.
    console.clear();
    data.setDefaultSettings();
    EXPECT_TRUE(UserData::getSoundSwitch());
    EXPECT_TRUE(console.contains("set sound enabled: 1"));
}

TEST_F(UserDataTest, MaxSizeComesFromTheKeyValueStore) {
    UserData fresh;
    fresh.loadSettings();
    EXPECT_TRUE(fresh.getMaxSize());

    CCUserDefault::sharedUserDefault()->setBoolForKey(UserData::MAX_SIZE_KEY, false);
    UserData stored;
    stored.loadSettings();
    EXPECT_FALSE(stored.getMaxSize());
    stored.setMaxSize(true);
    stored.saveSettings();
    CCUserDefault::purgeSharedUserDefault();
    EXPECT_TRUE(CCUserDefault::sharedUserDefault()->getBoolForKey(UserData::MAX_SIZE_KEY, false));
}

TEST_F(UserDataTest, ListsBeyondWhatTheScreenShowsAreCutButTheTailSurvives) {
    // Twelve windows, one of them with a repeated pane type: nine are kept, repeats dropped, and the
    // fields after the list still read correctly.
    SettingsFile file;
    file.header().flags({0, 0, 0, 0, 0, 0, 0}).text("").numbers(1, 0, 1, 22).i16(12);
    for (int k = 0; k < 12; ++k)
        file.window("W" + std::to_string(k), 1, 3, 7.0f, {{2, 0.3f}, {2, 0.4f}, {3, 0.2f}});
    file.tail(11, 22, 333, 444, 1, 1);
    UserData data;
    const Bytes bytes = file.bytes();
    data.loadSettingsFromBytes(bytes.data(), bytes.size());
    ASSERT_EQ(data.getWindows().size(), UserData::MAX_WINDOWS);
    EXPECT_EQ(data.getWindows()[8].code, "W8");
    EXPECT_EQ(data.getWindows()[0].panes, (std::vector<IndicatorPane>{{2, 0.3f}, {3, 0.2f}}));
    EXPECT_EQ(data.getWindowRect(), CCRect(11, 22, 333, 444));
    EXPECT_TRUE(data.getChartFlagE());
    EXPECT_TRUE(data.getInverseRedGreen());

    // Saving an oversized list in memory writes the first nine windows with at most five panes each,
    // and the rectangle and flags after them.
    std::vector<WindowSetting> many;
    for (int k = 0; k < 40; ++k) {
        WindowSetting window{std::string(300, static_cast<char>('a' + k % 26)), 0, 0, 6.0f, {}};
        for (int p = 0; p < 50; ++p) window.panes.push_back({1 + p % 5, 0.1f});
        many.push_back(window);
    }
    data.setWindows(many);
    data.setWindowRect(CCRect(5, 6, 700, 500));
    ASSERT_TRUE(data.saveSettings());
    UserData reloaded;
    reloaded.loadSettings();
    ASSERT_EQ(reloaded.getWindows().size(), UserData::MAX_WINDOWS);
    EXPECT_EQ(reloaded.getWindows()[0].code.size(), 255u);
    EXPECT_EQ(reloaded.getWindows()[0].panes.size(), 5u);
    EXPECT_EQ(reloaded.getWindowRect(), CCRect(5, 6, 700, 500));
    EXPECT_TRUE(reloaded.getInverseRedGreen());
}

TEST_F(UserDataTest, TruncatedFilesLoadWhatTheyHoldAndInventNothing) {
    const Bytes full = SettingsFile()
                           .header()
                           .flags({1, 1, 1, 1, 1, 1, 1})
                           .text("XAUUSD")
                           .numbers(60, 2, 0, 5)
                           .i16(2)
                           .window("EURUSD", 2, 4, 9.0f, {{3, 0.3f}, {4, 0.4f}})
                           .window("GBPUSD", 1, 1, 3.0f, {{5, 0.5f}})
                           .tail(100, 200, 900, 700, 1, 1)
                           .bytes();
    for (size_t length = 0; length <= full.size(); ++length) {
        UserData data;
        data.loadSettingsFromBytes(full.data(), length);
        if (length < 4) {
            EXPECT_EQ(data.getWindows().size(), 4u) << length;
            continue;
        }
        EXPECT_LE(data.getWindows().size(), 2u) << length;
        for (const WindowSetting& window : data.getWindows()) {
            EXPECT_TRUE(window.code.empty() || window.code == "EURUSD" || window.code == "GBPUSD") << length;
            EXPECT_LE(window.panes.size(), 2u) << length;
        }
        EXPECT_GE(data.getMaximisedPeriod(), 1) << length;
        EXPECT_LE(data.getTimeZone(), 6) << length;
    }
    // Cut right after the window count: no window is made up from missing bytes.
    UserData cut;
    cut.loadSettingsFromBytes(full.data(), 4 + 7 + 7 + 8 + 2);
    EXPECT_TRUE(cut.getWindows().empty());
    EXPECT_EQ(cut.getMaximisedPeriod(), 60);
    EXPECT_EQ(cut.getWindowRect(), CCRect(0, 0, 0, 0));
}

TEST_F(UserDataTest, RandomFilesAlwaysLoadWithinRange) {
    std::mt19937 random(20170220);
    for (int round = 0; round < 1500; ++round) {
        Bytes bytes(random() % 400);
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random());
        if (round % 2 == 0 && bytes.size() >= 4) bytes[0] = 0xE9, bytes[1] = bytes[2] = bytes[3] = 0;
        UserData data;
        data.loadSettingsFromBytes(bytes.data(), bytes.size());
        ASSERT_LE(data.getWindows().size(), UserData::MAX_WINDOWS);
        ASSERT_GE(data.getMaximisedPeriod(), 1);
        ASSERT_LE(data.getMaximisedPeriod(), 1440);
        ASSERT_GE(data.getTimeZone(), 0);
        ASSERT_LE(data.getTimeZone(), 6);
        ASSERT_GE(data.getLanguage(), 0);
        ASSERT_LE(data.getLanguage(), 1);
        ASSERT_GE(data.getLayoutType(), 0);
        ASSERT_LE(data.getLayoutType(), 22);
        for (const WindowSetting& window : data.getWindows()) {
            ASSERT_GE(window.chartType, 0);
            ASSERT_LE(window.chartType, 3);
            ASSERT_LE(window.timeTypeIndex, 8);
            ASSERT_TRUE(window.zoom >= 1.1f && window.zoom <= 26.0f);
            ASSERT_LE(window.panes.size(), 5u);
            for (const IndicatorPane& pane : window.panes) {
                ASSERT_TRUE(pane.type >= 1 && pane.type <= 5);
                ASSERT_TRUE(pane.heightRatio >= 0.05f && pane.heightRatio <= 0.8f);
            }
        }
        // Whatever was loaded saves into a file that loads back the same.
        const Bytes saved = data.encodeSettings();
        ASSERT_FALSE(saved.empty());
        ASSERT_EQ(loadAndSave(saved), saved);
    }
}

TEST_F(UserDataTest, SaveLayoutCapturesShownWindowsInOrder) {
    ConsoleCapture console;
    UserData data;
    FakeWindow first(true, "EURUSD", 1, 4, 7.5f, {{2, 0.25f}, {5, 0.3f}});
    FakeWindow hidden(false, "GBPUSD", 0, 0, 6.0f);
    FakeWindow second(true, "XAUUSD", 3, 8, 12.0f);
    data.saveLayout({&first, &hidden, &second}, 9);
    EXPECT_EQ(data.getLayoutType(), 9);
    ASSERT_EQ(data.getWindows().size(), 2u);
    EXPECT_EQ(data.getWindows()[0], (WindowSetting{"EURUSD", 1, 4, 7.5f, {{2, 0.25f}, {5, 0.3f}}}));
    EXPECT_EQ(data.getWindows()[1], (WindowSetting{"XAUUSD", 3, 8, 12.0f, {}}));
    EXPECT_FALSE(logged(console, "UserData::saveLayout: change layout type to 0 because windows == 1"));

    // One shown window forces the single-window layout, whatever was passed.
    data.saveLayout({&hidden, &second}, 14);
    EXPECT_EQ(data.getLayoutType(), 0);
    ASSERT_EQ(data.getWindows().size(), 1u);
    EXPECT_TRUE(logged(console, "UserData::saveLayout: change layout type to 0 because windows == 1"));

    // Capturing does not write the file.
    EXPECT_FALSE(readWholeFile(settingsPath()).has_value());
}
