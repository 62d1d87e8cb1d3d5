// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <fluidsynth.h>
#include <string>

// Puts the peak limiter (see peaklimiter.h) on the synthesizer's output, as
// an effect FluidSynth runs itself, so that every way the sound leaves it is
// limited. The effect is a small library of its own beside the synthesizer's
// module, libqvblimiter.so.
class SynthLimiter {
public:
    static constexpr const char* LibraryName = "libqvblimiter.so";

    // Into the settings before the synthesizer is made.
    static void prepare(fluid_settings_t* settings);
    // False (and the sound unlimited) when the library cannot be found or loaded.
    static bool attach(fluid_synth_t* synth);
    // Where the library is: beside the code of this file (the synthesizer's
    // module), then where the program's modules are (see moduleloader.h).
    static std::string libraryPath();
};
