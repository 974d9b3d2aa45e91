#pragma once

#include <cstdint>
#include <string>

// Synthesises the interface's short, soft click sounds as 16-bit mono PCM WAV files:
// a decaying tone whose pitch falls slightly, a small noise transient at the start and
// short fades at both ends so that the sound never pops.
class ClickSynth {
public:
    struct Shape {
        double seconds = 0.03;        // total length
        double startHz = 3000.0;      // tone frequency at the start...
        double endHz = 2200.0;        // ...gliding to this at the end
        double bodyHz = 0.0;          // optional second, lower tone (0: none)
        double decaySeconds = 0.006;  // time constant of the tone's decay
        double noise = 0.15;          // share of the noise transient
        double gain = 0.2;            // peak level, 0..1
    };

    static Shape hover();  // the light tick played on hover and most button presses
    static Shape press();  // the slightly fuller click

    // The complete file: RIFF header, "fmt " and "data" chunks.
    static std::string makeWav(const Shape& shape, int sampleRate = 44100);
};
