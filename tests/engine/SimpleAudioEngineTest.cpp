#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CCCommon.h"
#include "SimpleAudioEngine.h"
#include "TempHome.h"

USING_NS_CC;

namespace {

// A short mono 16-bit WAV of a soft click.
void writeClick(const std::string& path) {
    const uint32_t rate = 22050, samples = 2205;
    std::vector<int16_t> data(samples);
    for (uint32_t i = 0; i < samples; ++i)
        data[i] = static_cast<int16_t>((i % 50 < 25 ? 3000 : -3000) * (samples - i) / samples);
    uint32_t bytes = samples * 2;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    out.write(reinterpret_cast<const char*>(data.data()), bytes);
}

TEST(SimpleAudioEngine, WithoutADeviceEverythingIsAHarmlessNoOpLoggedOnce) {
    TempHome home;
    writeClick(home.file("click.wav"));
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::vector<std::string> lines;
    CCLogSetSink([&lines](const std::string& line) { lines.push_back(line); });
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    EXPECT_FALSE(audio->preloadEffect(home.file("click.wav").c_str()));
    EXPECT_EQ(audio->playEffect(home.file("click.wav").c_str()), 0u);
    audio->stopAllEffects();
    audio->setEffectsVolume(0.5f);
    audio->unloadEffect(home.file("click.wav").c_str());
    CCLogSetSink(nullptr);
    EXPECT_FALSE(audio->hasDevice());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("sound effects are off"), std::string::npos);
    SimpleAudioEngine::end();
    unsetenv("SDL_AUDIODRIVER");
}

TEST(SimpleAudioEngine, PreloadsPlaysAndStopsEffects) {
    TempHome home;
    writeClick(home.file("click.wav"));
    std::ofstream(home.file("broken.wav")) << "not a sound";
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    if (!audio->hasDevice()) {
        SimpleAudioEngine::end();
        unsetenv("SDL_AUDIODRIVER");
        GTEST_SKIP() << "SDL has no dummy audio driver here";
    }
    EXPECT_TRUE(audio->preloadEffect(home.file("click.wav").c_str()));
    EXPECT_FALSE(audio->preloadEffect(home.file("broken.wav").c_str()));
    EXPECT_FALSE(audio->preloadEffect(home.file("missing.wav").c_str()));
    unsigned int id = audio->playEffect(home.file("click.wav").c_str());
    EXPECT_GT(id, 0u);
    EXPECT_EQ(audio->playEffect(home.file("missing.wav").c_str()), 0u);
    audio->setEffectsVolume(7);
    EXPECT_FLOAT_EQ(audio->getEffectsVolume(), 1);
    audio->setEffectsVolume(-1);
    EXPECT_FLOAT_EQ(audio->getEffectsVolume(), 0);
    audio->stopEffect(id);
    audio->playEffect(home.file("click.wav").c_str(), true);
    audio->stopAllEffects();
    audio->unloadEffect(home.file("click.wav").c_str());
    EXPECT_GT(audio->playEffect(home.file("click.wav").c_str()), 0u);  // loads again on demand
    SimpleAudioEngine::end();
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
