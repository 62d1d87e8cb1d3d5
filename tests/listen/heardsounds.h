// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>
#include <string>
#include <vector>

class FluidSynthOut;

// What a microphone might hear, made here and now: notes played by the
// built-in synthesizer from a SoundFont recorded from real instruments,
// glides, pink noise and German speech. For the listener's tests and its
// benchmark. Mono, at the synthesizer's rate.

// The SoundFont named by QVB_LISTEN_SOUNDFONT (FluidR3 unpacked from its
// package, never the machine's default); empty when unset or missing.
std::string listeningSoundFont();
// The synthesizer, offline, with that SoundFont; nullptr when it cannot load.
std::unique_ptr<FluidSynthOut> openListeningSynth(const std::string& soundFont);

struct PlayedNote {
    int program = 0;
    int note = 60;
    int velocity = 110;
    bool vibrato = false; // the modulation wheel half up
    double leadMs = 100;  // silence before the note-on
    double holdMs = 700;  // note-on to note-off
    double tailMs = 200;  // after the note-off
};
// The sound; the note-on falls on sample `onsetSample` (leadMs in).
std::vector<float> renderNote(FluidSynthOut& synth, const PlayedNote& played);
std::size_t onsetSample(const PlayedNote& played, double rate);

// A note whose pitch slides from `fromNote` to `toNote` over `ms` from its
// very start and is cut off there (the pitch wheel, a bend range of an octave).
std::vector<float> renderGlide(FluidSynthOut& synth, int program, int fromNote, int toNote,
                               double ms);

// Pink noise (-3 dB per octave) with the RMS level given, the same for the same seed.
std::vector<float> pinkNoise(double seconds, double rate, double rmsDbfs, unsigned seed);

// `text` spoken by espeak-ng with a German voice ("de", "de+f3"...) at its
// pitch (0-99; 50 is the voice's own), at `rate`; empty when
// espeak-ng is not there.
std::vector<float> germanSpeech(const std::string& text, double rate,
                                const std::string& voice = "de", int pitch = 50);

// `sound` scaled so that its loudest sample lies at `peakDbfs`.
void scaleToPeak(std::vector<float>& sound, double peakDbfs);

// The seven programs the listener is measured with (General MIDI numbers, from 0).
struct ListeningProgram {
    const char* name;
    int program;
};
inline constexpr ListeningProgram ListeningPrograms[] = {
    {"piano", 0},    {"violin", 40},     {"flute", 73},      {"clarinet", 71},
    {"trumpet", 56}, {"Choir Aahs", 52}, {"Voice Oohs", 53},
};
