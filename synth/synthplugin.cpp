// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of the built-in synthesizer's module (see synthmodule.h).
#include "fluidsynthout.h"

extern "C" __attribute__((visibility("default"))) MidiOutPort* qvb_open_synth(const SynthConfig* config) {
    return config ? FluidSynthOut::open(*config).release() : nullptr;
}
