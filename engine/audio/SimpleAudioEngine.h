#pragma once

#include <map>
#include <string>

#include "CCPlatformMacros.h"

struct Mix_Chunk;

NS_CC_BEGIN

// Short sound effects on SDL2_mixer. The audio device is opened on first use; without one (no
// sound card, no sound server, a test machine) every call is a harmless no-op and one log line
// says so. Effects are found through CCFileUtils and kept loaded until unloaded or end().
// Main thread only.
class SimpleAudioEngine {
public:
    static SimpleAudioEngine* sharedEngine();
    // Stops everything, frees the effects and closes the device.
    static void end();

    // False when the file cannot be loaded (logged once per file) or there is no device.
    bool preloadEffect(const char* path);
    // The channel id of the playing effect plus one; 0 when nothing plays.
    unsigned int playEffect(const char* path, bool loop = false);
    void stopEffect(unsigned int soundId);
    void stopAllEffects();
    void pauseAllEffects();
    void resumeAllEffects();
    void unloadEffect(const char* path);
    // 0..1 (clamped).
    void setEffectsVolume(float volume);
    float getEffectsVolume() const { return volume_; }
    bool hasDevice();
    // How many effects play right now (0 without a device).
    int getPlayingCount() const;
    // How often an effect was asked for, played or not (without a device nothing plays).
    unsigned int getRequestCount(const std::string& path) const;

private:
    SimpleAudioEngine() = default;
    ~SimpleAudioEngine();
    bool openDevice();
    Mix_Chunk* load(const char* path);

    bool triedDevice_ = false;
    bool haveDevice_ = false;
    float volume_ = 1.0f;
    std::map<std::string, Mix_Chunk*> effects_;
    std::map<std::string, bool> failed_;
    std::map<std::string, unsigned int> requests_;
};

NS_CC_END

namespace CocosDenshion {
using cocos2d::SimpleAudioEngine;
}
