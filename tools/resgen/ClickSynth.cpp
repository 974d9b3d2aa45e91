#include "ClickSynth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double FADE_SECONDS = 0.001;
constexpr double NOISE_SECONDS = 0.003;

void putLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

ClickSynth::Shape ClickSynth::hover() {
    return Shape{};
}

ClickSynth::Shape ClickSynth::press() {
    Shape shape;
    shape.seconds = 0.045;
    shape.startHz = 1700.0;
    shape.endHz = 1200.0;
    shape.bodyHz = 420.0;
    shape.decaySeconds = 0.009;
    shape.noise = 0.25;
    shape.gain = 0.3;
    return shape;
}

std::string ClickSynth::makeWav(const Shape& shape, int sampleRate) {
    const int count = std::max(1, static_cast<int>(std::lround(shape.seconds * sampleRate)));
    std::vector<int16_t> samples(static_cast<size_t>(count));
    double phase = 0.0;
    double bodyPhase = 0.0;
    uint32_t seed = 0x2545F491u;  // fixed, so the file is the same on every build
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double progress = static_cast<double>(i) / count;
        const double hz = shape.startHz + (shape.endHz - shape.startHz) * progress;
        phase += 2.0 * std::numbers::pi * hz / sampleRate;
        bodyPhase += 2.0 * std::numbers::pi * shape.bodyHz / sampleRate;
        double value = std::sin(phase);
        if (shape.bodyHz > 0) value = 0.65 * value + 0.35 * std::sin(bodyPhase);
        value *= std::exp(-t / shape.decaySeconds);
        if (t < NOISE_SECONDS) {
            seed = seed * 1664525u + 1013904223u;
            const double white = (seed >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
            value += shape.noise * white * (1.0 - t / NOISE_SECONDS);
        }
        const double fadeIn = std::min(1.0, t / FADE_SECONDS);
        const double fadeOut = std::min(1.0, (shape.seconds - t) / FADE_SECONDS);
        value *= shape.gain * fadeIn * std::max(0.0, fadeOut);
        samples[static_cast<size_t>(i)] =
            static_cast<int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767.0));
    }

    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string out;
    out += "RIFF";
    putLittleEndian(out, 36 + dataBytes, 4);
    out += "WAVE";
    out += "fmt ";
    putLittleEndian(out, 16, 4);
    putLittleEndian(out, 1, 2);  // PCM
    putLittleEndian(out, 1, 2);  // mono
    putLittleEndian(out, static_cast<uint32_t>(sampleRate), 4);
    putLittleEndian(out, static_cast<uint32_t>(sampleRate) * 2, 4);
    putLittleEndian(out, 2, 2);
    putLittleEndian(out, 16, 2);
    out += "data";
    putLittleEndian(out, dataBytes, 4);
    for (int16_t sample : samples) putLittleEndian(out, static_cast<uint16_t>(sample), 2);
    return out;
}
