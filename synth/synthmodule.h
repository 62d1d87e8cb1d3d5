// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>

#include "midioutport.h"
#include "synthconfig.h"

// The built-in synthesizer's code (FluidSynth and the audio libraries it pulls
// in, some forty shared libraries) lives in a module of its own beside the
// program, loaded only when output 0 is opened, on the thread that opens it.
// The program's own start then does not wait for all of them to be linked in.
inline constexpr const char* SynthModuleName = "libqvbsynth.so";
inline constexpr const char* SynthModuleEntry = "qvb_open_synth";

// Opens the built-in synthesizer through the module; nullptr when the module
// cannot be found or the synthesizer cannot be opened.
std::unique_ptr<MidiOutPort> openSynthFromModule(const SynthConfig& config);
