#include "Resources.h"

#include "SimpleAudioEngine.h"
#include "UserData.h"

using CocosDenshion::SimpleAudioEngine;

void playHoverSound() {
    if (UserData::getSoundSwitch()) SimpleAudioEngine::sharedEngine()->playEffect(HOVER_SOUND_FILE);
}
