// SPDX-License-Identifier: GPL-3.0-or-later
// SystemMidi with the synthesizer linked into the process (tests, benchmarks).
// Kept apart so that a program that opens the synthesizer through its module
// links none of FluidSynth.
#include "fluidsynthout.h"
#include "systemmidi.h"

namespace {
std::unique_ptr<MidiOutPort> openInProcess(const SynthConfig& config) {
    return FluidSynthOut::open(config);
}
} // namespace

SystemMidi::SystemMidi() : SystemMidi(SynthConfig::fromEnvironment()) {}

SystemMidi::SystemMidi(SynthConfig synth, std::string clientName)
    : SystemMidi(std::move(synth), openInProcess, std::move(clientName)) {}
