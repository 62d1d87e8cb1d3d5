// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of the ports' module (see systemmidimodule.h).
#include "systemmidi.h"
#include "systemmidimodule.h"

extern "C" __attribute__((visibility("default"))) MidiPlatform*
qvb_open_system_midi(const SynthConfig* config, SynthOpenerFn openSynth) {
    auto* platform = new SystemMidi(*config, openSynth);
    platform->deferSynth();
    return platform;
}
