// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Where the built-in synthesizer finds its sounds and where it plays them.
struct SynthConfig {
    // The distribution's default General MIDI SoundFont, tried first.
    std::string soundFont = "/usr/share/sounds/sf2/default-GM.sf2";
    // Other .sf2/.sf3 files below this folder are the fall-back.
    std::string soundFontRoot = "/usr/share/sounds";
    // Empty: the audio drivers in our own order. Otherwise a FluidSynth driver
    // name, or "file:PATH" for a WAV file written at the pace of real time.
    std::string audio;

    // The defaults, with `audio` from the environment variable QVB_SYNTH_AUDIO.
    static SynthConfig fromEnvironment();
};
