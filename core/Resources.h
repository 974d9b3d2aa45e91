#pragma once

// Runtime resource files named by more than one part of the terminal. Paths are relative to the
// program folder, as the engine's search paths expect them.

// The CJK-capable font of every label.
inline constexpr const char* FONT_FILE = "res/fonts/MiYaHei.ttf";
// The short sound of a button being hovered or pressed.
inline constexpr const char* HOVER_SOUND_FILE = "res/audio/mouseHover.wav";

// Plays HOVER_SOUND_FILE unless the user has turned sound off. Main thread only.
void playHoverSound();
