#pragma once

// The one colour convention of every rise and fall the terminal shows: bars, last-price pointers,
// quote labels and frames, small charts. Without the inverse red/green setting (riseGreen false) a
// rise is red and a fall green; with it, the other way round.

// Rise/fall colours, RGBA.
inline constexpr float KLINE_RED[4] = {0.75f, 0.26f, 0.26f, 1.0f};
inline constexpr float KLINE_GREEN[4] = {0.17f, 0.6f, 0.26f, 1.0f};

// Whether a move is shown in green (else red).
constexpr bool showsGreen(bool rising, bool riseGreen) {
    return rising == riseGreen;
}

constexpr const float* riseColour(bool riseGreen) {
    return showsGreen(true, riseGreen) ? KLINE_GREEN : KLINE_RED;
}

constexpr const float* fallColour(bool riseGreen) {
    return showsGreen(false, riseGreen) ? KLINE_GREEN : KLINE_RED;
}
