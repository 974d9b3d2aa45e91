#include "SimpleAudioEngine.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>

#include "CCCommon.h"
#include "CCFileUtils.h"

NS_CC_BEGIN

namespace {
SimpleAudioEngine* sharedEngineInstance = nullptr;
constexpr int MIX_FREQUENCY = 44100;
constexpr int OUTPUT_CHANNELS = 2;
constexpr int MIX_CHUNK_SIZE = 1024;
constexpr int EFFECT_CHANNELS = 16;
}  // namespace

SimpleAudioEngine* SimpleAudioEngine::sharedEngine() {
    if (!sharedEngineInstance) sharedEngineInstance = new SimpleAudioEngine();
    return sharedEngineInstance;
}

void SimpleAudioEngine::end() {
    delete sharedEngineInstance;
    sharedEngineInstance = nullptr;
}

SimpleAudioEngine::~SimpleAudioEngine() {
    if (!haveDevice_) return;
    Mix_HaltChannel(-1);
    for (auto& entry : effects_) Mix_FreeChunk(entry.second);
    effects_.clear();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SimpleAudioEngine::hasDevice() {
    return openDevice();
}

bool SimpleAudioEngine::openDevice() {
    if (triedDevice_) return haveDevice_;
    triedDevice_ = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        CCLog("SimpleAudioEngine: no audio (%s); sound effects are off", SDL_GetError());
        return false;
    }
    if (Mix_OpenAudio(MIX_FREQUENCY, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS, MIX_CHUNK_SIZE) != 0) {
        CCLog("SimpleAudioEngine: no audio device (%s); sound effects are off", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(EFFECT_CHANNELS);
    haveDevice_ = true;
    return true;
}

Mix_Chunk* SimpleAudioEngine::load(const char* path) {
    if (!path || !*path || !openDevice()) return nullptr;
    std::string full = CCFileUtils::sharedFileUtils()->fullPathForFilename(path);
    auto found = effects_.find(full);
    if (found != effects_.end()) return found->second;
    if (failed_.count(full)) return nullptr;
    // We close the file ourselves: SDL_mixer leaks it when the data is not a sound it knows.
    SDL_RWops* file = SDL_RWFromFile(full.c_str(), "rb");
    Mix_Chunk* chunk = file ? Mix_LoadWAV_RW(file, 0) : nullptr;
    if (file) SDL_RWclose(file);
    if (!chunk) {
        CCLog("SimpleAudioEngine: cannot load %s: %s", path, Mix_GetError());
        failed_[full] = true;
        return nullptr;
    }
    Mix_VolumeChunk(chunk, static_cast<int>(std::lround(volume_ * MIX_MAX_VOLUME)));
    effects_[full] = chunk;
    return chunk;
}

bool SimpleAudioEngine::preloadEffect(const char* path) {
    return load(path) != nullptr;
}

unsigned int SimpleAudioEngine::playEffect(const char* path, bool loop) {
    ++requests_[path ? path : ""];
    Mix_Chunk* chunk = load(path);
    if (!chunk) return 0;
    int channel = Mix_PlayChannel(-1, chunk, loop ? -1 : 0);
    if (channel < 0) return 0;  // every channel busy: the click is simply skipped
    return static_cast<unsigned int>(channel) + 1;
}

unsigned int SimpleAudioEngine::getRequestCount(const std::string& path) const {
    auto found = requests_.find(path);
    return found == requests_.end() ? 0 : found->second;
}

void SimpleAudioEngine::stopEffect(unsigned int soundId) {
    if (haveDevice_ && soundId > 0) Mix_HaltChannel(static_cast<int>(soundId) - 1);
}

int SimpleAudioEngine::getPlayingCount() const {
    return haveDevice_ ? Mix_Playing(-1) : 0;
}

void SimpleAudioEngine::stopAllEffects() {
    if (haveDevice_) Mix_HaltChannel(-1);
}

void SimpleAudioEngine::pauseAllEffects() {
    if (haveDevice_) Mix_Pause(-1);
}

void SimpleAudioEngine::resumeAllEffects() {
    if (haveDevice_) Mix_Resume(-1);
}

void SimpleAudioEngine::unloadEffect(const char* path) {
    if (!path || !haveDevice_) return;
    std::string full = CCFileUtils::sharedFileUtils()->fullPathForFilename(path);
    auto found = effects_.find(full);
    if (found == effects_.end()) return;
    // A chunk must not be freed while a channel still plays it.
    for (int channel = 0; channel < EFFECT_CHANNELS; ++channel)
        if (Mix_GetChunk(channel) == found->second) Mix_HaltChannel(channel);
    Mix_FreeChunk(found->second);
    effects_.erase(found);
}

void SimpleAudioEngine::setEffectsVolume(float volume) {
    volume_ = std::isfinite(volume) ? std::clamp(volume, 0.0f, 1.0f) : 1.0f;
    for (auto& entry : effects_)
        Mix_VolumeChunk(entry.second, static_cast<int>(std::lround(volume_ * MIX_MAX_VOLUME)));
}

NS_CC_END
